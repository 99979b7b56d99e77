// qor_tamo_sound_get_state end to end: three transactions under one hold of
// the lock, and how the two status bytes become the host's record.
#include "api/mode_switch_lock.h"
#include "headset_test.h"
#include "platform/line_redirect.h"

#include <algorithm>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::System;
using emulated::VirtualHeadset;
using Kind = VirtualHeadset::Received::Kind;

constexpr std::uint8_t kHostByte = 0xA5;
constexpr std::uint8_t kOldHiPower = 0x7E;
constexpr std::int32_t kOldAudioMode = -12345;

SoundState hostRecord() {
    SoundState state{};
    state.reserved = kHostByte;
    state.hiPowerState = kOldHiPower;
    state.audioMode = kOldAudioMode;
    return state;
}

using GetStateTest = HeadsetTest;

TEST_F(GetStateTest, ThreeTransactionsUnderOneHoldOfTheLock) {
    initialise();
    headset->setAudioMode(2);
    headset->setHiPower(true);
    SoundState state = hostRecord();
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_OK);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(state.reserved, kHostByte);
    EXPECT_EQ(state.hiPowerState, 1);
    EXPECT_EQ(state.audioMode, 2);

    EXPECT_EQ(headset->opens(), 3u);
    EXPECT_EQ(headset->closes(), 3u);
    auto calls = CallLog::calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "CreateSemaphoreW"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "ReleaseSemaphore"), 1);
    auto taken = std::find(calls.begin(), calls.end(), "CreateSemaphoreW");
    auto released = std::find(calls.begin(), calls.end(), "ReleaseSemaphore");
    EXPECT_EQ(std::count(calls.begin(), taken, "CreateFileW"), 0);
    EXPECT_EQ(std::count(released, calls.end(), "CreateFileW"), 0);
    EXPECT_EQ(calls.back(), "CloseHandle") << "the lock's handle is closed last";
    EXPECT_TRUE(lockGone());

    // Status request, then the status feature request as it was handed over,
    // then one input read.
    EXPECT_EQ(headset->received(Kind::SetFeature), std::vector<Image>{kStatusRequest.report});
    EXPECT_EQ(headset->received(Kind::GetFeature), std::vector<Image>{kStatusFeatureRequest});
    EXPECT_EQ(headset->inputReportsDelivered(), 1u);
    std::vector<HeadsetProbe::Kind> order;
    for (const auto& event : probe->events()) order.push_back(event.kind);
    using P = HeadsetProbe::Kind;
    EXPECT_EQ(order, (std::vector<P>{P::Open, P::SetFeature, P::Close, P::Open, P::GetFeature, P::Close, P::Open,
                                     P::Read, P::Close}));
}

struct HiPowerCase {
    std::uint8_t statusByte;
    std::uint8_t expected;
};

class HiPowerStateTest : public HeadsetTest, public ::testing::WithParamInterface<HiPowerCase> {};

TEST_P(HiPowerStateTest, ZeroStatusByteMeansHiPowerOn) {
    initialise();
    headset->setHiPowerStatusByte(GetParam().statusByte);
    SoundState state = hostRecord();
    ASSERT_EQ(qor_tamo_sound_get_state(&state), SOUND_OK);
    EXPECT_EQ(state.hiPowerState, GetParam().expected);
    EXPECT_EQ(state.reserved, kHostByte);
}

INSTANTIATE_TEST_SUITE_P(Byte61, HiPowerStateTest,
                         ::testing::Values(HiPowerCase{0x00, 1}, HiPowerCase{0x01, 0}, HiPowerCase{0x02, 0},
                                           HiPowerCase{0x80, 0}, HiPowerCase{0xFF, 0}),
                         [](const auto& entry) { return "Status" + std::to_string(entry.param.statusByte); });

struct AudioModeCase {
    std::uint8_t statusByte;
    std::int32_t expected;
};

class AudioModeStateTest : public HeadsetTest, public ::testing::WithParamInterface<AudioModeCase> {};

TEST_P(AudioModeStateTest, KnownModesAsReadAnythingElseIsThree) {
    initialise();
    headset->setAudioMode(GetParam().statusByte);
    SoundState state = hostRecord();
    ASSERT_EQ(qor_tamo_sound_get_state(&state), SOUND_OK);
    EXPECT_EQ(state.audioMode, GetParam().expected);
    EXPECT_EQ(state.reserved, kHostByte);
}

INSTANTIATE_TEST_SUITE_P(Byte10, AudioModeStateTest,
                         ::testing::Values(AudioModeCase{0, 0}, AudioModeCase{1, 1}, AudioModeCase{2, 2},
                                           AudioModeCase{3, 3}, AudioModeCase{0x7F, 3}, AudioModeCase{0x80, 3},
                                           AudioModeCase{0xC0, 3}, AudioModeCase{0xFE, 3}, AudioModeCase{0xFF, 3}),
                         [](const auto& entry) { return "Status" + std::to_string(entry.param.statusByte); });

