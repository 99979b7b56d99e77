// Report layouts, compared as whole 64-byte images.
#include "expected_reports.h"
#include "protocol/command_payloads.h"
#include "protocol/reports.h"

#include <gtest/gtest.h>

#include <functional>

namespace tamo::test {
namespace {

struct CommandCase {
    ExpectedCommand expected;
    std::function<CommandPayload()> payload;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.expected.name; }

class CommandImageTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandImageTest, ReportImageIsExact) {
    CommandReport report;
    report.setPayload(GetParam().payload());
    EXPECT_EQ(report.image(), GetParam().expected.report);
    EXPECT_EQ(report.reportId(), 0x04);
    EXPECT_EQ(report.commandWord(), 0x2978);
    EXPECT_EQ(report.payloadLength(), 56);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, CommandImageTest,
    ::testing::Values(CommandCase{kSeeThroughOn, [] { return seeThroughPayload(true); }},
                      CommandCase{kSeeThroughOff, [] { return seeThroughPayload(false); }},
                      CommandCase{kAudioMode0, [] { return audioModePayload(0); }},
                      CommandCase{kAudioMode1, [] { return audioModePayload(1); }},
                      CommandCase{kAudioMode2, [] { return audioModePayload(2); }},
                      CommandCase{kHiPowerOn, [] { return hiPowerPayload(true); }},
                      CommandCase{kHiPowerOff, [] { return hiPowerPayload(false); }},
                      CommandCase{kStatusRequest, [] { return statusRequestPayload(); }}),
    [](const auto& entry) { return std::string(entry.param.expected.name); });

TEST(CommandReportTest, NewReportHasNoPayload) {
    CommandReport report;
    EXPECT_EQ(report.image(), kNoPayloadCommand);
    EXPECT_EQ(report.payloadLength(), 0);
}

TEST(CommandReportTest, ClearingThePayloadLeavesOnlyTheHeader) {
    CommandReport report;
    report.setPayload(seeThroughPayload(true));
    report.clearPayload();
    EXPECT_EQ(report.image(), kNoPayloadCommand);
    EXPECT_EQ(report.payloadLength(), 0);
}

TEST(CommandReportTest, FullPayloadFillsBytes4To59AndNeverTheTail) {
    CommandPayload payload;
    payload.fill(0xFF);
    CommandReport report;
    report.setPayload(payload);
    Image expected = image({0x04, 0x78, 0x29, 0x38});
    for (std::size_t i = 4; i < 60; ++i) expected[i] = 0xFF;
    EXPECT_EQ(report.image(), expected);
}

TEST(CommandReportTest, AllZeroPayloadStillCarriesLength56) {
    CommandReport report;
    report.setPayload(CommandPayload{});
    EXPECT_EQ(report.image(), image({0x04, 0x78, 0x29, 0x38}));
}

TEST(CommandReportTest, ReplacingThePayloadLeavesNothingOfTheOldOne) {
    CommandReport report;
    report.setPayload(seeThroughPayload(true));
    report.setPayload(hiPowerPayload(false));
    EXPECT_EQ(report.image(), kHiPowerOff.report);
}

TEST(CommandPayloadTest, FunctionCodeIsAFullLittleEndianWord) {
    CommandPayload payload = commandPayload(0x12345678);
    CommandPayload expected{};
    expected[0] = 0x78;
    expected[1] = 0x56;
    expected[2] = 0x34;
    expected[3] = 0x12;
    EXPECT_EQ(payload, expected);
}

TEST(FixedReportTest, StatusFeatureRequest) { EXPECT_EQ(statusFeatureRequest(), kStatusFeatureRequest); }

TEST(FixedReportTest, VersionRequest) { EXPECT_EQ(versionRequest(), kVersionRequest); }

TEST(VersionReplyTest, RecognisedByIdAndCommandWordOnly) {
    Image reply = versionReply("0000000000001103");
    EXPECT_TRUE(isVersionReply(reply));
    reply[3] = 0xEE;  // byte 3 is not examined
    EXPECT_TRUE(isVersionReply(reply));
}

TEST(VersionReplyTest, OtherReportsAreNotTheReply) {
    struct Case {
        std::size_t offset;
        std::uint8_t value;
    };
    for (Case c : {Case{0, 0x04}, Case{0, 0x00}, Case{1, 0x65}, Case{1, 0x22}, Case{2, 0x66}, Case{2, 0x00}}) {
        Image reply = versionReply("0000000000001103");
        reply[c.offset] = c.value;
        EXPECT_FALSE(isVersionReply(reply)) << "byte " << c.offset << " = " << int(c.value);
    }
}

TEST(VersionReplyTest, TextEndsAtTheFirstZeroByte) {
    Image reply = versionReply("0000000000001103");
    reply[30] = 'X';  // beyond the terminator
    EXPECT_EQ(versionText(reply), "0000000000001103");
}

TEST(VersionReplyTest, TextWithoutZeroByteIsSixtyCharacters) {
    Image reply = versionReply(std::string(60, '7'));
    EXPECT_EQ(versionText(reply), std::string(60, '7'));
}

TEST(VersionReplyTest, ZeroAtByte4GivesAnEmptyText) {
    Image reply = versionReply("");
    reply[5] = '1';
    EXPECT_EQ(versionText(reply), "");
}

TEST(VersionReplyTest, TextKeepsEightBitCharacters) {
    Image reply = versionReply("\xE9\xFF" "1");
    EXPECT_EQ(versionText(reply), "\xE9\xFF" "1");
}

TEST(StatusBlockTest, IsBytes4To63InOrder) {
    Image report;
    for (std::size_t i = 0; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(i + 1);
    StatusBlock block = statusBlockOf(report);
    for (std::size_t b = 0; b < block.size(); ++b) EXPECT_EQ(block[b], b + 5) << "block byte " << b;
    EXPECT_EQ(block[status::kAudioMode], report[10]);
    EXPECT_EQ(block[status::kHiPowerStatus], report[61]);
}

}  // namespace
}  // namespace tamo::test
