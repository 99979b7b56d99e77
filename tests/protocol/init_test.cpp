// qor_tamo_sound_init end to end: the version exchange, the poll for the
// reply and the firmware check.
#include "api/firmware_check.h"
#include "api/mode_switch_lock.h"
#include "headset_test.h"
#include "protocol/transactions.h"
#include "firmware_version_cases.h"
#include "platform/line_redirect.h"

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::System;
using emulated::VirtualHeadset;
using Kind = VirtualHeadset::Received::Kind;

bool initialised() { return qor_tamo_sound_set_hi_power_state(1) != SOUND_ERROR_NOT_INITIALIZED; }

class FirmwareVersionTest : public HeadsetTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(FirmwareVersionTest, DecidesOnTheSecondNumber) {
    headset->setVersionText(GetParam().text);
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_init(), GetParam().expected);
    EXPECT_EQ(out.lines(), GetParam().lines);
    EXPECT_EQ(initialised(), GetParam().expected == SOUND_OK);
}

INSTANTIATE_TEST_SUITE_P(Texts, FirmwareVersionTest, ::testing::ValuesIn(firmwareVersionCases()),
                         [](const auto& entry) { return std::string(entry.param.name); });

TEST(FirmwareVersionOfTest, ReadsUpToThreeDigitsPerNumber) {
    EXPECT_EQ(firmwareVersionOf("0000000000001103"), 103u);
    EXPECT_EQ(firmwareVersionOf("00000000000011030"), 103u);
    EXPECT_EQ(firmwareVersionOf("0000000000001 12"), 12u);
    EXPECT_EQ(firmwareVersionOf("0000000000"), 0u);
    EXPECT_EQ(firmwareVersionOf("x"), 0u);
    EXPECT_EQ(firmwareVersionOf("0000000000001-99"), 0u);
}

using InitTest = HeadsetTest;

TEST_F(InitTest, SendsTheVersionRequestWithoutTheLock) {
    ModeSwitchLock other;  // a held lock does not stop init
    ASSERT_EQ(other.openLock(), SOUND_OK);
    ASSERT_EQ(other.tryLock(), SOUND_OK);
    CallLog::clear();
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_OK);
    EXPECT_EQ(CallLog::count("CreateSemaphoreW"), 0u);
    EXPECT_EQ(headset->received(Kind::Output), std::vector<Image>{kVersionRequest});
    EXPECT_TRUE(headset->received(Kind::SetFeature).empty());
    EXPECT_EQ(headset->opens(), 1u);
    EXPECT_EQ(headset->openHandles(), 0u);
    EXPECT_EQ(other.unlock(), SOUND_OK);
    EXPECT_EQ(other.closeLock(), SOUND_OK);
}

TEST_F(InitTest, ReplyOnTheFirstReadCostsNoPause) {
    probe->dropGreeting(true);
    std::uint64_t before = System::nowMs();
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_OK);
    EXPECT_EQ(System::nowMs(), before);
    EXPECT_EQ(CallLog::count("ReadFile"), 1u);
    EXPECT_EQ(CallLog::count("Sleep"), 0u);
}

TEST_F(InitTest, EveryOtherReportBeforeTheReplyCostsTenMilliseconds) {
    // The headset greets every new reader with a status report, so the
    // reply comes after it and the unasked reports.
    for (unsigned others : {0u, 1u, 7u, 99u}) {
        headset->setOtherReportsBeforeVersion(others);
        CallLog::clear();
        std::uint64_t before = System::nowMs();
        EXPECT_EQ(qor_tamo_sound_init(), SOUND_OK) << others;
        EXPECT_EQ(System::nowMs() - before, 10u * (others + 1)) << others;
        EXPECT_EQ(CallLog::count("ReadFile"), others + 2) << others;
    }
}

TEST_F(InitTest, NoReplyAmongOneHundredAndOneReportsIsATransferFailure) {
    headset->setOtherReportsBeforeVersion(100);  // with the greeting: 101 before the reply
    std::uint64_t before = System::nowMs();
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(out.text(), "") << "no text reaches the version check";
    EXPECT_EQ(CallLog::count("ReadFile"), 101u);
    EXPECT_EQ(System::nowMs() - before, 1010u);
    EXPECT_FALSE(initialised());
    EXPECT_EQ(headset->openHandles(), 0u);
}

TEST_F(InitTest, NoReplyLeavesTheCallersTextUntouched) {
    headset->setOtherReportsBeforeVersion(100);
    std::string text = "unchanged";
    EXPECT_EQ(queryFirmwareVersion(text), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(text, "unchanged");
}

TEST_F(InitTest, ReplyAsTheHundredAndFirstReportIsTaken) {
    headset->setOtherReportsBeforeVersion(99);
    std::string text;
    EXPECT_EQ(queryFirmwareVersion(text), SOUND_OK);
    EXPECT_EQ(text, VirtualHeadset::versionText(1, 103));
    EXPECT_EQ(CallLog::count("ReadFile"), 101u);
}

TEST_F(InitTest, FailedReadDuringThePollEndsItAtOnce) {
    headset->setOtherReportsBeforeVersion(10);
    Faults::failCall("ReadFile", 4, ERROR_GEN_FAILURE);
    std::string text = "unchanged";
    EXPECT_EQ(queryFirmwareVersion(text), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(CallLog::count("ReadFile"), 4u);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(headset->openHandles(), 0u);
}

TEST_F(InitTest, FailedReadGivesTransferFailed) {
    headset->reject(VirtualHeadset::Request::Read);
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(CallLog::count("ReadFile"), 1u);
    EXPECT_FALSE(initialised());
}

TEST_F(InitTest, FailedRequestReadsNothing) {
    headset->reject(VirtualHeadset::Request::Write);
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(CallLog::count("ReadFile"), 0u);
    EXPECT_FALSE(initialised());
}

TEST_F(InitTest, NoHeadsetGivesDeviceNotFound) {
    unplugHeadset();
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_FALSE(initialised());
}

TEST_F(InitTest, FailedInitLeavesAnEarlierSuccessInPlace) {
    ASSERT_EQ(qor_tamo_sound_init(), SOUND_OK);
    {
        LineRedirect out;
        headset->setFirmwareVersion(102);
        EXPECT_EQ(qor_tamo_sound_init(), SOUND_ERROR_FIRMWARE_UNSUPPORTED);
        headset->reject(VirtualHeadset::Request::Write);
        EXPECT_EQ(qor_tamo_sound_init(), SOUND_ERROR_TRANSFER_FAILED);
        unplugHeadset();
        EXPECT_EQ(qor_tamo_sound_init(), SOUND_ERROR_DEVICE_NOT_FOUND);
    }
    EXPECT_NE(qor_tamo_sound_set_audio_mode(1), SOUND_ERROR_NOT_INITIALIZED);
}

TEST_F(InitTest, InitAgainAsksTheFirmwareAgain) {
    ASSERT_EQ(qor_tamo_sound_init(), SOUND_OK);
    ASSERT_EQ(qor_tamo_sound_init(), SOUND_OK);
    EXPECT_EQ(headset->received(Kind::Output), (std::vector<Image>{kVersionRequest, kVersionRequest}));
    EXPECT_EQ(headset->opens(), 2u);
}

TEST_F(InitTest, DestroyThenInitEnablesAgain) {
    ASSERT_EQ(qor_tamo_sound_init(), SOUND_OK);
    EXPECT_EQ(qor_tamo_sound_destroy(), SOUND_OK);
    EXPECT_FALSE(initialised());
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_OK);
    EXPECT_TRUE(initialised());
}

}  // namespace
}  // namespace tamo::test