TEST_F(GetStateTest, ReadsBackWhatTheSettersSet) {
    initialise();
    for (std::int32_t mode : {0, 1, 2}) {
        for (std::uint8_t on : {std::uint8_t{0}, std::uint8_t{1}}) {
            ASSERT_EQ(qor_tamo_sound_set_audio_mode(mode), SOUND_OK);
            ASSERT_EQ(qor_tamo_sound_set_hi_power_state(on), SOUND_OK);
            SoundState state = hostRecord();
            ASSERT_EQ(qor_tamo_sound_get_state(&state), SOUND_OK);
            EXPECT_EQ(state.audioMode, mode);
            EXPECT_EQ(state.hiPowerState, on);
        }
    }
}

TEST_F(GetStateTest, NullRecordIsRefusedBeforeTheLock) {
    initialise();
    EXPECT_EQ(qor_tamo_sound_get_state(nullptr), SOUND_ERROR_INVALID_ARGUMENT);
    EXPECT_TRUE(CallLog::calls().empty());
    EXPECT_TRUE(headset->received().empty());
}

TEST_F(GetStateTest, FailedStatusRequestEndsTheCallUntouched) {
    initialise();
    headset->reject(VirtualHeadset::Request::SetFeature);
    SoundState state = hostRecord();
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(headset->opens(), 1u);
    EXPECT_EQ(state.reserved, kHostByte);
    EXPECT_EQ(state.hiPowerState, kOldHiPower);
    EXPECT_EQ(state.audioMode, kOldAudioMode);
    EXPECT_TRUE(lockGone());
}

TEST_F(GetStateTest, FailedFeatureReadSkipsTheInputRead) {
    initialise();
    headset->reject(VirtualHeadset::Request::GetFeature);
    SoundState state = hostRecord();
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(headset->opens(), 2u) << "the third transaction is not run";
    EXPECT_EQ(headset->inputReportsDelivered(), 0u);
    EXPECT_EQ(state.reserved, kHostByte);
    EXPECT_EQ(state.hiPowerState, kOldHiPower);
    EXPECT_EQ(state.audioMode, kOldAudioMode);
    EXPECT_TRUE(lockGone());
}

TEST_F(GetStateTest, FailedInputReadKeepsTheNewHiPowerAndTheOldAudioMode) {
    initialise();
    headset->setHiPower(false);
    headset->setAudioMode(2);
    headset->reject(VirtualHeadset::Request::Read);
    SoundState state = hostRecord();
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(headset->opens(), 3u);
    EXPECT_EQ(state.reserved, kHostByte);
    EXPECT_EQ(state.hiPowerState, 0);
    EXPECT_EQ(state.audioMode, kOldAudioMode);
    EXPECT_TRUE(lockGone());
}

TEST_F(GetStateTest, SilentHeadsetFailsTheInputReadAfterTheTransferLimit) {
    initialise();
    headset->setSilent(true);
    SoundState state = hostRecord();
    std::uint64_t before = System::nowMs();
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(System::nowMs() - before, 10000u);
    EXPECT_EQ(state.hiPowerState, 1);
    EXPECT_EQ(state.audioMode, kOldAudioMode);
}

TEST_F(GetStateTest, BusyLockReadsNothing) {
    initialise();
    ModeSwitchLock other;
    ASSERT_EQ(other.openLock(), SOUND_OK);
    ASSERT_EQ(other.tryLock(), SOUND_OK);
    SoundState state = hostRecord();
    {
        LineRedirect out;
        EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_LOCK_BUSY);
    }
    EXPECT_EQ(headset->opens(), 0u);
    EXPECT_EQ(state.hiPowerState, kOldHiPower);
    EXPECT_EQ(state.audioMode, kOldAudioMode);
    EXPECT_EQ(other.unlock(), SOUND_OK);
    EXPECT_EQ(other.closeLock(), SOUND_OK);
}

TEST_F(GetStateTest, NoHeadsetReleasesTheLock) {
    initialise();
    unplugHeadset();
    SoundState state = hostRecord();
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(state.reserved, kHostByte);
    EXPECT_EQ(state.hiPowerState, kOldHiPower);
    EXPECT_TRUE(lockGone());
}

TEST_F(GetStateTest, FailedReleaseAfterThreeGoodTransactions) {
    const auto expectedLines = systemErrorLines(ERROR_TOO_MANY_POSTS);
    initialise();
    Faults::failCall("ReleaseSemaphore", 1, ERROR_TOO_MANY_POSTS);
    SoundState state = hostRecord();
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_LOCK_RELEASE_FAILED);
    EXPECT_EQ(state.audioMode, 0) << "the record was filled before the lock failed";
    EXPECT_EQ(out.lines(), expectedLines);
}

}  // namespace
}  // namespace tamo::test
