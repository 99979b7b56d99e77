#include "config/hmd_config_reader.h"

#include "platform/win32.h"

#include <algorithm>
#include <string_view>

namespace tamo {
namespace {

constexpr int kHmdConfigFileType = 0;
// The longest path Windows has, with its terminator.
constexpr DWORD kLongestPathCapacity = 32768;
// What a path without the prefix below may hold, with its terminator.
constexpr std::size_t kShortPathCapacity = MAX_PATH;
constexpr std::wstring_view kLongPathPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

// The executable's full path, however long; empty when the system gives
// none, or cuts it even at the longest path there is. A cut path would name
// some other directory, and with it some other file.
std::wstring executablePath() {
    std::wstring buffer;
    for (DWORD capacity = MAX_PATH;; capacity = std::min(capacity * 2, kLongestPathCapacity)) {
        buffer.assign(capacity, L'\0');
        const DWORD length = GetModuleFileNameW(GetModuleHandleW(nullptr), buffer.data(), capacity);
        if (length == 0) return {};
        if (length < capacity) {
            buffer.resize(length);
            return buffer;
        }
        if (capacity == kLongestPathCapacity) return {};
    }
}

// A path too long for the file functions without it gets the prefix that
// lifts their limit ("\\?\C:\...", "\\?\UNC\server\..."). Only a full
// path takes it, and the executable's path is one.
std::wstring openablePath(std::wstring path) {
    if (path.size() < kShortPathCapacity || path.starts_with(kLongPathPrefix)) return path;
    if (path.starts_with(L"\\\\")) return std::wstring(kLongUncPrefix).append(path, 2);
    return std::wstring(kLongPathPrefix).append(path);
}

}  // namespace

HMDConfigReader::HMDConfigReader() { configFileType = kHmdConfigFileType; }

HMDConfigReader::~HMDConfigReader() = default;

// The path stays wide all the way to _wfopen. Narrowed to the low byte of
// each unit, a directory named with characters above U+00FF would turn into
// the name of some other directory, and the library would read that one's
// file instead.
std::wstring HMDConfigReader::getConfigFilePath(int& fileType) {
    std::wstring path = executablePath();
    // Without the executable's path there is no directory to look in: not
    // the root of the current drive, which "\\hmd_config.ini" would name.
    if (fileType != kHmdConfigFileType || path.empty()) return {};
    // The directory is everything before the last backslash, or the whole
    // text when there is none.
    path.erase(std::min(path.rfind(L'\\'), path.size()));
    return openablePath(path.append(L"\\").append(kHmdConfigFileName));
}

}  // namespace tamo
