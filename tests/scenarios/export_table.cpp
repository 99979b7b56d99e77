#include "export_table.h"

namespace tamo::test {

StatusCode callExport(const ExportTable& table, Export which, std::int32_t argument, SoundState* record) {
    switch (which) {
    case Export::Init: return table.Init();
    case Export::Destroy: return table.Destroy();
    case Export::SeeThrough: return table.SeeThrough(static_cast<std::uint8_t>(argument));
    case Export::AudioMode: return table.AudioMode(argument);
    case Export::HiPower: return table.HiPower(static_cast<std::uint8_t>(argument));
    case Export::GetState: return table.GetState(record);
    }
    return SOUND_OK;
}

}  // namespace tamo::test
