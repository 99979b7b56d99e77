// The four transactions on their own, against the virtual headset: one open
// and close each, the exact report, and the caller's output left alone on
// every failure.
#include "headset_test.h"
#include "protocol/command_payloads.h"
#include "protocol/transactions.h"
#include "platform/line_redirect.h"

#include <filesystem>
#include <fstream>

namespace tamo::test {
namespace {

using emulated::VirtualHeadset;
using Kind = VirtualHeadset::Received::Kind;

StatusBlock filled(std::uint8_t value) {
    StatusBlock block;
    block.fill(value);
    return block;
}

StatusBlock bytes4To63(const Image& report) {
    StatusBlock block;
    std::copy(report.begin() + 4, report.end(), block.begin());
    return block;
}

using TransactionTest = HeadsetTest;

TEST_F(TransactionTest, CommandWithoutPayload) {
    EXPECT_EQ(sendCommand(), SOUND_OK);
    EXPECT_EQ(commandsSent(), std::vector<Image>{kNoPayloadCommand});
    EXPECT_EQ(headset->opens(), 1u);
    EXPECT_EQ(headset->closes(), 1u);
}

TEST_F(TransactionTest, CommandWithPayload) {
    EXPECT_EQ(sendCommand(audioModePayload(2)), SOUND_OK);
    EXPECT_EQ(commandsSent(), std::vector<Image>{kAudioMode2.report});
    EXPECT_EQ(headset->audioMode(), 2);
}

TEST_F(TransactionTest, StatusFeatureFillsTheWholeBlock) {
    headset->setAudioMode(2);
    headset->setSeeThrough(true);
    headset->setHiPowerStatusByte(0x33);
    StatusBlock block = filled(0xEE);
    EXPECT_EQ(readStatusFeature(block), SOUND_OK);
    EXPECT_EQ(block, bytes4To63(headset->statusReport()));
    EXPECT_EQ(headset->received(Kind::GetFeature), std::vector<Image>{kStatusFeatureRequest});
    EXPECT_EQ(headset->opens(), 1u);
    EXPECT_EQ(headset->closes(), 1u);
}

TEST_F(TransactionTest, StatusInputIsTheFirstReportOfTheNewConnection) {
    headset->setAudioMode(1);
    headset->setHiPowerStatusByte(0x44);
    StatusBlock block = filled(0xEE);
    EXPECT_EQ(readStatusInput(block), SOUND_OK);
    EXPECT_EQ(block, bytes4To63(headset->statusReport()));
    EXPECT_EQ(headset->inputReportsDelivered(), 1u);
    EXPECT_EQ(headset->opens(), 1u);
}

TEST_F(TransactionTest, FailedStatusReadsLeaveTheBlockAsItWas) {
    headset->reject(VirtualHeadset::Request::GetFeature);
    headset->reject(VirtualHeadset::Request::Read);
    StatusBlock block = filled(0xEE);
    EXPECT_EQ(readStatusFeature(block), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(block, filled(0xEE));
    EXPECT_EQ(readStatusInput(block), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(block, filled(0xEE));
    EXPECT_EQ(headset->openHandles(), 0u);
}

// A dropped connection completes the read with an error and no report:
// that is a failed read, not a zeroed status.
TEST_F(TransactionTest, StatusInputThatCompletesWithAnErrorIsAFailedRead) {
    headset->setAudioMode(2);
    headset->failTransfers(VirtualHeadset::Request::Read);
    StatusBlock block = filled(0xEE);
    EXPECT_EQ(readStatusInput(block), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_EQ(block, filled(0xEE));
    EXPECT_EQ(headset->openHandles(), 0u);
}

TEST_F(TransactionTest, NoHeadsetSendsNothingAndLeavesEverythingAsItWas) {
    unplugHeadset();
    StatusBlock block = filled(0xEE);
    std::string text = "unchanged";
    LineRedirect out;
    EXPECT_EQ(sendCommand(hiPowerPayload(true)), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(readStatusFeature(block), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(readStatusInput(block), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(queryFirmwareVersion(text), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(block, filled(0xEE));
    EXPECT_EQ(text, "unchanged");
    EXPECT_TRUE(headset->received().empty());
}

TEST_F(TransactionTest, VersionTextOfSixtyCharactersWithoutTerminator) {
    headset->setVersionText("0000000000001103" + std::string(44, '9'));
    std::string text;
    EXPECT_EQ(queryFirmwareVersion(text), SOUND_OK);
    EXPECT_EQ(text, "0000000000001103" + std::string(44, '9'));
    EXPECT_EQ(headset->received(Kind::Output), std::vector<Image>{kVersionRequest});
}

TEST_F(TransactionTest, EmptyVersionTextIsStillAReply) {
    headset->setVersionText("");
    std::string text = "unchanged";
    EXPECT_EQ(queryFirmwareVersion(text), SOUND_OK);
    EXPECT_EQ(text, "");
}

TEST_F(TransactionTest, EveryTransactionLoadsTheDeviceTableAfresh) {
    // A table naming some other device: the headset is not found.
    const std::filesystem::path config = configDirectory() / "hmd_config.ini";
    std::ofstream(config, std::ios::binary) << "NUM_OF_CONFIG=1\nVENDORID_001=1234\nPRODUCTID_001=0712\n"
                                               "USAGE_001=0001\nUSAGEPAGE_001=FF00\nPRODUCTNAME_001=Tamo Mk2\n"
                                               "REPORTID_001=0\nDEVICENAME_001=HMD#0\n";
    {
        LineRedirect out;
        EXPECT_EQ(sendCommand(hiPowerPayload(true)), SOUND_ERROR_DEVICE_NOT_FOUND);
    }
    std::filesystem::remove(config);
    EXPECT_EQ(sendCommand(hiPowerPayload(true)), SOUND_OK);
}

}  // namespace
}  // namespace tamo::test
