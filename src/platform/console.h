// Diagnostic lines on standard output.
//
// Every layer writes through C stdio's stdout, so lines from all of them come
// out in the order they were produced, whichever function wrote them.
#pragma once

#include <string>
#include <string_view>

namespace tamo {

// Writes `text`, an end of line, then flushes: the way the device and
// configuration layers report.
void printLine(std::string_view text);

// Writes wide `text` (UTF-16 units) followed by "\n", unflushed. On Windows
// through wprintf; elsewhere as UTF-8, since a glibc stream has a single
// orientation and the narrow lines share it.
void printWideLine(const std::wstring& text);

}  // namespace tamo
