// The virtual headset as a device model, driven directly: what it applies,
// what its reports carry, and how it can be made to misbehave.
#include "expected_reports.h"
#include "platform/emulated/virtual_headset.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace emulated {
namespace {

using Report = VirtualHeadset::Report;
using Kind = VirtualHeadset::Received::Kind;

Report commandReport(std::uint8_t functionCode, std::size_t valueByte, std::uint8_t value) {
    return tamo::test::image({0x04, 0x78, 0x29, 0x38, functionCode}, {{valueByte, value}});
}

using tamo::test::kStatusFeatureRequest;
using tamo::test::kVersionRequest;

// Reads one input report; fails the test when the read is not answered at
// once with a full report.
Report readNow(VirtualHeadset& headset, HidSession session) {
    TransferReply reply = headset.read(session);
    EXPECT_FALSE(reply.rejectedWith);
    EXPECT_EQ(reply.completesAfterMs, std::uint64_t{0});
    Report report{};
    EXPECT_EQ(reply.data.size(), report.size());
    std::copy_n(reply.data.begin(), std::min(reply.data.size(), report.size()), report.begin());
    return report;
}

std::string versionTextOf(const Report& reply) {
    const char* text = reinterpret_cast<const char*>(reply.data() + 4);
    return std::string(text, strnlen(text, 60));
}

struct CommandCase {
    const char* name;
    std::uint8_t functionCode;
    std::size_t valueByte;
    std::uint8_t value;
    std::uint8_t audioMode;
    bool seeThrough;
    bool hiPower;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class HeadsetCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(HeadsetCommandTest, AppliesTheCommandAndReportsItInBothStatusReports) {
    const CommandCase& c = GetParam();
    VirtualHeadset headset;
    headset.setAudioMode(1);
    headset.setSeeThrough(false);
    headset.setHiPower(true);

    Report command = commandReport(c.functionCode, c.valueByte, c.value);
    EXPECT_EQ(headset.setFeature(1, command), ERROR_SUCCESS);
    EXPECT_EQ(headset.audioMode(), c.audioMode);
    EXPECT_EQ(headset.seeThrough(), c.seeThrough);
    EXPECT_EQ(headset.hiPower(), c.hiPower);
    EXPECT_EQ(headset.commandsApplied(), 1u);

    Report feature = kStatusFeatureRequest;
    ASSERT_EQ(headset.getFeature(1, feature), ERROR_SUCCESS);
    EXPECT_EQ(feature[0], 0x04);
    EXPECT_EQ(feature[1], 0x87);
    EXPECT_EQ(feature[2], 0x29);
    EXPECT_EQ(feature[3], 0x3C);
    EXPECT_EQ(feature[10], c.audioMode);
    EXPECT_EQ(feature[11], c.seeThrough ? 1 : 0);
    EXPECT_EQ(feature[61], c.hiPower ? 0 : 1) << "0 means hi power on";

    headset.opened(2);
    Report input = readNow(headset, 2);
    EXPECT_EQ(input, feature) << "the input status report carries the same bytes";

    auto sent = headset.received(Kind::SetFeature);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], command);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, HeadsetCommandTest,
    ::testing::Values(CommandCase{"AudioMode0", 0x20, 17, 0x00, 0, false, true},
                      CommandCase{"AudioMode2", 0x20, 17, 0x02, 2, false, true},
                      CommandCase{"SeeThroughOn", 0x20, 17, 0xC0, 1, true, true},
                      CommandCase{"SeeThroughOff", 0x20, 17, 0x80, 1, false, true},
                      CommandCase{"UnknownAudioSettingIgnored", 0x20, 17, 0x07, 1, false, true},
                      CommandCase{"HiPowerOff", 0x08, 15, 0x01, 1, false, false},
                      CommandCase{"HiPowerOn", 0x08, 15, 0x00, 1, false, true},
                      CommandCase{"StatusRequestChangesNothing", 0x01, 12, 0x01, 1, false, true}),
    [](const auto& entry) { return std::string(entry.param.name); });

TEST(VirtualHeadset, HiPowerOffThenOnRoundTrips) {
    VirtualHeadset headset;
    EXPECT_TRUE(headset.hiPower());
    headset.setFeature(1, commandReport(0x08, 15, 0x01));
    EXPECT_FALSE(headset.hiPower());
    EXPECT_EQ(headset.statusReport()[61], 1);
    headset.setFeature(1, commandReport(0x08, 15, 0x00));
    EXPECT_TRUE(headset.hiPower());
    EXPECT_EQ(headset.statusReport()[61], 0);
}

