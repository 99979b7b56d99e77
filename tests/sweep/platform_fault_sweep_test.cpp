// Every platform call an exported function makes, failing in turn.
//
// For each exported call in each situation the call is first made cleanly
// and its platform calls recorded; then it is made once more per recorded
// call, with exactly that call failing the way Windows reports such a
// failure. Each time the result must be the code documented for that
// failure (or the clean result where the failure is one the library
// ignores), nothing may be left open or allocated, the mode-switch
// semaphore must be free again (or gone), the call must stay within its
// documented waits, and standard output may hold only documented lines,
// among them the ones that failure prints.
#include "sweep_world.h"

#include "api/library_state.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iostream>
#include <tuple>

namespace tamo::sweep {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::ObjectKind;
using emulated::System;

std::atomic<std::size_t> casesRun{0};

// What one exported call did.
struct Outcome {
    StatusCode result = 0;
    std::vector<std::string> calls;
    std::vector<std::string> lines;
    std::uint64_t elapsedMs = 0;
};

Outcome run(const ExportCall& call) {
    Outcome outcome;
    const std::uint64_t start = System::nowMs();
    {
        LineRedirect out;
        outcome.result = call.call();
        outcome.lines = out.lines();
    }
    outcome.elapsedMs = System::nowMs() - start;
    outcome.calls = CallLog::calls();
    return outcome;
}

bool usesConfig(Situation situation) {
    return situation == Situation::SeeThroughConfig || situation == Situation::LockOpenElsewhere ||
           situation == Situation::LockBusy || situation == Situation::HeadsetLate;
}

// The documented result of each call in each situation without any fault.
StatusCode cleanResult(Export kind, Situation situation) {
    const bool absent = situation == Situation::HeadsetAbsent;
    const bool busy = situation == Situation::LockBusy;
    const bool late = situation == Situation::HeadsetLate;
    switch (kind) {
    case Export::Destroy:
        return SOUND_OK;
    case Export::Init:  // takes no lock
        return absent ? SOUND_ERROR_DEVICE_NOT_FOUND : late ? SOUND_ERROR_TRANSFER_FAILED : SOUND_OK;
    case Export::SeeThrough:  // the switch is asked before the lock
        if (!usesConfig(situation)) return SOUND_ERROR_SEE_THROUGH_DISABLED;
        return busy ? SOUND_ERROR_LOCK_BUSY : SOUND_OK;
    case Export::AudioMode:
    case Export::HiPower:  // feature reports only: a late input channel does not matter
        return absent ? SOUND_ERROR_DEVICE_NOT_FOUND : busy ? SOUND_ERROR_LOCK_BUSY : SOUND_OK;
    case Export::GetState:
        return absent ? SOUND_ERROR_DEVICE_NOT_FOUND
               : busy ? SOUND_ERROR_LOCK_BUSY
               : late ? SOUND_ERROR_TRANSFER_FAILED
                      : SOUND_OK;
    }
    return SOUND_OK;
}

// What a failing platform call stands for in the recorded sequence.
enum class Role {
    LockCreate,
    LockWait,
    LockRelease,
    LockClose,
    SwitchRead,       // reading hmd_config.ini for the see-through switch
    ConfigRead,       // reading it for a device table
    Harmless,         // a call that cannot fail, or whose failure changes nothing
    Enumerate,        // SetupDiGetClassDevsW
    NextInterface,    // SetupDiEnumDeviceInterfaces
    InterfaceDetail,  // either SetupDiGetDeviceInterfaceDetailW call
    DeviceOpen,       // CreateFileW
    Attributes,       // HidD_GetAttributes
    DeviceTest,       // product string or capabilities of the only candidate
    FreeCaps,         // HidD_FreePreparsedData
    FeatureTransfer,  // HidD_SetFeature, HidD_GetFeature
    TransferEvent,    // CreateEventW
    TimedTransfer,    // ReadFile, WriteFile
    TransferWait,     // WaitForSingleObject on the completion event
    TransferStatus,   // GetOverlappedResult of a transfer that completed in time
    AfterTimeOut,     // CancelIo, GetOverlappedResult
    CloseEvent,
    CloseDevice,
    DestroySet,
    Unknown,
};

Role roleOf(const std::vector<std::string>& calls, std::size_t at, Export kind) {
    const std::string& name = calls[at];
    auto before = [&](std::size_t back) -> std::string { return at >= back ? calls[at - back] : std::string(); };
    auto after = [&]() -> std::string { return at + 1 < calls.size() ? calls[at + 1] : std::string(); };
    if (name == "CreateSemaphoreW") return Role::LockCreate;
    if (name == "WaitForSingleObject") return before(1) == "CreateSemaphoreW" ? Role::LockWait : Role::TransferWait;
    if (name == "ReleaseSemaphore") return Role::LockRelease;
    if (name == "CloseHandle") {
        if (before(1) == "ReleaseSemaphore" || (before(1) == "WaitForSingleObject" && before(2) == "CreateSemaphoreW")) {
            return Role::LockClose;
        }
        return after() == "SetupDiDestroyDeviceInfoList" ? Role::CloseDevice : Role::CloseEvent;
    }
    if (name == "GetModuleFileNameW" || name == "_wfopen") {
        auto lock = std::find(calls.begin(), calls.end(), "CreateSemaphoreW");
        bool beforeLock = static_cast<std::size_t>(lock - calls.begin()) > at;
        return kind == Export::SeeThrough && beforeLock ? Role::SwitchRead : Role::ConfigRead;
    }
    // GetModuleFileNameW(null module) names the executable by itself.
    if (name == "GetModuleHandleW" || name == "HidD_GetHidGuid" || name == "Sleep" || name == "LocalFree") {
        return Role::Harmless;
    }
    if (name == "SetupDiGetClassDevsW") return Role::Enumerate;
    if (name == "SetupDiEnumDeviceInterfaces") return Role::NextInterface;
    if (name == "SetupDiGetDeviceInterfaceDetailW") return Role::InterfaceDetail;
    if (name == "CreateFileW") return Role::DeviceOpen;
    if (name == "HidD_GetAttributes") return Role::Attributes;
    if (name == "HidD_GetProductString" || name == "HidD_GetPreparsedData" || name == "HidP_GetCaps") {
        return Role::DeviceTest;
    }
    if (name == "HidD_FreePreparsedData") return Role::FreeCaps;
    if (name == "HidD_SetFeature" || name == "HidD_GetFeature") return Role::FeatureTransfer;
    if (name == "CreateEventW") return Role::TransferEvent;
    if (name == "ReadFile" || name == "WriteFile") return Role::TimedTransfer;
    if (name == "GetOverlappedResult" && before(1) == "WaitForSingleObject") return Role::TransferStatus;
    if (name == "CancelIo" || name == "GetOverlappedResult") return Role::AfterTimeOut;
    if (name == "SetupDiDestroyDeviceInfoList") return Role::DestroySet;
    return Role::Unknown;
}

struct Expectation {
    StatusCode result = SOUND_OK;
    std::vector<std::string> lines;  // printed as a run among the others
    // A release the emulation was told to fail did not happen: its object
    // stays, and nothing else may.
    std::optional<ObjectKind> leftHandle;
    std::size_t leftAllocations = 0;
    bool lockLeftTaken = false;  // a failed release leaves the count at 0
    bool nothingSent = false;
    bool fullTimeOut = false;
};

// A command's result after its transactions succeeded: a failed release
// or close of the lock counts, after a failed transaction it is dropped.
StatusCode lockStepResult(StatusCode clean, StatusCode failure) { return clean == SOUND_OK ? failure : clean; }

Expectation expectationFor(const Outcome& clean, std::size_t at, Export kind) {
    const std::string& name = clean.calls[at];
    const DWORD error = Faults::typicalError(name);
    Expectation e;
    e.result = clean.result;
    switch (roleOf(clean.calls, at, kind)) {
    case Role::LockCreate:
        e.result = SOUND_ERROR_LOCK_CREATE_FAILED;
        e.lines = test::systemErrorLines(error);
        e.nothingSent = true;
        break;
    case Role::LockWait:
        e.result = SOUND_ERROR_LOCK_WAIT_FAILED;
        e.lines = test::systemErrorLines(error);
        e.nothingSent = true;
        break;
    case Role::LockRelease:
        e.result = lockStepResult(clean.result, SOUND_ERROR_LOCK_RELEASE_FAILED);
        e.lines = test::systemErrorLines(error);
        e.lockLeftTaken = true;
        break;
    case Role::LockClose:
        e.result = lockStepResult(clean.result, SOUND_ERROR_LOCK_CLOSE_FAILED);
        e.lines = test::systemErrorLines(error);
        e.leftHandle = ObjectKind::Semaphore;  // a failed close is not tried again
        break;
    case Role::SwitchRead:
        e.result = SOUND_ERROR_SEE_THROUGH_DISABLED;
        e.nothingSent = true;
        break;
    case Role::ConfigRead:  // every situation's file holds the built-in table, or none at all
    case Role::Harmless:
    case Role::AfterTimeOut:
        break;
    case Role::Enumerate:
        e.result = SOUND_ERROR_DEVICE_NOT_FOUND;
        e.lines = {"SetupDiGetClassDevs failed: " + std::to_string(error)};
        break;
    case Role::NextInterface:
    case Role::DeviceOpen:
    case Role::DeviceTest:
        e.result = SOUND_ERROR_DEVICE_NOT_FOUND;
        break;
    case Role::InterfaceDetail:
        e.result = SOUND_ERROR_DEVICE_NOT_FOUND;
        e.lines = {"Error: SetupDiGetInterfaceDeviceDetail failed"};
        break;
    case Role::Attributes:
        e.result = SOUND_ERROR_DEVICE_NOT_FOUND;
        e.lines = {"Error: HidD_GetAttributes failed"};
        break;
    case Role::FreeCaps:
        e.leftAllocations = 1;
        break;
    case Role::FeatureTransfer:
    case Role::TransferEvent:
    case Role::TransferWait:
        e.result = SOUND_ERROR_TRANSFER_FAILED;
        break;
    case Role::TimedTransfer:
        e.result = SOUND_ERROR_TRANSFER_FAILED;
        e.fullTimeOut = true;
        break;
    case Role::TransferStatus: {
        // The transfer counts as completed with an error. init's poll goes
        // on past a read that brought another report; past the version
        // reply's it waits in vain for another.
        const bool read = clean.calls[at - 2] == "ReadFile";
        const bool laterRead = std::find(clean.calls.begin() + static_cast<std::ptrdiff_t>(at), clean.calls.end(),
                                         "ReadFile") != clean.calls.end();
        if (!read || kind != Export::Init) {
            e.result = SOUND_ERROR_TRANSFER_FAILED;
        } else if (!laterRead) {
            e.result = SOUND_ERROR_TRANSFER_FAILED;
            e.fullTimeOut = true;
        }
        break;
    }
    case Role::CloseEvent:
        e.leftHandle = ObjectKind::Event;
        break;
    case Role::CloseDevice:
        e.leftHandle = ObjectKind::File;
        break;
    case Role::DestroySet:
        e.leftHandle = ObjectKind::DeviceInfoSet;
        break;
    case Role::Unknown:
        ADD_FAILURE() << "the sweep does not know what a failure of " << name << " means";
        break;
    }
    return e;
}

std::string describe(const Outcome& outcome) {
    std::string text = "calls:";
    for (const auto& call : outcome.calls) text += " " + call;
    text += "\noutput:";
    for (const auto& line : outcome.lines) text += "\n  [" + line + "]";
    return text;
}

class PlatformFaultSweep : public test::PlatformTest,
                           public ::testing::WithParamInterface<std::tuple<ExportCall, Situation>> {
protected:
    void TearDown() override {
        // Releases that were made to fail leave their objects behind on
        // purpose; every case checked its own leftovers.
        world.leave();
        System::reset();
        PlatformTest::TearDown();
    }

    // All checks of one run against what was expected of it.
    void check(const Outcome& outcome, const Expectation& e, const ExportCall& call) {
        SCOPED_TRACE(describe(outcome));
        EXPECT_EQ(outcome.result, e.result);
        const std::size_t leftHandles = e.leftHandle ? 1 : 0;
        EXPECT_EQ(System::openHandleCount(), world.baselineHandles + leftHandles) << "handles left open";
        if (e.leftHandle) {
            // The situation's own holder of the lock has a semaphore handle too.
            const bool holderToo = *e.leftHandle == ObjectKind::Semaphore && world.otherHolderCount.has_value();
            EXPECT_EQ(System::openHandleCount(*e.leftHandle), holderToo ? 2u : 1u) << "the handle left is another one";
        }
        EXPECT_EQ(System::outstandingAllocations(), e.leftAllocations) << "platform memory left";
        EXPECT_EQ(world.headset->openHandles(), e.leftHandle == ObjectKind::File ? 1u : 0u) << "headset left open";
        if (world.otherHolderCount) {
            EXPECT_EQ(lockCount(), e.lockLeftTaken ? 0 : *world.otherHolderCount) << "semaphore count";
        } else if (e.leftHandle == ObjectKind::Semaphore) {
            EXPECT_EQ(lockCount(), e.lockLeftTaken ? 0 : 1) << "the semaphore whose close failed is free";
        } else {
            EXPECT_EQ(lockCount(), std::nullopt) << "semaphore still open";
        }
        for (const auto& line : outcome.lines) {
            EXPECT_TRUE(isDocumentedLine(line)) << "undocumented line [" << line << "]";
        }
        if (!e.lines.empty()) {
            EXPECT_TRUE(containsRun(outcome.lines, e.lines)) << "the failure's own lines are missing";
        }
        EXPECT_LE(outcome.elapsedMs, call.longestMs) << "longer than the documented waits";
        if (e.fullTimeOut) {
            EXPECT_GE(outcome.elapsedMs, 10000u) << "gave up before the time-out";
        }
        if (e.nothingSent) {
            EXPECT_TRUE(world.headset->received().empty()) << "the headset was sent a report";
        }
        bool wasInitialised = call.kind != Export::Init;
        bool initialised = call.kind == Export::Destroy ? false : wasInitialised || outcome.result == SOUND_OK;
        EXPECT_EQ(isInitialised(), initialised);
    }

    World world;
};

TEST_P(PlatformFaultSweep, EveryPlatformCallFailingInTurn) {
    const auto& [call, situation] = GetParam();

    world.enter(situation, call.kind);
    const Outcome clean = run(call);
    ASSERT_EQ(clean.result, cleanResult(call.kind, situation)) << describe(clean);
    Expectation asDocumented;
    asDocumented.result = clean.result;
    check(clean, asDocumented, call);
    ++casesRun;

    int failingPositions = 0;
    for (std::size_t at = 0; at < clean.calls.size() && failingPositions < 5; ++at) {
        SCOPED_TRACE("call " + std::to_string(at) + " (" + clean.calls[at] + ") failing");
        world.enter(situation, call.kind);
        Faults::failCallAtPosition(at);
        const Outcome outcome = run(call);
        ++casesRun;
        ASSERT_EQ(Faults::fired(), 1u) << "the run took another road before the failing call";
        const bool failedBefore = HasFailure();
        check(outcome, expectationFor(clean, at, call.kind), call);
        if (!failedBefore && HasFailure()) ++failingPositions;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryExportInEverySituation, PlatformFaultSweep, everyCallInEverySituation(),
                         callInSituationName);

// The number of (call, situation, failing position) cases, clean runs
// included, for the record.
class CaseCount : public ::testing::Environment {
public:
    void TearDown() override {
        std::cerr << "platform fault sweep: " << casesRun << " cases\n";
    }
};
const auto* const caseCount = ::testing::AddGlobalTestEnvironment(new CaseCount);

}  // namespace
}  // namespace tamo::sweep
