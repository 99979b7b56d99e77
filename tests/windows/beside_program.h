// Where the build puts this test program's companions: the DLLs, the
// hosts it starts, the files they read.
#pragma once

#include "platform/win32.h"

#include <string>

namespace tamo::test {

// `name` in this test program's directory, where the build puts the DLLs.
inline std::wstring besideProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory = path;
    return directory.substr(0, directory.find_last_of(L'\\') + 1) + name;
}

}  // namespace tamo::test
