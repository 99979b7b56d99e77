#include "hid/hid_library.h"

namespace tamo {
namespace {

// GetProcAddress hands out one generic function type; going through a plain
// function pointer first keeps the conversion free of cast warnings.
template <class Function>
void resolve(HMODULE module, const char* name, Function& function) {
    FARPROC proc = GetProcAddress(module, name);
    function = proc ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc)) : nullptr;
}

}  // namespace

bool HidLibrary::available() const {
    return getHidGuid && getAttributes && getProductString && getPreparsedData && freePreparsedData && getCaps &&
           setFeature && getFeature;
}

HidLibrary HidLibrary::load() {
    HMODULE module = LoadLibraryExW(L"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
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
