// Threads of one host calling the command functions at once on Wine: the
// real named semaphore lets one through at a time and turns the others away.
#include "stdout_capture.h"
#include "wine_device_test.h"

#include <atomic>
#include <thread>

namespace tamo::test {
namespace {

using WineConcurrencyTest = WineDeviceTest;

TEST_F(WineConcurrencyTest, OneCommandAtATimeTheRestAreBusy) {
    constexpr int kThreads = 4;
    constexpr int kCalls = 30;
    allowSeeThrough();
    initialise();

    std::atomic<int> succeeded{0};
    std::atomic<int> busy{0};
    std::atomic<int> unexpected{0};
    std::atomic<int> badState{0};
    StdoutCapture out;
    {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kCalls; ++i) {
                    StatusCode result;
                    switch ((t + i) % 4) {
                    case 0:
                        result = dll.audioMode(i % 3);
                        break;
                    case 1:
                        result = dll.hiPower(static_cast<std::uint8_t>(i % 2));
                        break;
                    case 2:
                        result = dll.seeThrough(static_cast<std::uint8_t>(i % 2));
                        break;
                    default: {
                        SoundState state{0x5A, 9, 9};
                        result = dll.state(&state);
                        if (result == SOUND_OK &&
                            (state.reserved != 0x5A || state.hiPowerState > 1 || state.audioMode > 2)) {
                            ++badState;
                        }
                    }
                    }
                    if (result == SOUND_OK) ++succeeded;
                    else if (result == SOUND_ERROR_LOCK_BUSY) ++busy;
                    else ++unexpected;
                }
            });
        }
        for (auto& thread : threads) thread.join();
    }
    out.text();
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_EQ(badState.load(), 0);
    EXPECT_EQ(succeeded + busy, kThreads * kCalls);
    EXPECT_GT(succeeded.load(), 0);
    // Every command that got through sent exactly one command report (a state
    // read its status request); none that was turned away sent anything.
    EXPECT_EQ(commandsSent().size(), static_cast<std::size_t>(succeeded.load()));
    EXPECT_TRUE(lockGone());
}

}  // namespace
}  // namespace tamo::test
