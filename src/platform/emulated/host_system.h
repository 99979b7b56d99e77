// What the emulated Windows takes from the system it runs on: files by
// their paths there, the process's environment, the debugger, and how a
// Windows path names a file there. On Linux a Windows path is one of
// Wine's (drive Z: is the root); on Windows (the simulator DLL) it is the
// real path. One implementation a system, chosen by the build.
//
// These files see the real system's headers, never platform/win32.h.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace emulated {

// The Windows path of `path` ("Z:\tmp\x\host.exe" for /tmp/x/host.exe on
// Linux). A relative path is taken from the current directory; names are
// UTF-8 on Linux.
std::wstring windowsPathOf(const std::filesystem::path& path);

namespace host {

// The file a Windows path names here; empty when it names none (on Linux,
// a path off drive Z:).
std::filesystem::path pathOf(std::wstring_view windowsPath);

// The file opened with a C library mode ("rb"), as the Windows C library
// opens it: null, with errno EACCES, for a directory.
std::FILE* openFile(const std::filesystem::path& path, const std::string& mode);

// The variable in the process's environment as it is now (UTF-16 units),
// or nothing when it is not set.
std::optional<std::wstring> environmentVariable(std::wstring_view name);

// The program this process runs.
std::filesystem::path runningExecutable();

// The text to the system's debugger, where there is one to reach.
void toDebugger(std::wstring_view text);

// Distinguishes this process's temporary files from another's.
std::string processTag();
// Distinguishes one user's default files from another's.
std::string userTag();

}  // namespace host
}  // namespace emulated
