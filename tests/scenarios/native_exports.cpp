#include "native_exports.h"

namespace tamo::test {

StatusCode callNativeExport(Export which, std::int32_t argument, SoundState* record) {
    switch (which) {
    case Export::Init: return qor_tamo_sound_init();
    case Export::Destroy: return qor_tamo_sound_destroy();
    case Export::SeeThrough: return qor_tamo_sound_set_see_through_state(static_cast<std::uint8_t>(argument));
    case Export::AudioMode: return qor_tamo_sound_set_audio_mode(argument);
    case Export::HiPower: return qor_tamo_sound_set_hi_power_state(static_cast<std::uint8_t>(argument));
    case Export::GetState: return qor_tamo_sound_get_state(record);
    }
    return SOUND_OK;
}

}  // namespace tamo::test
