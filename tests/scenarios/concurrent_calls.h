// Threads of one host calling the command functions at once, on either
// host: the lock lets one through at a time and turns the others away.
#pragma once

#include "scenario.h"

#include <functional>

namespace tamo::test {

using ExportCall = std::function<StatusCode(Export which, std::int32_t argument, SoundState* record)>;

struct ConcurrentOutcome {
    int succeeded = 0;   // every call that got the lock
    int stateReads = 0;  // ...of them get_state
};

// `threads` threads making `calls` calls each, the three setters (see-through
// allowed) and get_state in turns. Checks what every host sees: each call
// either succeeded or found the lock busy, and at least one succeeded; every
// record read is well-formed and keeps its reserved byte; the only line
// printed is the busy lock's notice.
ConcurrentOutcome callAtOnce(const ExportCall& call, int threads, int calls);

}  // namespace tamo::test
