// A lock whose close failed: the handle is never closed a second time.
// (Every platform failure of each lock operation, with its code and the
// system's text, is the platform-fault sweep's.)
#include "api/mode_switch_lock.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

namespace tamo::test {
namespace {

using emulated::Faults;

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
