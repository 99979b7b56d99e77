#include "hid/hid_library.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tamo {
namespace {

// GetProcAddress hands out one generic function type; going through a plain
// function pointer first keeps the conversion free of cast warnings.
template <class Function>
void resolve(HMODULE module, const char* name, Function& function) {
    FARPROC proc = GetProcAddress(module, name);
    function = proc ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc)) : nullptr;
}

constexpr std::wstring_view kHidDllName = L"hid.dll";

// By full path in the system directory: for systems whose LoadLibraryExW
// predates the LOAD_LIBRARY_SEARCH_* flags (Windows 7 without KB2533623
// refuses them with ERROR_INVALID_PARAMETER). A full path is never searched
// for, so the host's directory is still never looked at.
HMODULE loadByFullPath() {
    std::array<wchar_t, MAX_PATH + 1> path{};
    UINT length = GetSystemDirectoryW(path.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH || length + 1 + kHidDllName.size() >= path.size()) return nullptr;
    path[length] = L'\\';
    std::copy(kHidDllName.begin(), kHidDllName.end(), path.begin() + length + 1);
    return LoadLibraryExW(path.data(), nullptr, 0);
}

HMODULE loadFromSystemDirectory() {
    HMODULE module = LoadLibraryExW(kHidDllName.data(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) module = loadByFullPath();
    return module;
}

}  // namespace

bool HidLibrary::available() const {
    return getHidGuid && getAttributes && getProductString && getPreparsedData && freePreparsedData && getCaps &&
           setFeature && getFeature;
}

HidLibrary HidLibrary::load() {
    HMODULE module = loadFromSystemDirectory();
    if (module == nullptr) return HidLibrary{};
    HidLibrary library;
    resolve(module, "HidD_GetHidGuid", library.getHidGuid);
    resolve(module, "HidD_GetAttributes", library.getAttributes);
    resolve(module, "HidD_GetProductString", library.getProductString);
    resolve(module, "HidD_GetPreparsedData", library.getPreparsedData);
    resolve(module, "HidD_FreePreparsedData", library.freePreparsedData);
    resolve(module, "HidP_GetCaps", library.getCaps);
    resolve(module, "HidD_SetFeature", library.setFeature);
    resolve(module, "HidD_GetFeature", library.getFeature);
    if (!library.available()) {
        // Half a library is no library: nothing of it may be called.
        FreeLibrary(module);
        return HidLibrary{};
    }
    return library;
}

const HidLibrary& HidLibrary::instance() {
    static const HidLibrary library = load();
    return library;
}

}  // namespace tamo
