// How a host chooses what the simulator DLL simulates, read once at the
// first call of an exported function:
//
//   TAMO_SIM_PROFILE    the profile: a built-in name (default, none,
//                       old-firmware, silent, busy, two-headsets, refusing)
//                       or the path of a profile file (headset_profile.h)
//   TAMO_SIM_STATE      the file that keeps the virtual headsets' settings
//                       between runs (headset_state.h); by default
//                       tamo_sim.state beside the host's executable
//   TAMO_SIM_LOG        a file that every exchanged report is appended to,
//                       one line each, as tamo-sound --show-reports shows it
//   TAMO_SIM_REAL_TIME  1: the library's waits take real time; otherwise
//                       they pass on the simulator's own clock at once
//
// or the same as `key = value` lines of tamo_sim.ini beside the host's
// executable (profile, state, log, real_time; "#" or ";" starts a comment).
// A variable that is set, even to an empty value, wins over the file's
// line: the file is the host's standing choice, the variable one run's.
// A relative path, in either, is taken from the executable's directory.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tamo::sim {

inline constexpr const char* kSettingsFileName = "tamo_sim.ini";
inline constexpr const char* kDefaultStateFileName = "tamo_sim.state";
inline constexpr const char* kDefaultProfile = "default";

struct SimSettings {
    std::string profile = kDefaultProfile;
    std::filesystem::path stateFile;
    std::optional<std::filesystem::path> logFile;
    bool realTime = false;
    // Lines of the file that say nothing the simulator knows.
    std::vector<std::string> warnings;
};

// What the settings are read from: the process's environment (UTF-8;
// nothing for a variable that is not set), the text of tamo_sim.ini (none
// when there is no such file), and the executable's directory.
struct SettingsSources {
    std::function<std::optional<std::string>(const std::string&)> environment;
    std::optional<std::string> settingsFile;
    std::filesystem::path executableDirectory;
};

SimSettings readSimSettings(const SettingsSources& sources);

}  // namespace tamo::sim
