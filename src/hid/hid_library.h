// The functions of hid.dll, resolved at run time.
//
// hid.dll is not one of Windows' known DLLs: linked through the import table,
// a hid.dll planted beside the host executable would be loaded instead of the
// system's. It is therefore loaded from the system directory only, on first
// use (never from the DLL entry point), once per process. Where the system
// does not know how to limit the search to the system directory, it is
// loaded by its full path there instead.
#pragma once

#include "platform/win32.h"

namespace tamo {

struct HidLibrary {
    decltype(&::HidD_GetHidGuid) getHidGuid = nullptr;
    decltype(&::HidD_GetAttributes) getAttributes = nullptr;
    decltype(&::HidD_GetProductString) getProductString = nullptr;
    decltype(&::HidD_GetPreparsedData) getPreparsedData = nullptr;
    decltype(&::HidD_FreePreparsedData) freePreparsedData = nullptr;
    decltype(&::HidP_GetCaps) getCaps = nullptr;
    decltype(&::HidD_SetFeature) setFeature = nullptr;
    decltype(&::HidD_GetFeature) getFeature = nullptr;

    // True when every function was found.
    bool available() const;

    // Loads hid.dll from the system directory and resolves every function;
    // on any failure the result is not available(). The module stays loaded
    // for the life of the process.
    static HidLibrary load();

    // The process's copy, loaded on first use, thread-safe.
    static const HidLibrary& instance();
};

}  // namespace tamo
