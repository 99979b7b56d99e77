// Every allocation an exported function makes, failing in turn.
//
// This program replaces the global operator new (replaced_new.h) and wraps
// malloc (linked with -Wl,--wrap=malloc, which reaches the library's own
// calls of it).
// While armed, allocations are counted and the nth one fails: operator new
// throws std::bad_alloc (the nothrow form returns null), malloc returns
// null. Allocations made inside the emulated Windows are counted but never
// failed: Windows reports running out of memory through its own results,
// and a failure injected there would test the emulation. They are told
// apart by the call stack (the program exports its symbols for dladdr).
//
// What each failure must give, as the library documents it: memory
// running out while hmd_config.ini is read or its table made counts as a
// file that could not be read (built-in table, see-through refused); the interface-detail block
// that cannot be had skips its interface with a line; every other failure
// ends the call with SOUND_ERROR_OUT_OF_MEMORY. Whatever happens, nothing
// is held afterwards (LeakSanitizer checks the heap at exit).
#include "sweep_world.h"

#include "api/library_state.h"
#include "platform_test.h"
#include "platform/line_redirect.h"
#include "replaced_new.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <execinfo.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <tuple>

extern "C" void* __real_malloc(std::size_t size);

namespace {

enum class Kind { None, New, Malloc };

std::atomic<bool> armed{false};
std::atomic<long> allocationsLeft{0};
std::atomic<long> allocationsSeen{0};
std::atomic<Kind> failedKind{Kind::None};
std::atomic<bool> failedInConfigRead{false};
std::atomic<bool> failedInSwitchRead{false};
thread_local bool inspecting = false;

struct Stack {
    bool platform = false;
    bool configRead = false;
    bool switchRead = false;
};

Stack inspectStack() {
    void* frames[128];
    int count = backtrace(frames, 128);
    Stack stack;
    for (int i = 0; i < count; ++i) {
        Dl_info info;
        if (dladdr(frames[i], &info) == 0 || info.dli_sname == nullptr) continue;
        if (tamo::test::isPlatformSymbol(info.dli_sname)) stack.platform = true;
        if (std::strstr(info.dli_sname, "17decideDeviceTable") || std::strstr(info.dli_sname, "16decideSeeThrough") ||
            std::strstr(info.dli_sname, "10printLines")) {
            stack.configRead = true;
        }
        if (std::strstr(info.dli_sname, "19isSeeThroughEnabled")) stack.switchRead = true;
    }
    return stack;
}

bool failThisAllocation(Kind kind) {
    if (!armed.load() || inspecting) return false;
    ++allocationsSeen;
    if (allocationsLeft.fetch_sub(1) != 0) return false;
    inspecting = true;
    Stack stack = inspectStack();
    inspecting = false;
    if (stack.platform) return false;
    failedKind = kind;
    // Anything the file's decisions cost counts as a file that could not
    // be read, the built-in table they fall back on included: it is made
    // again once the shortage has ended the decision.
    failedInConfigRead = stack.configRead;
    failedInSwitchRead = stack.switchRead;
    return true;
}

}  // namespace

extern "C" void* __wrap_malloc(std::size_t size) {
    if (failThisAllocation(Kind::Malloc)) return nullptr;
    return __real_malloc(size);
}

bool tamo::test::failThisNew(bool) { return failThisAllocation(Kind::New); }

