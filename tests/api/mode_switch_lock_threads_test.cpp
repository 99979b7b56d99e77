// Real threads contending for the lock through the emulated semaphore.
#include "api/mode_switch_lock.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <atomic>
#include <thread>
#include <vector>

namespace tamo::test {
namespace {

using LockThreadsTest = PlatformTest;

TEST_F(LockThreadsTest, NeverTwoHoldersAtOnce) {
    constexpr int kThreads = 8;
    constexpr int kCycles = 2000;
    std::atomic<int> holders{0};
    std::atomic<int> maxHolders{0};
    std::atomic<int> taken{0};
    std::atomic<int> unexpected{0};

    LineRedirect out;  // "Handle is exist." lines are expected here
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kCycles; ++i) {
                ModeSwitchLock lock;
                if (lock.openLock() != SOUND_OK) {
                    ++unexpected;
                    continue;
                }
                StatusCode result = lock.tryLock();
                if (result == SOUND_OK) {
                    int now = ++holders;
                    int seen = maxHolders.load();
                    while (now > seen && !maxHolders.compare_exchange_weak(seen, now)) {
                    }
                    std::this_thread::yield();
                    --holders;
                    ++taken;
                    if (lock.unlock() != SOUND_OK) ++unexpected;
                } else if (result != SOUND_ERROR_LOCK_BUSY) {
                    ++unexpected;
                }
                if (lock.closeLock() != SOUND_OK) ++unexpected;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& line : out.lines()) EXPECT_EQ(line, "Handle is exist.");

    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_EQ(maxHolders.load(), 1);
    EXPECT_GT(taken.load(), 0);
    EXPECT_EQ(emulated::System::semaphoreCount(kModeSwitchLockName), std::nullopt);
}

}  // namespace
}  // namespace tamo::test
