// The firmware version on its own: the number read from the text, and the
// version exchange's poll for the reply and how it ends. (init end to end is
// in the scenario table.)
#include "api/firmware_check.h"
#include "headset_test.h"
#include "protocol/transactions.h"

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::VirtualHeadset;

TEST(FirmwareVersionOfTest, ReadsUpToThreeDigitsPerNumber) {
    EXPECT_EQ(firmwareVersionOf("0000000000001103"), 103u);
    EXPECT_EQ(firmwareVersionOf("00000000000011030"), 103u);
    EXPECT_EQ(firmwareVersionOf("0000000000001 12"), 12u);
    EXPECT_EQ(firmwareVersionOf("0000000000"), 0u);
    EXPECT_EQ(firmwareVersionOf("x"), 0u);
    EXPECT_EQ(firmwareVersionOf("0000000000001-99"), 0u);
}

using InitTest = HeadsetTest;

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

}  // namespace
}  // namespace tamo::test
