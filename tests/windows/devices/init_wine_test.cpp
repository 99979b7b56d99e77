// qor_tamo_sound_init on Wine: the version exchange over a real overlapped
// pipe, the poll for the reply, and the firmware check with the Windows C
// runtime's own scanner and printf.
#include "firmware_version_cases.h"
#include "stdout_capture.h"
#include "wine_device_test.h"

namespace tamo::test {
namespace {

class WineFirmwareVersionTest : public WineDeviceTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(WineFirmwareVersionTest, DecidesOnTheSecondNumber) {
    ASSERT_TRUE(headset.setVersionText(device, GetParam().text));
    StdoutCapture out;
    EXPECT_EQ(dll.init(), GetParam().expected);
    EXPECT_EQ(out.lines(), GetParam().lines);
    EXPECT_EQ(dll.hiPower(1) != SOUND_ERROR_NOT_INITIALIZED, GetParam().expected == SOUND_OK);
}

INSTANTIATE_TEST_SUITE_P(Texts, WineFirmwareVersionTest, ::testing::ValuesIn(firmwareVersionCases()),
                         [](const auto& entry) { return std::string(entry.param.name); });

using WineInitTest = WineDeviceTest;

TEST_F(WineInitTest, SendsTheVersionRequestOverOneOpenWithoutTheLock) {
    LockHolder other;  // a lock held by another process does not stop init
    ASSERT_TRUE(other.holding()) << other.error();
    StdoutCapture out;
    EXPECT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(hex(received(vhid::ReportKind::Output)), hex(std::vector<Image>{kVersionRequest}));
    EXPECT_TRUE(commandsSent().empty());
    EXPECT_EQ(headsetOpens(), 1u);
    EXPECT_EQ(other.release(), 0);
}

TEST_F(WineInitTest, OtherReportsBeforeTheReplyAreSkipped) {
    // The headset greets every new reader with a status report, so the
    // reply comes after it and the unasked reports.
    for (unsigned others : {0u, 1u, 7u}) {
        ASSERT_TRUE(headset.setOtherReportsBeforeVersion(device, others));
        std::size_t before = inputReportsDelivered();
        EXPECT_EQ(dll.init(), SOUND_OK) << others;
        EXPECT_EQ(inputReportsDelivered() - before, others + 2) << others;
    }
}

TEST_F(WineInitTest, ReplyAsTheHundredAndFirstReportIsTaken) {
    ASSERT_TRUE(headset.setOtherReportsBeforeVersion(device, 99));
    StdoutCapture out;
    EXPECT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(inputReportsDelivered(), 101u);
}

TEST_F(WineInitTest, NoReplyAmongOneHundredAndOneReportsIsATransferFailure) {
    ASSERT_TRUE(headset.setOtherReportsBeforeVersion(device, 100));
    StdoutCapture out;
    EXPECT_EQ(dll.init(), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(out.text(), "") << "no text reaches the version check";
    EXPECT_EQ(dll.hiPower(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(headsetOpens(), 1u);
}

// The first read waits its full 10 s, is cancelled with CancelIo, and the
// device is closed.
TEST_F(WineInitTest, SilentHeadsetFailsTheTransferAfterTheLimit) {
    ASSERT_TRUE(headset.setSilent(device, true));
    StdoutCapture out;
    ULONGLONG before = GetTickCount64();
    EXPECT_EQ(dll.init(), SOUND_ERROR_TRANSFER_FAILED);
    ULONGLONG waited = GetTickCount64() - before;
    EXPECT_EQ(out.text(), "");
    EXPECT_GE(waited, 9900u) << "the read's own limit, not a failure at once";
    EXPECT_EQ(hex(received(vhid::ReportKind::Output)), hex(std::vector<Image>{kVersionRequest}));
    EXPECT_EQ(inputReportsDelivered(), 0u);
    EXPECT_EQ(headsetOpens(), 1u);
    EXPECT_EQ(dll.hiPower(1), SOUND_ERROR_NOT_INITIALIZED);
}

TEST_F(WineInitTest, NoHeadsetGivesDeviceNotFound) {
    unplugHeadset();
    StdoutCapture out;
    EXPECT_EQ(dll.init(), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(dll.hiPower(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(headsetOpens(), 0u);
}

TEST_F(WineInitTest, NoHeadsetProcessGivesDeviceNotFound) {
    SetEnvironmentVariableW(vhid::kNamespaceVariable, L"vhid_nobody");
    StdoutCapture out;
    EXPECT_EQ(dll.init(), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(out.text(), "");
}

TEST_F(WineInitTest, FailedInitLeavesAnEarlierSuccessInPlace) {
    ASSERT_EQ(dll.init(), SOUND_OK);
    {
        StdoutCapture out;
        ASSERT_TRUE(headset.setVersionText(device, "0000000000001102"));
        EXPECT_EQ(dll.init(), SOUND_ERROR_FIRMWARE_UNSUPPORTED);
        unplugHeadset();
        EXPECT_EQ(dll.init(), SOUND_ERROR_DEVICE_NOT_FOUND);
        EXPECT_EQ(out.lines().size(), 2u);
    }
    EXPECT_NE(dll.audioMode(1), SOUND_ERROR_NOT_INITIALIZED);
}

TEST_F(WineInitTest, InitAgainAsksTheFirmwareAgain) {
    ASSERT_EQ(dll.init(), SOUND_OK);
    ASSERT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(hex(received(vhid::ReportKind::Output)), hex(std::vector<Image>{kVersionRequest, kVersionRequest}));
    EXPECT_EQ(headsetOpens(), 2u);
}

TEST_F(WineInitTest, DestroyThenInitEnablesAgain) {
    ASSERT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(dll.destroy(), SOUND_OK);
    EXPECT_EQ(dll.hiPower(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(dll.hiPower(1), SOUND_OK);
}

}  // namespace
}  // namespace tamo::test
