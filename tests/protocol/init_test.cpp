// The firmware version on its own: the number read from the text, and the
// version exchange's poll for the reply and how it ends. (init end to end is
// in the scenario table.)
#include "api/firmware_check.h"
#include "headset_test.h"
#include "protocol/transactions.h"

#include <cstdio>
#include <string>
#include <vector>

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

// What sscanf with the version format stores in the second number; the
// reading must agree with it wherever the C library is not linked.
std::uint32_t scannedVersion(const std::string& text) {
    int series = 0;
    int version = 0;
    std::sscanf(text.c_str(), "0000000000%03d%03d", &series, &version);
    return version < 0 ? 0u : static_cast<std::uint32_t>(version);
}

TEST(FirmwareVersionOfTest, ReadsAsTheCLibrarysScannerDoes) {
    const std::vector<std::string> texts = {
        "0000000000001103", "0000000000 1 103", "0000000000\t1\n\v\f\r+99", "0000000000+1+10",
        "0000000000-1-10",  "0000000000+-1",    "0000000000123",              "00000000001234567",
        "000000000",        "0000000001001103", " 0000000000001103",          "0000000000001 ",
        "0000000000001+",   "0000000000001-",   "0000000000001x103",          std::string("0000000000001\0" "103", 17),
        "0000000000  7   8", "0000000000" "999" "999", "0000000000001" "0x1",   "0000000000001" "\xA0" "103",
    };
    for (const std::string& text : texts) EXPECT_EQ(firmwareVersionOf(text), scannedVersion(text)) << text;
    // Every text of the same alphabet up to five characters past the zeros.
    const std::string alphabet = "01+- \tx";
    std::vector<std::string> tails = {""};
    for (int length = 1; length <= 5; ++length) {
        std::vector<std::string> longer;
        for (const std::string& tail : tails) {
            for (char c : alphabet) longer.push_back(tail + c);
        }
        for (const std::string& tail : longer) {
            const std::string text = "0000000000" + tail;
            ASSERT_EQ(firmwareVersionOf(text), scannedVersion(text)) << text;
        }
        tails = std::move(longer);
    }
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

TEST_F(InitTest, ReadsThatCompleteWithAnErrorAreNoReplyAndThePollGoesOn) {
    headset->failTransfers(VirtualHeadset::Request::Read, ERROR_DEVICE_NOT_CONNECTED, 5);
    std::string text;
    EXPECT_EQ(queryFirmwareVersion(text), SOUND_OK);
    EXPECT_EQ(text, VirtualHeadset::versionText(1, 103));
    // The failed reads, the status report queued at open, the reply.
    EXPECT_EQ(CallLog::count("ReadFile"), 7u);
    EXPECT_EQ(CallLog::count("Sleep"), 6u) << "each read but the reply's is followed by the poll's pause";
}

TEST_F(InitTest, AConnectionThatFailsEveryReadEndsThePollAfterItsReads) {
    headset->failTransfers(VirtualHeadset::Request::Read);
    std::string text = "unchanged";
    EXPECT_EQ(queryFirmwareVersion(text), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(CallLog::count("ReadFile"), 101u);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(headset->openHandles(), 0u);
}

TEST_F(InitTest, AVersionRequestThatCompletesWithAnErrorIsAFailedWrite) {
    headset->failTransfers(VirtualHeadset::Request::Write, ERROR_DEVICE_NOT_CONNECTED, 1);
    std::string text = "unchanged";
    EXPECT_EQ(queryFirmwareVersion(text), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(CallLog::count("ReadFile"), 0u) << "no poll for a request the headset never took";
    EXPECT_EQ(text, "unchanged");
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
