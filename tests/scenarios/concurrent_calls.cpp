#include "concurrent_calls.h"

#include "printed_lines.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tamo::test {
namespace {

constexpr std::uint8_t kReservedByte = 0x5A;

bool wellFormed(const SoundState& state) {
    return state.reserved == kReservedByte && state.hiPowerState <= 1 && state.audioMode >= 0 &&
           state.audioMode <= 2;
}

}  // namespace

ConcurrentOutcome callAtOnce(const ExportCall& call, int threads, int calls) {
    std::atomic<int> succeeded{0};
    std::atomic<int> busy{0};
    std::atomic<int> unexpected{0};
    std::atomic<int> stateReads{0};
    std::atomic<int> badState{0};
    PrintedLines printed;
    {
        std::vector<std::thread> running;
        for (int t = 0; t < threads; ++t) {
            running.emplace_back([&, t] {
                for (int i = 0; i < calls; ++i) {
                    SoundState state{kReservedByte, 9, 9};
                    const int turn = (t + i) % 4;
                    const StatusCode result = turn == 0   ? call(Export::AudioMode, i % 3, nullptr)
                                              : turn == 1 ? call(Export::HiPower, i % 2, nullptr)
                                              : turn == 2 ? call(Export::SeeThrough, i % 2, nullptr)
                                                          : call(Export::GetState, 0, &state);
                    if (turn == 3 && result == SOUND_OK) {
                        ++stateReads;
                        if (!wellFormed(state)) ++badState;
                    }
                    if (result == SOUND_OK) ++succeeded;
                    else if (result == SOUND_ERROR_LOCK_BUSY) ++busy;
                    else ++unexpected;
                }
            });
        }
        for (auto& thread : running) thread.join();
    }
    for (const auto& line : printed.take()) EXPECT_EQ(line, "Handle is exist.");
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_EQ(badState.load(), 0);
    EXPECT_EQ(succeeded + busy, threads * calls);
    EXPECT_GT(succeeded.load(), 0);
    return {succeeded.load(), stateReads.load()};
}

}  // namespace tamo::test
