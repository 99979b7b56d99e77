#include "platform/emulated/headset_state.h"

#include "platform/emulated/host_system.h"
#include "platform/emulated/utf8.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

namespace emulated {
namespace {

constexpr const char* kStateFileName = "virtual-headset.state";
constexpr int kMaxHeadsets = 64;
// A state file is a handful of lines; anything much larger is not one.
constexpr std::uintmax_t kMaxStateFileSize = 64 * 1024;

std::optional<int> number(std::string_view text, int low, int high) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

LoadedState unusable(LoadedState::Outcome outcome, int line, const std::string& why) {
    LoadedState loaded;
    loaded.outcome = outcome;
    loaded.problem = (line > 0 ? "line " + std::to_string(line) + ": " : std::string()) + why;
    return loaded;
}

LoadedState corrupt(int line, const std::string& why) { return unusable(LoadedState::Outcome::Corrupt, line, why); }
LoadedState foreign(int line, const std::string& why) { return unusable(LoadedState::Outcome::Foreign, line, why); }

std::string errorText(int error) { return std::strerror(error); }

}  // namespace

LoadedState parseState(const std::string& text) {
    std::istringstream stream(text);
    std::string line;
    if (!std::getline(stream, line) || line != kStateFileHeader) {
        return foreign(1, "the first line is not \"" + std::string(kStateFileHeader) + "\"");
    }
    if (text.find('\0') != std::string::npos) return corrupt(0, "the file holds NUL bytes");
    LoadedState loaded;
    loaded.outcome = LoadedState::Outcome::Loaded;
    std::map<std::string, bool> seen;
    for (int lineNumber = 2; std::getline(stream, line); ++lineNumber) {
        if (line.empty()) continue;
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) return corrupt(lineNumber, "no \"=\" in the line");
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (seen[key]) return corrupt(lineNumber, key + " is given twice");
        seen[key] = true;
        // headset.<n>.<field>
        std::size_t firstDot = key.find('.');
        std::size_t secondDot = firstDot == std::string::npos ? std::string::npos : key.find('.', firstDot + 1);
        if (key.substr(0, firstDot) != "headset" || secondDot == std::string::npos) {
            return corrupt(lineNumber, "unknown key " + key);
        }
        std::optional<int> headset = number(std::string_view(key).substr(firstDot + 1, secondDot - firstDot - 1), 1,
                                            kMaxHeadsets);
        if (!headset) return corrupt(lineNumber, "bad headset number in " + key);
        std::string field = key.substr(secondDot + 1);
        HeadsetState& state = loaded.state[*headset];
        if (field == "audio_mode") {
            std::optional<int> mode = number(value, 0, 255);
            if (!mode) return corrupt(lineNumber, "audio_mode is not a byte: " + value);
            state.audioMode = static_cast<std::uint8_t>(*mode);
        } else if (field == "hi_power" || field == "see_through") {
            std::optional<int> flag = number(value, 0, 1);
            if (!flag) return corrupt(lineNumber, field + " is not 0 or 1: " + value);
            (field == "hi_power" ? state.hiPower : state.seeThrough) = *flag == 1;
        } else {
            return corrupt(lineNumber, "unknown key " + key);
        }
    }
    return loaded;
}

std::string formatState(const VirtualState& state) {
    std::string text = std::string(kStateFileHeader) + "\n";
    for (const auto& [headset, values] : state) {
        std::string prefix = "headset." + std::to_string(headset) + ".";
        text += prefix + "audio_mode=" + std::to_string(values.audioMode) + "\n";
        text += prefix + "hi_power=" + (values.hiPower ? "1" : "0") + "\n";
        text += prefix + "see_through=" + (values.seeThrough ? "1" : "0") + "\n";
    }
    return text;
}

LoadedState loadStateFile(const std::string& path) {
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) return {};
    LoadedState loaded;
    if (!std::filesystem::is_regular_file(status)) return foreign(0, "it is not a regular file");
    if (std::filesystem::file_size(path, error) > kMaxStateFileSize) {
        return foreign(0, "the file is larger than a state file can be");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        loaded.outcome = LoadedState::Outcome::Unreadable;
        loaded.problem = errorText(errno);
        return loaded;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    return parseState(contents.str());
}

std::optional<std::string> saveStateFile(const std::string& path, const VirtualState& state) {
    namespace fs = std::filesystem;
    fs::path target(path);
    fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code error;
    if (!fs::exists(directory, error)) {
        fs::create_directories(directory, error);
        if (error) return "cannot create " + directory.string() + ": " + error.message();
        fs::permissions(directory, fs::perms::owner_all, error);
    }
    if (fs::is_directory(target, error)) return path + " is a directory";

    const fs::path temporary = path + ".tmp." + host::processTag();
    const std::string text = formatState(state);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) return "cannot create " + temporary.string() + ": " + errorText(errno);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.flush();
        if (!file) {
            const int savedErrno = errno;
            file.close();
            fs::remove(temporary, error);
            return "cannot write " + path + ": " + errorText(savedErrno);
        }
    }
    fs::permissions(temporary, fs::perms::owner_read | fs::perms::owner_write, error);
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return "cannot write " + path + ": " + error.message();
    }
    return std::nullopt;
}

KeptState keepState(const std::string& path, const LoadedState& loaded, const VirtualState& before,
                    const VirtualState& now) {
    using Outcome = KeptState::Outcome;
    if (now == before) return {};
    if (!loaded.mayBeReplaced()) return {Outcome::NotAStateFile, {}};
    VirtualState state = loaded.outcome == LoadedState::Outcome::Loaded ? loaded.state : VirtualState{};
    for (const auto& [headset, values] : now) state[headset] = values;
    if (std::optional<std::string> problem = saveStateFile(path, state)) return {Outcome::Failed, *problem};
    return {Outcome::Saved, {}};
}

std::string defaultStateFilePath() {
    const std::string runtime = tamo::utf8FromUtf16(host::environmentVariable(L"XDG_RUNTIME_DIR").value_or(L""));
    if (runtime.starts_with('/')) return runtime + "/tamo-sound/" + kStateFileName;
    std::error_code error;
    std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (error) temporary = "/tmp";
    return (temporary / ("tamo-sound-" + host::userTag()) / kStateFileName).string();
}

}  // namespace emulated
