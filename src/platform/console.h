// Diagnostic lines: the one way every layer of the library reports.
//
// By default a line goes to the process's standard output (C stdio's
// stdout); while a LineRedirect lives, it goes there instead.
#pragma once

#include <string>
#include <string_view>

namespace tamo {

// Writes `text` and an end of line as one line, then flushes. The line is
// written while the stream is locked, so lines of different threads never
// mix, and it is flushed at once, so it stands in order among the host's
// own output.
void printLine(std::string_view text);

// The same for wide `text` (UTF-16 units). On Windows the C runtime
// converts it as wprintf does; elsewhere it is written as UTF-8, since a
// glibc stream has a single orientation and the narrow lines share it.
void printWideLine(const std::wstring& text);

}  // namespace tamo
