// A host of the real DLL for the diagnostics tests: loads tamo_settings.dll
// from its own directory and calls qor_tamo_sound_init once, which reads the
// hmd_config.ini the test put there. Prints nothing of its own, so that its
// standard output is the library's.
#include "platform/win32.h"
#include "tamo_settings.h"

#include <string>

int wmain() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory = path;
    directory.erase(directory.find_last_of(L'\\') + 1);
    HMODULE dll = LoadLibraryW((directory + L"tamo_settings.dll").c_str());
    if (!dll) return 2;
    auto init = reinterpret_cast<decltype(qor_tamo_sound_init)*>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "qor_tamo_sound_init")));
    if (!init) return 3;
    init();
    FreeLibrary(dll);
    return 0;
}
