#include "sim_settings.h"

#include <algorithm>
#include <array>
#include <sstream>
#include <string_view>

namespace tamo::sim {
namespace {

// One setting: its key in tamo_sim.ini and its environment variable.
struct SettingNames {
    const char* key;
    const char* variable;
};

constexpr SettingNames kProfile{"profile", "TAMO_SIM_PROFILE"};
constexpr SettingNames kState{"state", "TAMO_SIM_STATE"};
constexpr SettingNames kLog{"log", "TAMO_SIM_LOG"};
constexpr SettingNames kRealTime{"real_time", "TAMO_SIM_REAL_TIME"};
constexpr std::array kSettings{kProfile, kState, kLog, kRealTime};

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The file's key = value lines, by key; what it cannot use goes to `warnings`.
std::vector<std::pair<std::string, std::string>> fileEntries(const std::string& text,
                                                             std::vector<std::string>& warnings) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::istringstream lines(text);
    std::string raw;
    for (int number = 1; std::getline(lines, raw); ++number) {
        const std::string_view line = trimmed(raw);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        const std::size_t equals = line.find('=');
        const std::string where = std::string(kSettingsFileName) + ", line " + std::to_string(number) + ": ";
        if (equals == std::string_view::npos) {
            warnings.push_back(where + "not key = value, ignored");
            continue;
        }
        const std::string key(trimmed(line.substr(0, equals)));
        const bool known = std::any_of(kSettings.begin(), kSettings.end(),
                                       [&](const SettingNames& setting) { return key == setting.key; });
        if (!known) {
            warnings.push_back(where + "unknown key " + key + ", ignored (profile, state, log, real_time)");
            continue;
        }
        entries.emplace_back(key, std::string(trimmed(line.substr(equals + 1))));
    }
    return entries;
}

class Lookup {
public:
    Lookup(const SettingsSources& sources, std::vector<std::string>& warnings) : sources_(sources) {
        if (sources.settingsFile) entries_ = fileEntries(*sources.settingsFile, warnings);
    }

    // The variable's value when it is set, else the file's last line for
    // the key, else nothing.
    std::optional<std::string> value(const SettingNames& setting) const {
        if (sources_.environment) {
            if (std::optional<std::string> variable = sources_.environment(setting.variable)) return variable;
        }
        for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
            if (entry->first == setting.key) return entry->second;
        }
        return std::nullopt;
    }

    // The same as a path; a relative one from the file is the executable
    // directory's, as is a relative one from the variable.
    std::optional<std::filesystem::path> path(const SettingNames& setting) const {
        std::optional<std::string> text = value(setting);
        if (!text || text->empty()) return std::nullopt;
        std::filesystem::path path(std::u8string(text->begin(), text->end()));
        return path.is_absolute() ? path : sources_.executableDirectory / path;
    }

private:
    const SettingsSources& sources_;
    std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace

SimSettings readSimSettings(const SettingsSources& sources) {
    SimSettings settings;
    const Lookup lookup(sources, settings.warnings);
    if (std::optional<std::string> profile = lookup.value(kProfile); profile && !profile->empty()) {
        settings.profile = *profile;
    }
    settings.stateFile = lookup.path(kState).value_or(sources.executableDirectory / kDefaultStateFileName);
    settings.logFile = lookup.path(kLog);
    settings.realTime = lookup.value(kRealTime).value_or("") == "1";
    return settings;
}

}  // namespace tamo::sim