TEST(VirtualHeadset, StallsOnFeatureReportsThatAreNoCommand) {
    VirtualHeadset headset;
    Report wrongWord = commandReport(0x20, 17, 0x02);
    wrongWord[1] = 0x87;
    Report wrongId = commandReport(0x20, 17, 0x02);
    wrongId[0] = 0x05;
    EXPECT_EQ(headset.setFeature(1, wrongWord), ERROR_GEN_FAILURE);
    EXPECT_EQ(headset.setFeature(1, wrongId), ERROR_GEN_FAILURE);
    EXPECT_EQ(headset.audioMode(), 0);
    EXPECT_EQ(headset.commandsApplied(), 0u);
    auto received = headset.received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_FALSE(received[0].accepted);
    EXPECT_EQ(received[0].bytes, wrongWord);
    EXPECT_EQ(received[1].bytes, wrongId);

    Report otherFeature{};
    otherFeature[0] = 0x03;
    EXPECT_EQ(headset.getFeature(1, otherFeature), ERROR_GEN_FAILURE);
    EXPECT_EQ(otherFeature[1], 0) << "a refused request leaves the buffer alone";
}

TEST(VirtualHeadset, StatusByteCanHoldAnyValue) {
    VirtualHeadset headset;
    headset.setHiPowerStatusByte(0x7F);
    headset.setAudioMode(0xFE);
    EXPECT_FALSE(headset.hiPower());
    Report status = headset.statusReport();
    EXPECT_EQ(status[61], 0x7F);
    EXPECT_EQ(status[10], 0xFE);
}

TEST(VirtualHeadset, EveryOpenStartsWithOneStatusReportThenNothing) {
    VirtualHeadset headset;
    headset.setAudioMode(2);
    headset.opened(7);
    Report first = readNow(headset, 7);
    EXPECT_EQ(first[10], 2);
    EXPECT_FALSE(headset.read(7).completesAfterMs) << "nothing more to send: the read stays pending";

    headset.setAudioMode(1);
    headset.opened(8);
    EXPECT_EQ(readNow(headset, 8)[10], 1) << "the status is taken when the handle is opened";
    headset.closed(7);
    headset.closed(8);
    EXPECT_EQ(headset.opens(), 2u);
    EXPECT_EQ(headset.closes(), 2u);
    EXPECT_EQ(headset.openHandles(), 0u);
    EXPECT_EQ(headset.inputReportsDelivered(), 2u);
}

TEST(VirtualHeadset, VersionRequestIsAnsweredAfterTheOtherReports) {
    VirtualHeadset headset;
    headset.setOtherReportsBeforeVersion(3);
    headset.opened(1);
    TransferReply write = headset.write(1, kVersionRequest);
    EXPECT_FALSE(write.rejectedWith);
    EXPECT_EQ(write.completesAfterMs, std::uint64_t{0});

    EXPECT_EQ(readNow(headset, 1)[1], 0x87) << "the status report sent on open comes first";
    std::vector<std::uint8_t> sequence;
    for (int i = 0; i < 3; ++i) {
        Report other = readNow(headset, 1);
        EXPECT_NE(other[0], 0x01);
        sequence.push_back(other[4]);
    }
    EXPECT_EQ(sequence, (std::vector<std::uint8_t>{1, 2, 3}));
    Report reply = readNow(headset, 1);
    EXPECT_EQ(reply[0], 0x01);
    EXPECT_EQ(reply[1], 0x66);
    EXPECT_EQ(reply[2], 0x22);
    EXPECT_EQ(versionTextOf(reply), "0000000000001103");
    EXPECT_EQ(headset.received(Kind::Output), std::vector<Report>{kVersionRequest});
}

TEST(VirtualHeadset, VersionTextIsConfigurableAndCutAtSixtyCharacters) {
    EXPECT_EQ(VirtualHeadset::versionText(1, 102), "0000000000001102");
    EXPECT_EQ(VirtualHeadset::versionText(12, 7), "0000000000012007");

    VirtualHeadset headset;
    headset.opened(1);
    readNow(headset, 1);
    headset.setFirmwareVersion(250);
    headset.write(1, kVersionRequest);
    EXPECT_EQ(versionTextOf(readNow(headset, 1)), "0000000000001250");

    headset.setVersionText(std::string(70, '9'));
    headset.write(1, kVersionRequest);
    Report reply = readNow(headset, 1);
    EXPECT_EQ(versionTextOf(reply), std::string(60, '9'));
    EXPECT_EQ(reply[63], '9') << "no terminator fits after sixty characters";
}

