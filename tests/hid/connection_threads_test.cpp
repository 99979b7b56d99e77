// Connections on several threads at once against one headset: each has its
// own handle and input queue, and nothing is left open.
#include "hid/hid_device_connection.h"
#include "hid_test_support.h"
#include "platform_test.h"

#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace tamo::test {
namespace {

using ConnectionThreadsTest = PlatformTest;

TEST_F(ConnectionThreadsTest, ConcurrentTransactionsEachGetTheirOwnStatusReport) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 150;
    auto headset = plugHeadset();
    headset->setAudioMode(2);
    std::atomic<int> failures{0};
    std::atomic<bool> stop{false};

    // Commands arrive meanwhile; they change see-through, not the audio mode.
    std::thread commander([&] {
        while (!stop) headset->setSeeThrough(!headset->seeThrough());
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                HidDeviceConnection connection({headsetEntry()});
                std::array<std::uint8_t, kReportSize> report{};
                const bool read = connection.open() && connection.readInputReport(report) == TransferResult::Completed;
                if (!read || report[10] != 2) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    stop = true;
    commander.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(headset->opens(), std::size_t{kThreads * kRounds});
    EXPECT_EQ(headset->closes(), headset->opens());
    EXPECT_EQ(headset->inputReportsDelivered(), std::size_t{kThreads * kRounds});
}

}  // namespace
}  // namespace tamo::test
