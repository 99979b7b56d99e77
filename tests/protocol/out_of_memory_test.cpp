// The one storage the library asks for without an exception, the copy of a
// command report it hands to the platform: when it cannot be had, nothing is
// sent. (Every allocation failing in turn, in every export and situation, is
// the allocation sweep's.)
//
// This program replaces the global operator new (replaced_new.h). Once
// armed, it lets a given number of allocations through and fails the next
// one the library itself makes; the emulated Windows' own are never failed.
#include "api/library_state.h"
#include "api/mode_switch_lock.h"
#include "headset_test.h"
#include "platform/line_redirect.h"
#include "replaced_new.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <functional>

namespace {

// Armed: every allocation counts down; the one that finds the count at zero
// fails when it is the library's, and the count stops either way.
std::atomic<bool> armed{false};
std::atomic<bool> nothrowOnly{false};  // count and fail only nothrow allocations
std::atomic<long> allocationsLeft{0};
std::atomic<long> allocationsSeen{0};
std::atomic<int> failuresInjected{0};
thread_local bool inspecting = false;

bool failThisAllocation(bool nothrow) {
    if (!armed.load() || inspecting || (nothrowOnly && !nothrow)) return false;
    ++allocationsSeen;
    if (allocationsLeft.fetch_sub(1) != 0) return false;
    armed = false;
    inspecting = true;
    bool fail = !tamo::test::calledFromPlatform();
    inspecting = false;
    if (fail) ++failuresInjected;
    return fail;
}

}  // namespace

bool tamo::test::failThisNew(bool nothrow) { return failThisAllocation(nothrow); }

namespace tamo::test {
namespace {

using emulated::System;

// Runs `call` with allocation number `n` (from 0) failing if it is the
// library's; a negative `n` fails nothing. Returns the call's result.
StatusCode runFailing(long n, const std::function<StatusCode()>& call) {
    failuresInjected = 0;
    allocationsSeen = 0;
    allocationsLeft = n < 0 ? LONG_MAX : n;
    LineRedirect out;
    armed = true;
    StatusCode result = call();
    armed = false;
    return result;
}

using TransferBufferTest = HeadsetTest;

// The only storage the library asks for without an exception is the copy of
// a command report that it hands to the platform.
TEST_F(TransferBufferTest, WhenItCannotBeObtainedNothingIsSent) {
    initialise();
    nothrowOnly = true;
    StatusCode result = runFailing(0, [] { return qor_tamo_sound_set_audio_mode(1); });
    nothrowOnly = false;
    EXPECT_EQ(failuresInjected, 1);
    EXPECT_EQ(result, SOUND_ERROR_OUT_OF_MEMORY);
    EXPECT_EQ(headset->opens(), 1u) << "the headset was opened";
    EXPECT_TRUE(headset->received().empty()) << "but nothing was sent";
    EXPECT_EQ(headset->openHandles(), 0u);
    EXPECT_TRUE(lockGone());
}

}  // namespace
}  // namespace tamo::test
