// The mode-switch lock failing around the commands: which failure a caller
// is told of when several meet, and that a failed close is never retried.
// (Every other end-to-end scenario of the commands is in the scenario table.)
#include "api/mode_switch_lock.h"
#include "headset_test.h"
#include "scenario.h"
#include "platform/line_redirect.h"

#include <functional>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::System;
using emulated::VirtualHeadset;

struct SetterCase {
    ExpectedCommand expected;
    std::function<StatusCode()> call;
    // The headset's state after the command.
    std::function<bool(const VirtualHeadset&)> applied;
};

void PrintTo(const SetterCase& c, std::ostream* os) { *os << c.expected.name; }

const SetterCase kSetters[] = {
    {kSeeThroughOn, [] { return qor_tamo_sound_set_see_through_state(1); },
     [](const VirtualHeadset& h) { return h.seeThrough(); }},
    {kSeeThroughOff, [] { return qor_tamo_sound_set_see_through_state(0); },
     [](const VirtualHeadset& h) { return !h.seeThrough(); }},
    {kAudioMode0, [] { return qor_tamo_sound_set_audio_mode(0); },
     [](const VirtualHeadset& h) { return h.audioMode() == 0; }},
    {kAudioMode1, [] { return qor_tamo_sound_set_audio_mode(1); },
     [](const VirtualHeadset& h) { return h.audioMode() == 1; }},
    {kAudioMode2, [] { return qor_tamo_sound_set_audio_mode(2); },
     [](const VirtualHeadset& h) { return h.audioMode() == 2; }},
    {kHiPowerOn, [] { return qor_tamo_sound_set_hi_power_state(1); },
     [](const VirtualHeadset& h) { return h.hiPower(); }},
    {kHiPowerOff, [] { return qor_tamo_sound_set_hi_power_state(0); },
     [](const VirtualHeadset& h) { return !h.hiPower(); }},
};

class SetterTest : public HeadsetTest, public ::testing::WithParamInterface<SetterCase> {
protected:
    void SetUp() override {
        HeadsetTest::SetUp();
        allowSeeThrough();
        // Start from the opposite of every setting the commands make.
        headset->setSeeThrough(GetParam().expected.name == std::string("SeeThroughOff"));
        headset->setAudioMode(GetParam().expected.name == std::string("AudioMode1") ? 2 : 1);
        headset->setHiPower(GetParam().expected.name == std::string("HiPowerOff"));
    }
};

TEST_P(SetterTest, FailedReleaseAfterSuccessOutranksFailedClose) {
    const auto releaseLines = systemErrorLines(ERROR_TOO_MANY_POSTS);
    const auto closeLines = systemErrorLines(ERROR_INVALID_HANDLE);
    initialise();
    Faults::failCall("ReleaseSemaphore", 1, ERROR_TOO_MANY_POSTS);
    {
        LineRedirect out;
        EXPECT_EQ(GetParam().call(), SOUND_ERROR_LOCK_RELEASE_FAILED);
        EXPECT_EQ(out.lines(), releaseLines);
    }
    EXPECT_TRUE(GetParam().applied(*headset)) << "the command reached the headset";

    // The same command once more to count its CloseHandle calls: the lock's
    // own is the last one.
    CallLog::clear();
    ASSERT_EQ(GetParam().call(), SOUND_OK);
    std::size_t closes = CallLog::count("CloseHandle");
    ASSERT_GT(closes, 0u);

    Faults::failCall("CloseHandle", static_cast<int>(closes), ERROR_INVALID_HANDLE);
    {
        LineRedirect out;
        EXPECT_EQ(GetParam().call(), SOUND_ERROR_LOCK_CLOSE_FAILED);
        EXPECT_EQ(out.lines(), closeLines);
    }
    // A close that failed is not tried again (its handle may no longer be
    // the lock's); the emulation kept that handle open, so the semaphore
    // still exists for the next call.
    EXPECT_EQ(System::openHandleCount(emulated::ObjectKind::Semaphore), 1u);
    Faults::failCall("ReleaseSemaphore", 1, ERROR_TOO_MANY_POSTS);
    Faults::failCall("CloseHandle", static_cast<int>(closes), ERROR_INVALID_HANDLE);
    {
        LineRedirect out;
        EXPECT_EQ(GetParam().call(), SOUND_ERROR_LOCK_RELEASE_FAILED);
        std::vector<std::string> expected{"Handle is exist."};
        expected.insert(expected.end(), releaseLines.begin(), releaseLines.end());
        expected.insert(expected.end(), closeLines.begin(), closeLines.end());
        EXPECT_EQ(out.lines(), expected);
    }
    EXPECT_EQ(Faults::fired(), 4u);
    EXPECT_EQ(System::openHandleCount(emulated::ObjectKind::Semaphore), 2u);
    System::reset();  // the two handles whose close was made to fail
}

TEST_P(SetterTest, TransactionFailureOutranksLockFailures) {
    initialise();
    headset->reject(VirtualHeadset::Request::SetFeature);
    Faults::failCall("ReleaseSemaphore", 1, ERROR_TOO_MANY_POSTS);
    LineRedirect out;
    EXPECT_EQ(GetParam().call(), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(Faults::fired(), 1u);
}

INSTANTIATE_TEST_SUITE_P(EverySetter, SetterTest, ::testing::ValuesIn(kSetters),
                         [](const auto& entry) { return std::string(entry.param.expected.name); });

using CommandTest = HeadsetTest;

TEST_F(CommandTest, LockThatCannotBeCreatedEndsTheCommand) {
    initialise();
    auto expected = systemErrorLines(ERROR_ACCESS_DENIED);
    Faults::failCall("CreateSemaphoreW", 1, ERROR_ACCESS_DENIED);
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_set_hi_power_state(1), SOUND_ERROR_LOCK_CREATE_FAILED);
    EXPECT_EQ(out.lines(), expected);
    EXPECT_TRUE(headset->received().empty());
}

using GetStateTest = HeadsetTest;

TEST_F(GetStateTest, FailedReleaseAfterThreeGoodTransactions) {
    const auto expectedLines = systemErrorLines(ERROR_TOO_MANY_POSTS);
    initialise();
    Faults::failCall("ReleaseSemaphore", 1, ERROR_TOO_MANY_POSTS);
    SoundState state = kHostRecord;
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_LOCK_RELEASE_FAILED);
    EXPECT_EQ(state.audioMode, 0) << "the record was filled before the lock failed";
    EXPECT_EQ(out.lines(), expectedLines);
}

}  // namespace
}  // namespace tamo::test
