// The mode-switch lock against the platform's named semaphores.
#include "api/mode_switch_lock.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <functional>

namespace tamo::test {
namespace {

using LockTest = PlatformTest;

// A caller that finds the lock free: open, take, release, close, each OK.
void expectFreeCycle(ModeSwitchLock& lock) {
    EXPECT_EQ(lock.openLock(), SOUND_OK);
    EXPECT_NE(lock.handle(), nullptr);
    EXPECT_EQ(lock.tryLock(), SOUND_OK);
    EXPECT_EQ(lock.unlock(), SOUND_OK);
    EXPECT_EQ(lock.closeLock(), SOUND_OK);
}

TEST_F(LockTest, LoneCallerRunsTheWholeCycleSilently) {
    LineRedirect out;
    ModeSwitchLock lock;
    expectFreeCycle(lock);
    EXPECT_EQ(out.text(), "");
}

TEST_F(LockTest, SecondHolderIsBusyAndItsOpenSaysTheHandleExists) {
    ModeSwitchLock first;
    ASSERT_EQ(first.openLock(), SOUND_OK);
    ASSERT_EQ(first.tryLock(), SOUND_OK);

    ModeSwitchLock second;
    LineRedirect out;
    EXPECT_EQ(second.openLock(), SOUND_OK);
    EXPECT_EQ(second.tryLock(), SOUND_ERROR_LOCK_BUSY);
    EXPECT_EQ(second.closeLock(), SOUND_OK);
    EXPECT_EQ(out.text(), "Handle is exist.\n") << "busy is silent; only the open reports the existing object";

    EXPECT_EQ(first.unlock(), SOUND_OK);
    // Released: the next caller (whose open still finds the object) gets it.
    ModeSwitchLock third;
    expectFreeCycle(third);
    EXPECT_EQ(first.closeLock(), SOUND_OK);
}

TEST_F(LockTest, SemaphoreDisappearsWithItsLastHandle) {
    {
        ModeSwitchLock holder;
        ASSERT_EQ(holder.openLock(), SOUND_OK);
        ASSERT_EQ(holder.tryLock(), SOUND_OK);
        ASSERT_EQ(holder.closeLock(), SOUND_OK);  // closed while held: count stays 0 in the object
    }
    // The object is gone, so the next caller creates it afresh, free.
    LineRedirect out;
    ModeSwitchLock next;
    expectFreeCycle(next);
    EXPECT_EQ(out.text(), "");
}

TEST_F(LockTest, UnlockingAFreeSemaphoreFailsWithTheSystemText) {
    auto expected = systemErrorLines(ERROR_TOO_MANY_POSTS);
    ModeSwitchLock lock;
    ASSERT_EQ(lock.openLock(), SOUND_OK);
    {
        LineRedirect out;
        EXPECT_EQ(lock.unlock(), SOUND_ERROR_LOCK_RELEASE_FAILED);
        EXPECT_EQ(out.lines(), expected);
    }
    EXPECT_EQ(lock.closeLock(), SOUND_OK);
}

TEST_F(LockTest, DestructorClosesAHandleTheCallerLeftOpen) {
    {
        ModeSwitchLock lock;
        ASSERT_EQ(lock.openLock(), SOUND_OK);
    }
    ModeSwitchLock again;
    LineRedirect out;
    ASSERT_EQ(again.openLock(), SOUND_OK);
    EXPECT_EQ(out.text(), "") << "no other handle to the semaphore may survive";
    EXPECT_EQ(again.closeLock(), SOUND_OK);
}

}  // namespace
}  // namespace tamo::test
