// qor_tamo_sound_get_state on Wine: three transactions under one hold of the
// lock, and how the two status bytes become the host's record.
#include "stdout_capture.h"
#include "wine_device_test.h"

namespace tamo::test {
namespace {

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

using WineGetStateTest = WineDeviceTest;

TEST_F(WineGetStateTest, ThreeTransactionsUnderOneHoldOfTheLock) {
    initialise();
    ASSERT_TRUE(headset.setState(device, 2, 0));
    SoundState state = hostRecord();
    StdoutCapture out;
    EXPECT_EQ(dll.state(&state), SOUND_OK);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(state.reserved, kHostByte);
    EXPECT_EQ(state.hiPowerState, 1);
    EXPECT_EQ(state.audioMode, 2);

    EXPECT_EQ(headsetOpens(), 3u) << "each transaction opens the headset anew";
    EXPECT_TRUE(lockGone());
    // The status request, then the status feature request as it was handed
    // over, then one input read.
    EXPECT_EQ(hex(commandsSent()), hex(std::vector<Image>{kStatusRequest.report}));
    EXPECT_EQ(hex(received(vhid::ReportKind::GetFeature)), hex(std::vector<Image>{kStatusFeatureRequest}));
    EXPECT_TRUE(received(vhid::ReportKind::Output).empty());
    vhid::DeviceRecord record = settled();
    ASSERT_GE(record.received.size(), 2u);
    EXPECT_EQ(record.received[record.received.size() - 2].kind, vhid::ReportKind::SetFeature) << "request first";
    EXPECT_EQ(record.received.back().kind, vhid::ReportKind::GetFeature);
}

struct StatusByteCase {
    std::uint8_t statusByte;
    int expected;
};

class WineHiPowerStateTest : public WineDeviceTest, public ::testing::WithParamInterface<StatusByteCase> {};

TEST_P(WineHiPowerStateTest, ZeroStatusByteMeansHiPowerOn) {
    initialise();
    ASSERT_TRUE(headset.setState(device, 0, GetParam().statusByte));
    SoundState state = hostRecord();
    ASSERT_EQ(dll.state(&state), SOUND_OK);
    EXPECT_EQ(state.hiPowerState, GetParam().expected);
    EXPECT_EQ(state.reserved, kHostByte);
}

INSTANTIATE_TEST_SUITE_P(Byte61, WineHiPowerStateTest,
                         ::testing::Values(StatusByteCase{0x00, 1}, StatusByteCase{0x01, 0}, StatusByteCase{0x02, 0},
                                           StatusByteCase{0x80, 0}, StatusByteCase{0xFF, 0}),
                         [](const auto& entry) { return "Status" + std::to_string(entry.param.statusByte); });

class WineAudioModeStateTest : public WineDeviceTest, public ::testing::WithParamInterface<StatusByteCase> {};

TEST_P(WineAudioModeStateTest, KnownModesAsReadAnythingElseIsThree) {
    initialise();
    ASSERT_TRUE(headset.setState(device, GetParam().statusByte, 0));
    SoundState state = hostRecord();
    ASSERT_EQ(dll.state(&state), SOUND_OK);
    EXPECT_EQ(state.audioMode, GetParam().expected);
    EXPECT_EQ(state.reserved, kHostByte);
}

INSTANTIATE_TEST_SUITE_P(Byte10, WineAudioModeStateTest,
                         ::testing::Values(StatusByteCase{0, 0}, StatusByteCase{1, 1}, StatusByteCase{2, 2},
                                           StatusByteCase{3, 3}, StatusByteCase{0x7F, 3}, StatusByteCase{0x80, 3},
                                           StatusByteCase{0xC0, 3}, StatusByteCase{0xFE, 3}, StatusByteCase{0xFF, 3}),
                         [](const auto& entry) { return "Status" + std::to_string(entry.param.statusByte); });

TEST_F(WineGetStateTest, ReadsBackWhatTheSettersSet) {
    initialise();
    for (std::int32_t mode : {0, 1, 2}) {
        for (std::uint8_t on : {std::uint8_t{0}, std::uint8_t{1}}) {
            ASSERT_EQ(dll.audioMode(mode), SOUND_OK);
            ASSERT_EQ(dll.hiPower(on), SOUND_OK);
            SoundState state = hostRecord();
            ASSERT_EQ(dll.state(&state), SOUND_OK);
            EXPECT_EQ(state.audioMode, mode);
            EXPECT_EQ(state.hiPowerState, on);
        }
    }
    EXPECT_EQ(headsetOpens(), 6u * 5u);
}

TEST_F(WineGetStateTest, NullRecordIsRefusedBeforeTheLock) {
    initialise();
    LockHolder other;
    ASSERT_TRUE(other.holding()) << other.error();
    StdoutCapture out;
    EXPECT_EQ(dll.state(nullptr), SOUND_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(headsetOpens(), 0u);
}

// The input read waits its full 10 s and is cancelled; the hi-power field
// was already written from the feature report.
TEST_F(WineGetStateTest, SilentHeadsetFailsTheInputReadAfterTheTransferLimit) {
    initialise();
    ASSERT_TRUE(headset.setSilent(device, true));
    SoundState state = hostRecord();
    StdoutCapture out;
    ULONGLONG before = GetTickCount64();
    EXPECT_EQ(dll.state(&state), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_GE(GetTickCount64() - before, 9900u) << "the read's own limit, not a failure at once";
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(state.reserved, kHostByte);
    EXPECT_EQ(state.hiPowerState, 1);
    EXPECT_EQ(state.audioMode, kOldAudioMode);
    EXPECT_EQ(headsetOpens(), 3u);
    EXPECT_TRUE(lockGone());
}

TEST_F(WineGetStateTest, NoHeadsetReleasesTheLock) {
    initialise();
    unplugHeadset();
    SoundState state = hostRecord();
    StdoutCapture out;
    EXPECT_EQ(dll.state(&state), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(state.reserved, kHostByte);
    EXPECT_EQ(state.hiPowerState, kOldHiPower);
    EXPECT_EQ(state.audioMode, kOldAudioMode);
    EXPECT_TRUE(lockGone());
}

}  // namespace
}  // namespace tamo::test