TEST(VirtualHeadset, OtherOutputReportsAreTakenButNotAnswered) {
    VirtualHeadset headset;
    headset.opened(1);
    readNow(headset, 1);
    Report other = kVersionRequest;
    other[1] = 0x67;
    EXPECT_FALSE(headset.write(1, other).rejectedWith);
    EXPECT_FALSE(headset.read(1).completesAfterMs);
}

TEST(VirtualHeadset, DelaysApplyToReadsAndWritesSeparately) {
    VirtualHeadset headset;
    headset.setInputDelayMs(250);
    headset.setOutputDelayMs(40);
    headset.opened(1);
    EXPECT_EQ(headset.write(1, kVersionRequest).completesAfterMs, std::uint64_t{40});
    TransferReply read = headset.read(1);
    EXPECT_EQ(read.completesAfterMs, std::uint64_t{250});
    EXPECT_EQ(read.data.size(), 64u);
}

TEST(VirtualHeadset, SilentHeadsetDeliversNothingButStillTakesRequests) {
    VirtualHeadset headset;
    headset.setSilent(true);
    headset.opened(1);
    EXPECT_FALSE(headset.read(1).completesAfterMs);
    EXPECT_EQ(headset.write(1, kVersionRequest).completesAfterMs, std::uint64_t{0});
    EXPECT_FALSE(headset.read(1).completesAfterMs);
    EXPECT_EQ(headset.inputReportsDelivered(), 0u);

    headset.setSilent(false);
    EXPECT_EQ(readNow(headset, 1)[1], 0x87) << "what was queued meanwhile comes out in order";
}

TEST(VirtualHeadset, RejectedRequestsFailWithTheGivenErrorUntilAccepted) {
    VirtualHeadset headset;
    headset.opened(1);
    headset.reject(VirtualHeadset::Request::Read, ERROR_DEVICE_NOT_CONNECTED);
    headset.reject(VirtualHeadset::Request::Write);
    headset.reject(VirtualHeadset::Request::SetFeature, ERROR_ACCESS_DENIED);
    headset.reject(VirtualHeadset::Request::GetFeature);

    EXPECT_EQ(headset.read(1).rejectedWith, ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(headset.write(1, kVersionRequest).rejectedWith, ERROR_GEN_FAILURE);
    EXPECT_EQ(headset.setFeature(1, commandReport(0x20, 17, 2)), ERROR_ACCESS_DENIED);
    Report status = kStatusFeatureRequest;
    EXPECT_EQ(headset.getFeature(1, status), ERROR_GEN_FAILURE);
    EXPECT_EQ(status, kStatusFeatureRequest);
    EXPECT_EQ(headset.audioMode(), 0) << "a refused command is not applied";

    auto received = headset.received();
    ASSERT_EQ(received.size(), 3u) << "offered reports are recorded, refused or not";
    for (const auto& entry : received) EXPECT_FALSE(entry.accepted);

    headset.accept(VirtualHeadset::Request::Read);
    headset.accept(VirtualHeadset::Request::SetFeature);
    EXPECT_EQ(readNow(headset, 1)[1], 0x87);
    EXPECT_EQ(headset.setFeature(1, commandReport(0x20, 17, 2)), ERROR_SUCCESS);
    EXPECT_EQ(headset.audioMode(), 2);
}

TEST(VirtualHeadset, DescribesItselfWithTheBuiltInIdentity) {
    auto headset = std::make_shared<VirtualHeadset>();
    HidInterface description = VirtualHeadset::describe(headset, L"TAMO Prime", 3);
    EXPECT_EQ(description.vendorId, 0x2E5C);
    EXPECT_EQ(description.productId, 0x0712);
    EXPECT_EQ(description.usagePage, 0xFF00);
    EXPECT_EQ(description.usage, 0x0001);
    EXPECT_EQ(description.productString, L"TAMO Prime");
    EXPECT_EQ(description.inputReportByteLength, 64);
    EXPECT_EQ(description.outputReportByteLength, 64);
    EXPECT_EQ(description.featureReportByteLength, 64);
    EXPECT_EQ(description.device, headset);
    EXPECT_NE(description.path, VirtualHeadset::describe(headset, L"TAMO Prime", 4).path);
}

}  // namespace
}  // namespace emulated
