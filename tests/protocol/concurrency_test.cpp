// Real threads calling the command functions at once: the lock lets exactly
// one through at a time, the others are turned away, and the headset never
// sees two transactions at once.
#include "headset_test.h"
#include "platform/line_redirect.h"

#include <atomic>
#include <thread>

namespace tamo::test {
namespace {

using P = HeadsetProbe::Kind;

using ConcurrencyTest = HeadsetTest;

TEST_F(ConcurrencyTest, OneCommandAtATimeTheRestAreBusy) {
    constexpr int kThreads = 6;
    constexpr int kCalls = 150;
    allowSeeThrough();
    initialise();

    std::atomic<int> succeeded{0};
    std::atomic<int> busy{0};
    std::atomic<int> unexpected{0};
    std::atomic<int> stateSucceeded{0};
    std::atomic<int> badState{0};
    LineRedirect out;
    {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kCalls; ++i) {
                    StatusCode result;
                    switch ((t + i) % 4) {
                    case 0:
                        result = qor_tamo_sound_set_audio_mode(i % 3);
                        break;
                    case 1:
                        result = qor_tamo_sound_set_hi_power_state(static_cast<std::uint8_t>(i % 2));
                        break;
                    case 2:
                        result = qor_tamo_sound_set_see_through_state(static_cast<std::uint8_t>(i % 2));
                        break;
                    default: {
                        SoundState state{0x5A, 9, 9};
                        result = qor_tamo_sound_get_state(&state);
                        if (result == SOUND_OK) {
                            ++stateSucceeded;
                            if (state.reserved != 0x5A || state.hiPowerState > 1 || state.audioMode < 0 ||
                                state.audioMode > 2) {
                                ++badState;
                            }
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
    for (const auto& line : out.lines()) EXPECT_EQ(line, "Handle is exist.");

    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_EQ(badState.load(), 0);
    EXPECT_EQ(succeeded.load() + busy.load(), kThreads * kCalls);
    EXPECT_GT(succeeded.load(), 0);
    EXPECT_EQ(probe->maxOpenAtOnce(), 1u);
    EXPECT_EQ(headset->commandsApplied(), static_cast<std::size_t>(succeeded.load()))
        << "every command that succeeded, and only those, reached the headset";
    EXPECT_TRUE(lockGone());

    // Cut the headset's record into transactions: each runs on one thread
    // from its open to its close, and a state read's three transactions
    // follow one another from the same thread.
    struct Transaction {
        std::thread::id thread;
        std::vector<HeadsetProbe::Event> events;
    };
    std::vector<Transaction> transactions;
    bool open = false;
    for (const auto& event : probe->events()) {
        if (event.kind == P::Open) {
            ASSERT_FALSE(open) << "a transaction began inside another";
            transactions.push_back({event.thread, {}});
            open = true;
            continue;
        }
        ASSERT_TRUE(open) << "an exchange outside any transaction";
        ASSERT_EQ(event.thread, transactions.back().thread) << "another thread inside a transaction";
        if (event.kind == P::Close) open = false;
        else transactions.back().events.push_back(event);
    }
    EXPECT_FALSE(open);
    int stateReads = 0;
    for (std::size_t i = 0; i < transactions.size(); ++i) {
        const auto& events = transactions[i].events;
        ASSERT_EQ(events.size(), 1u);
        if (events[0].kind != P::SetFeature || events[0].functionCode != 0x01) continue;
        ++stateReads;
        ASSERT_LT(i + 2, transactions.size());
        EXPECT_EQ(transactions[i + 1].thread, transactions[i].thread);
        EXPECT_EQ(transactions[i + 1].events[0].kind, P::GetFeature);
        EXPECT_EQ(transactions[i + 2].thread, transactions[i].thread);
        EXPECT_EQ(transactions[i + 2].events[0].kind, P::Read);
    }
    EXPECT_EQ(stateReads, stateSucceeded.load());
}

}  // namespace
}  // namespace tamo::test
