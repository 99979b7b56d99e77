// Every platform failure of each lock operation: its code and exactly one
// line with the system's text for the injected error.
#include "api/mode_switch_lock.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

namespace tamo::test {
namespace {

using emulated::Faults;

struct LockFault {
    const char* name;
    const char* function;
    DWORD error;
    StatusCode expected;
};

void PrintTo(const LockFault& fault, std::ostream* os) { *os << fault.name; }

class LockFaultTest : public PlatformTest, public ::testing::WithParamInterface<LockFault> {};

TEST_P(LockFaultTest, FailurePrintsTheSystemTextAndReturnsItsCode) {
    const LockFault& fault = GetParam();
    auto expectedLines = systemErrorLines(fault.error);
    ModeSwitchLock lock;
    // Bring the lock to the state in which the failing operation is called.
    std::string function = fault.function;
    if (function != "CreateSemaphoreW") {
        ASSERT_EQ(lock.openLock(), SOUND_OK);
    }
    if (function == "ReleaseSemaphore" || function == "CloseHandle") {
        ASSERT_EQ(lock.tryLock(), SOUND_OK);
    }
    HANDLE before = lock.handle();

    Faults::failCall(function, 1, fault.error);
    StatusCode result;
    {
        LineRedirect out;
        if (function == "CreateSemaphoreW") result = lock.openLock();
        else if (function == "WaitForSingleObject") result = lock.tryLock();
        else if (function == "ReleaseSemaphore") result = lock.unlock();
        else result = lock.closeLock();
        EXPECT_EQ(out.lines(), expectedLines);
    }
    EXPECT_EQ(result, fault.expected);
    EXPECT_EQ(lock.handle(), before) << "a failed operation leaves the handle as it was";
    // Whatever failed, the lock can still be brought back to free and closed.
    if (lock.handle()) {
        if (function == "CloseHandle") {
            EXPECT_EQ(lock.unlock(), SOUND_OK);
        }
        EXPECT_EQ(lock.closeLock(), SOUND_OK);
    }
    EXPECT_EQ(emulated::System::semaphoreCount(kModeSwitchLockName), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    EveryOperation, LockFaultTest,
    ::testing::Values(LockFault{"OpenAccessDenied", "CreateSemaphoreW", ERROR_ACCESS_DENIED, SOUND_ERROR_LOCK_CREATE_FAILED},
                      LockFault{"OpenOutOfMemory", "CreateSemaphoreW", ERROR_NOT_ENOUGH_MEMORY,
                                SOUND_ERROR_LOCK_CREATE_FAILED},
                      LockFault{"TryInvalidHandle", "WaitForSingleObject", ERROR_INVALID_HANDLE,
                                SOUND_ERROR_LOCK_WAIT_FAILED},
                      LockFault{"UnlockTooManyPosts", "ReleaseSemaphore", ERROR_TOO_MANY_POSTS,
                                SOUND_ERROR_LOCK_RELEASE_FAILED},
                      LockFault{"UnlockInvalidHandle", "ReleaseSemaphore", ERROR_INVALID_HANDLE,
                                SOUND_ERROR_LOCK_RELEASE_FAILED},
                      LockFault{"CloseInvalidHandle", "CloseHandle", ERROR_INVALID_HANDLE,
                                SOUND_ERROR_LOCK_CLOSE_FAILED}),
    [](const auto& entry) { return std::string(entry.param.name); });

// A handle whose CloseHandle failed may already name another object: the
// destructor must not close it again. One it was never asked to close, it
// does close.
TEST_F(PlatformTest, DestructorNeverRetriesAFailedClose) {
    {
        ModeSwitchLock lock;
        ASSERT_EQ(lock.openLock(), SOUND_OK);
        Faults::failCall("CloseHandle", 1, ERROR_INVALID_HANDLE);
        LineRedirect out;
        EXPECT_EQ(lock.closeLock(), SOUND_ERROR_LOCK_CLOSE_FAILED);
        emulated::CallLog::clear();
    }
    EXPECT_EQ(emulated::CallLog::count("CloseHandle"), 0u);
    EXPECT_EQ(emulated::System::openHandleCount(emulated::ObjectKind::Semaphore), 1u);
    emulated::System::reset();
    {
        ModeSwitchLock lock;
        ASSERT_EQ(lock.openLock(), SOUND_OK);
    }
    EXPECT_EQ(emulated::System::openHandleCount(emulated::ObjectKind::Semaphore), 0u);
}

TEST_F(PlatformTest, ErrorWithoutASystemMessagePrintsAnEmptyLineAndFreesNothing) {
    ModeSwitchLock lock;
    Faults::failCall("CreateSemaphoreW", 1, 0x2000BEEFu);
    LineRedirect out;
    EXPECT_EQ(lock.openLock(), SOUND_ERROR_LOCK_CREATE_FAILED);
    EXPECT_EQ(out.text(), "\n");
    EXPECT_EQ(emulated::System::outstandingAllocations(), 0u);
}

TEST_F(PlatformTest, FormatMessageFailingStillPrintsTheLine) {
    ModeSwitchLock lock;
    ASSERT_EQ(lock.openLock(), SOUND_OK);
    Faults::failCall("ReleaseSemaphore", 1, ERROR_INVALID_HANDLE);
    Faults::failCall("FormatMessageW", 1, ERROR_NOT_ENOUGH_MEMORY);
    LineRedirect out;
    EXPECT_EQ(lock.unlock(), SOUND_ERROR_LOCK_RELEASE_FAILED);
    EXPECT_EQ(out.text(), "\n");
    EXPECT_EQ(lock.closeLock(), SOUND_OK);
}

}  // namespace
}  // namespace tamo::test
