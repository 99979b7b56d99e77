// Regression: a timed transfer whose cancellation fails.
//
// After a read had waited its 10000 ms in vain, a failing CancelIo left the
// transfer pending, and the library then waited for it without any limit.
// Against a headset that keeps its input report for ten hours the call
// took ten hours; against one that never sends any it never returned.
#include "sweep_world.h"

#include "platform_test.h"
#include "platform/line_redirect.h"

#include <gtest/gtest.h>

namespace tamo::sweep {
namespace {

using emulated::Faults;
using emulated::System;

class FailedCancellation : public test::PlatformTest {
protected:
    void TearDown() override {
        world.leave();
        PlatformTest::TearDown();
    }

    // The call's result and the virtual time it took, with the first
    // CancelIo failing against the late headset.
    std::pair<StatusCode, std::uint64_t> runAgainstLateHeadset(Export kind, StatusCode (*call)()) {
        world.enter(Situation::HeadsetLate, kind);
        Faults::failCall("CancelIo", 1, ERROR_INVALID_HANDLE);
        const std::uint64_t start = System::nowMs();
        LineRedirect out;
        StatusCode result = call();
        EXPECT_TRUE(out.lines().empty());
        EXPECT_EQ(Faults::fired(), 1u);
        return {result, System::nowMs() - start};
    }

    World world;
};

TEST_F(FailedCancellation, InitStillEndsAtTheTimeLimit) {
    auto [result, elapsedMs] = runAgainstLateHeadset(Export::Init, [] { return qor_tamo_sound_init(); });
    EXPECT_EQ(result, SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(elapsedMs, 10000u);
    EXPECT_EQ(System::openHandleCount(), 0u);
    EXPECT_EQ(world.headset->openHandles(), 0u);
}

TEST_F(FailedCancellation, GetStateStillEndsAtTheTimeLimit) {
    auto [result, elapsedMs] = runAgainstLateHeadset(Export::GetState, [] {
        SoundState state{};
        return qor_tamo_sound_get_state(&state);
    });
    EXPECT_EQ(result, SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(elapsedMs, 10000u);
    EXPECT_EQ(System::openHandleCount(), 0u);
    EXPECT_EQ(world.headset->openHandles(), 0u);
    EXPECT_EQ(lockCount(), std::nullopt);
}

}  // namespace
}  // namespace tamo::sweep
