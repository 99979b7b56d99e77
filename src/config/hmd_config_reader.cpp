#include "config/hmd_config_reader.h"

#include "platform/win32.h"

#include <algorithm>
#include <array>

namespace tamo {
namespace {

constexpr int kHmdConfigFileType = 0;
constexpr DWORD kModulePathCapacity = 260;
constexpr const wchar_t* kHmdConfigFileName = L"hmd_config.ini";

// The executable's full path. A failure, or a path that does not fit,
// leaves what the system wrote (possibly nothing) up to the first zero.
std::wstring executablePath() {
    std::array<WCHAR, kModulePathCapacity> buffer{};
    GetModuleFileNameW(GetModuleHandleW(nullptr), buffer.data(), kModulePathCapacity);
    return std::wstring(buffer.begin(), std::find(buffer.begin(), buffer.end(), L'\0'));
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
    if (fileType != kHmdConfigFileType) return {};
    // The directory is everything before the last backslash, or the whole
    // text when there is none.
    path.erase(std::min(path.rfind(L'\\'), path.size()));
    return path.append(L"\\").append(kHmdConfigFileName);
}

}  // namespace tamo