namespace tamo::sweep {
namespace {

using emulated::System;

std::atomic<std::size_t> casesRun{0};
std::atomic<std::size_t> failuresInjected{0};
std::atomic<std::size_t> mallocFailuresInjected{0};

struct Outcome {
    StatusCode result = 0;
    std::vector<std::string> lines;
    Kind failed = Kind::None;
    bool inConfigRead = false;
    bool inSwitchRead = false;
};

// The call with allocation number `n` (from 0) failing, if it is the
// library's; a negative `n` fails nothing.
Outcome runFailing(const ExportCall& call, long n) {
    Outcome outcome;
    failedKind = Kind::None;
    allocationsSeen = 0;
    allocationsLeft = n < 0 ? std::numeric_limits<long>::max() : n;
    {
        LineRedirect out;
        armed = true;
        outcome.result = call.call();
        armed = false;
        outcome.lines = out.lines();
    }
    outcome.failed = failedKind;
    outcome.inConfigRead = failedInConfigRead;
    outcome.inSwitchRead = failedInSwitchRead;
    return outcome;
}

// The result the library documents for the allocation that failed.
StatusCode expectedResult(const Outcome& outcome, StatusCode clean, Export kind) {
    switch (outcome.failed) {
    case Kind::None:
        return clean;
    case Kind::Malloc:  // only the interface-detail block; the headset is the only interface
        return SOUND_ERROR_DEVICE_NOT_FOUND;
    case Kind::New:
        if (!outcome.inConfigRead) return SOUND_ERROR_OUT_OF_MEMORY;
        // Every situation's file holds the built-in table or nothing, so
        // only the see-through switch answers differently without it.
        if (kind == Export::SeeThrough && outcome.inSwitchRead) return SOUND_ERROR_SEE_THROUGH_DISABLED;
        return clean;
    }
    return clean;
}

class AllocationSweep : public test::PlatformTest,
                        public ::testing::WithParamInterface<std::tuple<ExportCall, Situation>> {
protected:
    void TearDown() override {
        armed = false;
        world.leave();
        PlatformTest::TearDown();
    }

    World world;
};

TEST_P(AllocationSweep, EveryAllocationFailingInTurn) {
    const auto& [call, situation] = GetParam();
    world.enter(situation, call.kind);
    const Outcome clean = runFailing(call, -1);
    const long allocations = allocationsSeen;
    ++casesRun;

    int failingAllocations = 0;
    for (long n = 0; n < allocations && failingAllocations < 5; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " failing");
        world.enter(situation, call.kind);
        const Outcome outcome = runFailing(call, n);
        ++casesRun;
        if (outcome.failed != Kind::None) ++failuresInjected;
        if (outcome.failed == Kind::Malloc) ++mallocFailuresInjected;
        const bool failedBefore = HasFailure();

        EXPECT_EQ(outcome.result, expectedResult(outcome, clean.result, call.kind))
            << (outcome.failed == Kind::Malloc ? "malloc" : "operator new")
            << (outcome.inConfigRead ? " while reading hmd_config.ini" : "");
        if (outcome.failed == Kind::Malloc) {
            EXPECT_TRUE(containsRun(outcome.lines, {"Error: OpenDeviceInterface: malloc failed"}));
        }
        for (const auto& line : outcome.lines) {
            EXPECT_TRUE(isDocumentedLine(line)) << "undocumented line [" << line << "]";
        }
        EXPECT_EQ(System::openHandleCount(), world.baselineHandles) << "handles left open";
        EXPECT_EQ(System::outstandingAllocations(), 0u) << "platform memory left";
        EXPECT_EQ(world.headset->openHandles(), 0u) << "headset left open";
        EXPECT_EQ(lockCount(), world.otherHolderCount) << "semaphore count";
        bool initialised = call.kind == Export::Destroy ? false
                                                        : call.kind != Export::Init || outcome.result == SOUND_OK;
        EXPECT_EQ(isInitialised(), initialised);
        if (!failedBefore && HasFailure()) ++failingAllocations;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryExportInEverySituation, AllocationSweep, everyCallInEverySituation(),
                         callInSituationName);

class CaseCount : public ::testing::Environment {
public:
    void TearDown() override {
        std::cerr << "allocation sweep: " << casesRun << " cases, " << failuresInjected
                  << " of them with one of the library's allocations failing (" << mallocFailuresInjected
                  << " of them a malloc)\n";
    }
};
const auto* const caseCount = ::testing::AddGlobalTestEnvironment(new CaseCount);

}  // namespace
}  // namespace tamo::sweep
