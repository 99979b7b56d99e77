// The shared shape of the command functions: order of the steps, the lock's
// life on every path and which failure decides the result.
#include "api/command_skeleton.h"
#include "api/library_state.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <algorithm>
#include <stdexcept>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::System;

class CommandSkeletonTest : public PlatformTest {
protected:
    // A transaction that records whether it ran and whether it held the lock.
    auto transaction(StatusCode result) {
        return [this, result] {
            ++runs;
            heldDuringRun = System::semaphoreCount(kModeSwitchLockName) == 0;
            return result;
        };
    }
    int runs = 0;
    bool heldDuringRun = false;
};

bool lockGone() { return System::semaphoreCount(kModeSwitchLockName) == std::nullopt; }

TEST_F(CommandSkeletonTest, SuccessRunsTheTransactionsUnderTheLockSilently) {
    LineRedirect out;
    EXPECT_EQ(runUnderLock(transaction(SOUND_OK)), SOUND_OK);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(heldDuringRun);
    EXPECT_TRUE(lockGone());
    EXPECT_EQ(CallLog::calls(), (std::vector<std::string>{"CreateSemaphoreW", "WaitForSingleObject",
                                                           "ReleaseSemaphore", "CloseHandle"}));
}

TEST_F(CommandSkeletonTest, TransactionFailureIsReturnedAndTheLockGivenBack) {
    for (StatusCode failure : {SOUND_ERROR_DEVICE_NOT_FOUND, SOUND_ERROR_OUT_OF_MEMORY, SOUND_ERROR_TRANSFER_FAILED}) {
        runs = 0;
        EXPECT_EQ(runUnderLock(transaction(failure)), failure);
        EXPECT_EQ(runs, 1);
        EXPECT_TRUE(lockGone());
    }
}

TEST_F(CommandSkeletonTest, BusyLockReturnsAtOnceWithoutTransactionAndClosesItsHandle) {
    ModeSwitchLock other;
    ASSERT_EQ(other.openLock(), SOUND_OK);
    ASSERT_EQ(other.tryLock(), SOUND_OK);
    std::size_t handlesBefore = System::openHandleCount();
    std::uint64_t before = System::nowMs();
    {
        LineRedirect out;
        EXPECT_EQ(runUnderLock(transaction(SOUND_OK)), SOUND_ERROR_LOCK_BUSY);
        EXPECT_EQ(out.lines(), std::vector<std::string>{"Handle is exist."});
    }
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(System::nowMs(), before) << "a busy lock is not waited for";
    EXPECT_EQ(System::openHandleCount(), handlesBefore);
    EXPECT_EQ(System::semaphoreCount(kModeSwitchLockName), 0);
    EXPECT_EQ(other.unlock(), SOUND_OK);
    EXPECT_EQ(other.closeLock(), SOUND_OK);
}

// Which code wins when the transactions and the lock's exit steps fail in
// every combination.
struct ExitCase {
    const char* name;
    StatusCode transaction;
    bool unlockFails;
    bool closeFails;
    StatusCode expected;
};

