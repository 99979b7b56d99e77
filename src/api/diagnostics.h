// The system's error texts, as the control interface reports them.
#pragma once

#include "platform/win32.h"

#include <string>

namespace tamo {

// The system's message for `code`, whole (with the line break it ends in),
// or an empty text when the system has none.
std::wstring systemErrorText(DWORD code);

// Prints the system's message for the calling thread's last error as one
// line. Call it right after the failing platform call.
void printLastError();

}  // namespace tamo
