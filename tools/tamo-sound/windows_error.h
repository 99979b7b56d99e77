// Windows errors as a user can act on them: the number, the system's own
// text and, for the ones users of the tool meet most, one line of advice.
#pragma once

#include <string>

namespace tamo::tool {

// What to do about `code`, or null when the tool has no advice for it.
const char* windowsErrorAdvice(unsigned long code);

// "Windows error 126 (The specified module could not be found.); advice: put
// tamo_settings.dll beside tamo-sound.exe ..."; the text in parentheses is
// the system's, left out when it has none.
std::string describeWindowsError(unsigned long code);

// The same from a given system text (as FormatMessageW gives it, with its
// line break and any "%1" insert, which becomes "the file").
std::string describeWindowsError(unsigned long code, std::string systemText);

}  // namespace tamo::tool
