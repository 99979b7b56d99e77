// Names and plain explanations of the library's result codes.
#pragma once

#include "exit_status.h"
#include "tamo_settings.h"

#include <string>

namespace tamo::tool {

struct StatusText {
    const char* name;         // "SOUND_ERROR_DEVICE_NOT_FOUND"
    std::string explanation;  // "no headset matching the device table is connected"
    ExitStatus exitStatus;    // the failure class the code belongs to
};

// Every code the library defines has its own text; any other value is named
// "UNKNOWN_STATUS_CODE".
StatusText describeStatus(StatusCode code);

// "SOUND_ERROR_DEVICE_NOT_FOUND (-1997): no headset matching the device table is connected"
std::string statusLine(StatusCode code);

// The failure codes that lead to `status`, as "-1994, -1993, -1992, -1991".
std::string resultCodesOf(ExitStatus status);

}  // namespace tamo::tool