class LockExitPrecedenceTest : public CommandSkeletonTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(LockExitPrecedenceTest, FirstFailingStepWins) {
    const ExitCase& c = GetParam();
    std::vector<std::string> expectedLines;
    if (c.unlockFails) {
        Faults::failCall("ReleaseSemaphore", 1, ERROR_TOO_MANY_POSTS);
        expectedLines = systemErrorLines(ERROR_TOO_MANY_POSTS);
    }
    if (c.closeFails) {
        Faults::failCall("CloseHandle", 1, ERROR_INVALID_HANDLE);
        auto closeLines = systemErrorLines(ERROR_INVALID_HANDLE);
        expectedLines.insert(expectedLines.end(), closeLines.begin(), closeLines.end());
    }
    LineRedirect out;
    EXPECT_EQ(runUnderLock(transaction(c.transaction)), c.expected);
    EXPECT_EQ(out.lines(), expectedLines) << "both exit steps run whatever came before";
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(CallLog::count("ReleaseSemaphore"), 1u);
    EXPECT_GE(CallLog::count("CloseHandle"), 1u);
    if (c.closeFails) {
        // A close that failed is not tried again: its handle may no longer
        // be the lock's. Here the emulation kept it (still taken when the
        // release failed as well).
        EXPECT_EQ(System::openHandleCount(emulated::ObjectKind::Semaphore), 1u);
        EXPECT_EQ(System::semaphoreCount(kModeSwitchLockName), c.unlockFails ? 0 : 1);
        System::reset();
    } else {
        EXPECT_TRUE(lockGone());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Exit, LockExitPrecedenceTest,
    ::testing::Values(
        ExitCase{"UnlockFails", SOUND_OK, true, false, SOUND_ERROR_LOCK_RELEASE_FAILED},
        ExitCase{"CloseFails", SOUND_OK, false, true, SOUND_ERROR_LOCK_CLOSE_FAILED},
        ExitCase{"UnlockWinsOverClose", SOUND_OK, true, true, SOUND_ERROR_LOCK_RELEASE_FAILED},
        ExitCase{"TransactionWinsOverUnlock", SOUND_ERROR_TRANSFER_FAILED, true, false, SOUND_ERROR_TRANSFER_FAILED},
        ExitCase{"TransactionWinsOverClose", SOUND_ERROR_DEVICE_NOT_FOUND, false, true, SOUND_ERROR_DEVICE_NOT_FOUND},
        ExitCase{"TransactionWinsOverBoth", SOUND_ERROR_TRANSFER_FAILED, true, true, SOUND_ERROR_TRANSFER_FAILED}),
    [](const auto& entry) { return std::string(entry.param.name); });

TEST_F(CommandSkeletonTest, AnExceptionStillReleasesAndClosesTheLock) {
    bool held = false;
    EXPECT_THROW(runUnderLock([&]() -> StatusCode {
                     held = System::semaphoreCount(kModeSwitchLockName) == 0;
                     throw std::bad_alloc();
                 }),
                 std::bad_alloc);
    EXPECT_TRUE(held);
    EXPECT_TRUE(lockGone());
    // And the next command finds it free.
    EXPECT_EQ(runUnderLock(transaction(SOUND_OK)), SOUND_OK);
}

TEST_F(CommandSkeletonTest, AnExceptionWithAFailingReleaseStillClosesTheHandle) {
    auto expectedLines = systemErrorLines(ERROR_INVALID_HANDLE);
    Faults::failCall("ReleaseSemaphore", 1, ERROR_INVALID_HANDLE);
    LineRedirect out;
    EXPECT_THROW(runUnderLock([]() -> StatusCode { throw std::bad_alloc(); }), std::bad_alloc);
    EXPECT_EQ(out.lines(), expectedLines);
    EXPECT_EQ(CallLog::count("ReleaseSemaphore"), 1u);
    EXPECT_TRUE(lockGone());
}

TEST_F(CommandSkeletonTest, NotInitialisedComesBeforeThePreconditionAndTheLock) {
    setInitialised(false);
    int checks = 0;
    auto precondition = [&] {
        ++checks;
        return SOUND_OK;
    };
    EXPECT_EQ(runCommand(precondition, transaction(SOUND_OK)), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(checks, 0);
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(CallLog::calls().empty());
}

TEST_F(CommandSkeletonTest, RefusedPreconditionComesBeforeTheLock) {
    setInitialised(true);
    ModeSwitchLock other;  // even a busy lock is not looked at
    ASSERT_EQ(other.openLock(), SOUND_OK);
    ASSERT_EQ(other.tryLock(), SOUND_OK);
    CallLog::clear();
    for (StatusCode refusal : {SOUND_ERROR_SEE_THROUGH_DISABLED, SOUND_ERROR_INVALID_ARGUMENT}) {
        EXPECT_EQ(runCommand([refusal] { return refusal; }, transaction(SOUND_OK)), refusal);
    }
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(CallLog::calls().empty());
    EXPECT_EQ(other.unlock(), SOUND_OK);
    EXPECT_EQ(other.closeLock(), SOUND_OK);
}

TEST_F(CommandSkeletonTest, AcceptedPreconditionLeadsToTheTransactions) {
    setInitialised(true);
    EXPECT_EQ(runCommand([] { return SOUND_OK; }, transaction(SOUND_OK)), SOUND_OK);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(heldDuringRun);
}

}  // namespace
}  // namespace tamo::test
