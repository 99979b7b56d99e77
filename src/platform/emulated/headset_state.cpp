#include "platform/emulated/headset_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    std::filesystem::path target(path);
    std::filesystem::path directory = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::error_code error;
    if (!std::filesystem::exists(directory, error)) {
        std::filesystem::create_directories(directory, error);
        if (error) return "cannot create " + directory.string() + ": " + error.message();
        ::chmod(directory.c_str(), 0700);
    }
    if (std::filesystem::is_directory(target, error)) return path + " is a directory";

    std::string temporary = path + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return "cannot create " + temporary + ": " + errorText(errno);
    std::string text = formatState(state);
    std::string_view rest = text;
    bool written = true;
    while (!rest.empty()) {
        ssize_t count = ::write(fd, rest.data(), rest.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            written = false;
            break;
        }
        rest.remove_prefix(static_cast<std::size_t>(count));
    }
    int savedErrno = errno;
    bool synced = written && ::fsync(fd) == 0;
    if (written && !synced) savedErrno = errno;
    ::close(fd);
    if (!synced || ::rename(temporary.c_str(), path.c_str()) != 0) {
        if (synced) savedErrno = errno;
        ::unlink(temporary.c_str());
        return "cannot write " + path + ": " + errorText(savedErrno);
    }
    return std::nullopt;
}

std::string defaultStateFilePath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/') return std::string(runtime) + "/tamo-sound/" + kStateFileName;
    std::error_code error;
    std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (error) temporary = "/tmp";
    return (temporary / ("tamo-sound-" + std::to_string(::getuid())) / kStateFileName).string();
}

}  // namespace emulated
