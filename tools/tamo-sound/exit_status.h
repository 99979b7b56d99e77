// The exit statuses of tamo-sound, one per class of failure.
//
// They are part of the tool's interface (--help and the README list them):
// scripts test them, so a value never changes meaning.
#pragma once

#include <string>
#include <vector>

namespace tamo::tool {

enum ExitStatus : int {
    kExitSuccess = 0,
    kExitToolFailure = 1,
    kExitUsage = 2,
    kExitNotFound = 3,
    kExitBusy = 4,
    kExitNotInitialised = 5,
    kExitFirmware = 6,
    kExitSeeThroughDisabled = 7,
    kExitTransfer = 8,
    kExitLock = 9,
    kExitOutOfMemory = 10,
    kExitRejected = 11,
    kExitConfigIgnored = 12,
    kExitConfigPartlyIgnored = 13,
    kExitOutputFailed = 14,
    kExitConfigEmptyTable = 15,
    kExitHeadsetNotOpened = 16,
};

// Every exit status the tool can give, in order.
std::vector<ExitStatus> allExitStatuses();

// What an exit status means, in a few words: the summary line and the JSON
// document's "exit_meaning".
std::string exitStatusMeaning(ExitStatus status);

// The table --help prints: each status, its meaning and the library's result
// codes that lead to it.
std::string exitStatusTable();

}  // namespace tamo::tool
