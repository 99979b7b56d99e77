// The simulator DLL's six exports: the library's own functions, run over
// the emulated Windows that the first call sets up (tamo_settings_sim.def
// exports each under the library's name).
//
// The first call of any of them reads the settings, plugs in the profile's
// headsets and prints what the simulator is; every call then keeps the
// headsets' state. No exception crosses the C boundary: one while the
// world is set up leaves the call to the library's own answer for a
// shortage of memory.
#include "platform/console.h"
#include "platform/emulated/host_system.h"
#include "platform/emulated/utf8.h"
#include "sim_exports.h"
#include "simulator.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <type_traits>

namespace tamo::sim {
namespace {

std::optional<std::string> environmentVariable(const std::string& name) {
    std::optional<std::wstring> value = emulated::host::environmentVariable(utf16FromUtf8(name));
    if (!value) return std::nullopt;
    return utf8FromUtf16(*value);
}

std::optional<std::string> fileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::unique_ptr<Simulator> startSimulator() {
    const std::filesystem::path executable = emulated::host::runningExecutable();
    SettingsSources sources;
    sources.environment = environmentVariable;
    sources.executableDirectory = executable.parent_path();
    sources.settingsFile = fileText(sources.executableDirectory / kSettingsFileName);
    auto simulator = std::make_unique<Simulator>(readSimSettings(sources), executable);
    for (const std::string& line : simulator->announcement()) printLine(line);
    return simulator;
}

// Set up by the first call, from whichever thread makes it.
Simulator* simulator() noexcept {
    try {
        static const std::unique_ptr<Simulator> instance = startSimulator();
        return instance.get();
    } catch (...) {
        return nullptr;
    }
}

template <class Call>
StatusCode simulated(Call&& call) noexcept {
    Simulator* world = simulator();
    if (world == nullptr) return SOUND_ERROR_OUT_OF_MEMORY;
    const StatusCode result = call();
    try {
        world->keepState();
    } catch (...) {
        // The headset's settings are then not kept; the call's result stands.
    }
    return result;
}

}  // namespace
}  // namespace tamo::sim

extern "C" {

StatusCode TAMO_CALL tamo_sim_init(void) {
    return tamo::sim::simulated([] { return qor_tamo_sound_init(); });
}

StatusCode TAMO_CALL tamo_sim_destroy(void) {
    return tamo::sim::simulated([] { return qor_tamo_sound_destroy(); });
}

StatusCode TAMO_CALL tamo_sim_set_see_through_state(uint8_t enable) {
    return tamo::sim::simulated([enable] { return qor_tamo_sound_set_see_through_state(enable); });
}

StatusCode TAMO_CALL tamo_sim_set_audio_mode(int32_t mode) {
    return tamo::sim::simulated([mode] { return qor_tamo_sound_set_audio_mode(mode); });
}

StatusCode TAMO_CALL tamo_sim_set_hi_power_state(uint8_t enable) {
    return tamo::sim::simulated([enable] { return qor_tamo_sound_set_hi_power_state(enable); });
}

StatusCode TAMO_CALL tamo_sim_get_state(SoundState* state) {
    return tamo::sim::simulated([state] { return qor_tamo_sound_get_state(state); });
}

}  // extern "C"

// A host calls these through the library's declarations: the same types,
// __cdecl on 32-bit Windows.
static_assert(std::is_same_v<decltype(&tamo_sim_init), decltype(&qor_tamo_sound_init)>);
static_assert(std::is_same_v<decltype(&tamo_sim_destroy), decltype(&qor_tamo_sound_destroy)>);
static_assert(std::is_same_v<decltype(&tamo_sim_set_see_through_state), decltype(&qor_tamo_sound_set_see_through_state)>);
static_assert(std::is_same_v<decltype(&tamo_sim_set_audio_mode), decltype(&qor_tamo_sound_set_audio_mode)>);
static_assert(std::is_same_v<decltype(&tamo_sim_set_hi_power_state), decltype(&qor_tamo_sound_set_hi_power_state)>);
static_assert(std::is_same_v<decltype(&tamo_sim_get_state), decltype(&qor_tamo_sound_get_state)>);
