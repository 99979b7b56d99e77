// The three setters end to end: the exact report the headset receives, what
// it does with it, and every way a command can be refused or fail.
#include "api/mode_switch_lock.h"
#include "headset_test.h"
#include "platform/line_redirect.h"

#include <climits>
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

TEST_P(SetterTest, SendsExactlyItsReportAndTheHeadsetAppliesIt) {
    initialise();
    LineRedirect out;
    EXPECT_EQ(GetParam().call(), SOUND_OK);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(commandsSent(), std::vector<Image>{GetParam().expected.report});
    EXPECT_TRUE(GetParam().applied(*headset));
    EXPECT_EQ(headsetOpens(), 1u);
    EXPECT_EQ(headset->openHandles(), 0u);
    EXPECT_TRUE(lockGone());
}

TEST_P(SetterTest, NotInitialisedSendsNothingAndTouchesNothing) {
    EXPECT_EQ(GetParam().call(), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_TRUE(CallLog::calls().empty());
    EXPECT_TRUE(headset->received().empty());
}

TEST_P(SetterTest, BusyLockReturnsAtOnceSendsNothingAndClosesItsHandle) {
    initialise();
    ModeSwitchLock other;
    ASSERT_EQ(other.openLock(), SOUND_OK);
    ASSERT_EQ(other.tryLock(), SOUND_OK);
    std::uint64_t before = System::nowMs();
    {
        LineRedirect out;
        EXPECT_EQ(GetParam().call(), SOUND_ERROR_LOCK_BUSY);
        EXPECT_EQ(out.lines(), std::vector<std::string>{"Handle is exist."});
    }
    EXPECT_EQ(System::nowMs(), before);
    EXPECT_EQ(headsetOpens(), 0u);
    EXPECT_EQ(System::openHandleCount(), 1u) << "only the other holder's handle is open";
    EXPECT_EQ(other.unlock(), SOUND_OK);
    EXPECT_EQ(other.closeLock(), SOUND_OK);
}

TEST_P(SetterTest, NoHeadsetGivesDeviceNotFoundAndReleasesTheLock) {
    initialise();
    unplugHeadset();
    LineRedirect out;  // whatever the device search reports
    EXPECT_EQ(GetParam().call(), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(CallLog::count("ReleaseSemaphore"), 1u);
    EXPECT_TRUE(lockGone());
    EXPECT_TRUE(headset->received().empty());
}

TEST_P(SetterTest, RefusedReportGivesTransferFailedAndReleasesTheLock) {
    initialise();
    headset->reject(VirtualHeadset::Request::SetFeature);
    EXPECT_EQ(GetParam().call(), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(commandsSent(), std::vector<Image>{GetParam().expected.report}) << "tried once, no retry";
    EXPECT_EQ(headset->commandsApplied(), 0u);
    EXPECT_TRUE(lockGone());
}

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

TEST_F(CommandTest, NonZeroEnableMeansOnWhateverItsValue) {
    allowSeeThrough();
    initialise();
    for (std::uint8_t enable : {std::uint8_t{2}, std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
        EXPECT_EQ(qor_tamo_sound_set_hi_power_state(enable), SOUND_OK);
        EXPECT_EQ(qor_tamo_sound_set_see_through_state(enable), SOUND_OK);
    }
    EXPECT_EQ(commandsSent(), (std::vector<Image>{kHiPowerOn.report, kSeeThroughOn.report, kHiPowerOn.report,
                                                  kSeeThroughOn.report, kHiPowerOn.report, kSeeThroughOn.report}));
}

TEST_F(CommandTest, AudioModeOutsideZeroToTwoIsRefusedBeforeTheLock) {
    initialise();
    headset->setAudioMode(1);
    for (std::int32_t mode : {3, 4, 255, 256, INT32_MAX, -1, -2, -1998, -1999, INT32_MIN}) {
        EXPECT_EQ(qor_tamo_sound_set_audio_mode(mode), SOUND_ERROR_INVALID_ARGUMENT) << mode;
    }
    EXPECT_TRUE(CallLog::calls().empty()) << "no lock, no configuration, no device";
    EXPECT_TRUE(headset->received().empty());
    EXPECT_EQ(headset->audioMode(), 1);
}

TEST_F(CommandTest, SeeThroughWithoutPermissionIsRefusedBeforeTheLock) {
    initialise();
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_set_see_through_state(1), SOUND_ERROR_SEE_THROUGH_DISABLED);
    EXPECT_EQ(qor_tamo_sound_set_see_through_state(0), SOUND_ERROR_SEE_THROUGH_DISABLED);
    EXPECT_EQ(out.text(), "") << "a missing file is silent";
    EXPECT_EQ(CallLog::count("CreateSemaphoreW"), 0u);
    EXPECT_TRUE(headset->received().empty());
}

TEST_F(CommandTest, SeeThroughRefusalComesBeforeABusyLockAndAMissingHeadset) {
    initialise();
    ModeSwitchLock other;
    ASSERT_EQ(other.openLock(), SOUND_OK);
    ASSERT_EQ(other.tryLock(), SOUND_OK);
    unplugHeadset();
    EXPECT_EQ(qor_tamo_sound_set_see_through_state(1), SOUND_ERROR_SEE_THROUGH_DISABLED);
    EXPECT_EQ(System::semaphoreCount(kModeSwitchLockName), 0) << "still the other caller's";
    EXPECT_EQ(other.unlock(), SOUND_OK);
    EXPECT_EQ(other.closeLock(), SOUND_OK);
}

TEST_F(CommandTest, BeforeInitEvenBadArgumentsGiveNotInitialised) {
    for (std::int32_t mode : {-1999, -1, 3, INT32_MAX}) {
        EXPECT_EQ(qor_tamo_sound_set_audio_mode(mode), SOUND_ERROR_NOT_INITIALIZED);
    }
    EXPECT_EQ(qor_tamo_sound_get_state(nullptr), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(qor_tamo_sound_set_see_through_state(1), SOUND_ERROR_NOT_INITIALIZED) << "not even the file is read";
    EXPECT_TRUE(CallLog::calls().empty());
}

TEST_F(CommandTest, AfterDestroyEveryCommandIsRefusedUntilTheNextInit) {
    allowSeeThrough();
    initialise();
    EXPECT_EQ(qor_tamo_sound_destroy(), SOUND_OK);
    EXPECT_EQ(qor_tamo_sound_destroy(), SOUND_OK);
    SoundState state{};
    EXPECT_EQ(qor_tamo_sound_set_see_through_state(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(qor_tamo_sound_set_audio_mode(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(qor_tamo_sound_set_hi_power_state(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_TRUE(headset->received().empty());
    initialise();
    EXPECT_EQ(qor_tamo_sound_set_audio_mode(1), SOUND_OK);
}

TEST_F(CommandTest, LockThatCannotBeCreatedEndsTheCommand) {
    initialise();
    auto expected = systemErrorLines(ERROR_ACCESS_DENIED);
    Faults::failCall("CreateSemaphoreW", 1, ERROR_ACCESS_DENIED);
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_set_hi_power_state(1), SOUND_ERROR_LOCK_CREATE_FAILED);
    EXPECT_EQ(out.lines(), expected);
    EXPECT_TRUE(headset->received().empty());
}

TEST_F(CommandTest, EachCommandReadsTheConfigurationAfresh) {
    initialise();
    EXPECT_EQ(qor_tamo_sound_set_see_through_state(1), SOUND_ERROR_SEE_THROUGH_DISABLED);
    allowSeeThrough();
    EXPECT_EQ(qor_tamo_sound_set_see_through_state(1), SOUND_OK);
    EXPECT_TRUE(headset->seeThrough());
}

}  // namespace
}  // namespace tamo::test
