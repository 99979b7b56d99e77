// Text encodings and file paths as the tool meets them.
//
// The tool works in UTF-8; Windows paths are UTF-16. On the native build the
// emulated Windows maps drive Z: to the root of the host's file system, as
// Wine does, so a host path /tmp/x is the Windows path Z:\tmp\x.
#pragma once

#include <string>
#include <string_view>

namespace tamo::tool {

// UTF-16 units (one per element) to UTF-8 and back. Unpaired surrogates
// and invalid UTF-8 bytes become U+FFFD.
std::string utf8FromWide(std::wstring_view units);
std::wstring wideFromUtf8(std::string_view text);

// The directory of the running program, as Windows names it (on the native
// build: the host directory under Z:).
std::wstring programDirectoryWide();

// The Windows path for a path given on the command line.
std::wstring windowsPathOf(const std::string& argument);

#if !defined(_WIN32)
// The host directory of the running program.
std::string programDirectoryHost();
#endif

}  // namespace tamo::tool
