// Real threads calling the command functions at once: the lock lets exactly
// one through at a time, the others are turned away, and the headset never
// sees two transactions at once.
#include "concurrent_calls.h"
#include "headset_test.h"
#include "native_exports.h"

namespace tamo::test {
namespace {

using P = HeadsetProbe::Kind;

using ConcurrencyTest = HeadsetTest;

TEST_F(ConcurrencyTest, OneCommandAtATimeTheRestAreBusy) {
    allowSeeThrough();
    initialise();
    const ConcurrentOutcome outcome = callAtOnce(callNativeExport, 6, 150);
    EXPECT_EQ(probe->maxOpenAtOnce(), 1u);
    EXPECT_EQ(headset->commandsApplied(), static_cast<std::size_t>(outcome.succeeded))
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
    EXPECT_EQ(stateReads, outcome.stateReads);
}

}  // namespace
}  // namespace tamo::test
