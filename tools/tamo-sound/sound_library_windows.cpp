// Windows: tamo_settings.dll from the program's own directory, by its
// exported names.
#include "sound_library.h"

#include "platform/win32.h"
#include "text_paths.h"
#include "windows_error.h"

#include <array>
#include <string>
#include <vector>

namespace tamo::tool {
namespace {

constexpr const wchar_t* kDllName = L"tamo_settings.dll";

template <class Function>
bool resolve(HMODULE module, const char* name, Function*& target, std::string& missing) {
    target = reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    if (!target && missing.empty()) missing = name;
    return target != nullptr;
}

// "major.minor.patch.build" from the module's VERSIONINFO, as Explorer shows
// it; empty when the file has none.
std::string fileVersion(HMODULE module) {
    std::array<wchar_t, 32768> path{};
    DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return {};
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.data(), &ignored);
    if (size == 0) return {};
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path.data(), 0, size, block.data())) return {};
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || fixed == nullptr ||
        fixedSize < sizeof(VS_FIXEDFILEINFO)) {
        return {};
    }
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

}  // namespace

SoundLibrary::SoundLibrary() {
    // By full path: the DLL beside the program, never one found elsewhere on
    // the search path.
    std::wstring path = programDirectoryWide() + L"\\" + kDllName;
    origin_ = utf8FromWide(path);
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        error_ = "cannot load " + origin_ + ": " + describeWindowsError(GetLastError());
        return;
    }
    module_ = module;
    version_ = fileVersion(module);
    std::string missing;
    resolve(module, "qor_tamo_sound_init", functions_.init, missing);
    resolve(module, "qor_tamo_sound_destroy", functions_.destroy, missing);
    resolve(module, "qor_tamo_sound_set_see_through_state", functions_.setSeeThroughState, missing);
    resolve(module, "qor_tamo_sound_set_audio_mode", functions_.setAudioMode, missing);
    resolve(module, "qor_tamo_sound_set_hi_power_state", functions_.setHiPowerState, missing);
    resolve(module, "qor_tamo_sound_get_state", functions_.getState, missing);
    if (!missing.empty()) {
        error_ = origin_ + " does not export " + missing;
        return;
    }
    loaded_ = true;
}

SoundLibrary::~SoundLibrary() {
    if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

}  // namespace tamo::tool
