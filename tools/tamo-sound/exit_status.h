// The exit statuses of tamo-sound, one per class of failure.
//
// They are part of the tool's interface (--help and the README list them):
// scripts test them, so a value never changes meaning.
#pragma once

namespace tamo::tool {

enum ExitStatus : int {
    kExitSuccess = 0,            // every command succeeded
    kExitToolFailure = 1,        // the tool itself failed (library not loadable, internal error)
    kExitUsage = 2,              // bad arguments
    kExitNotFound = 3,           // no headset matching the device table (-1997)
    kExitBusy = 4,               // the mode-switch lock is held by another caller (-1990)
    kExitNotInitialised = 5,     // the library is not initialised (-2000)
    kExitFirmware = 6,           // headset firmware older than 103 (-1985)
    kExitSeeThroughDisabled = 7, // hmd_config.ini does not enable see-through (-1999)
    kExitTransfer = 8,           // a report could not be sent or read (-1995)
    kExitLock = 9,               // the mode-switch lock failed otherwise (-1994 to -1991)
    kExitOutOfMemory = 10,       // memory ran out (-1996)
    kExitRejected = 11,          // the library refused an argument (-1998) or gave an unknown code
    kExitConfigIgnored = 12,     // check-config: the library ignores the file as a whole
    kExitConfigPartlyIgnored = 13,  // check-config: the library ignores part of the file
    kExitOutputFailed = 14,      // standard output could not be written (whatever the commands did)
    kExitConfigEmptyTable = 15,  // check-config: the device table is empty, no headset can be found
};

}  // namespace tamo::tool
