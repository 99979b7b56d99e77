// What the configuration decisions say about a file, besides their answer:
// the file's state, the indices visited and why entries were dropped, where
// values came from, and the lines the library prints for them.
#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "config_files.h"
#include "platform/line_redirect.h"

#include <array>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using Lines = std::vector<std::string>;
using ConfigDecisionTest = HmdConfigTest;

const std::string kEntry1 =
    "VENDORID_001=045E\nPRODUCTID_001=0B12\nUSAGE_001=0005\nUSAGEPAGE_001=0001\n"
    "PRODUCTNAME_001=Pad One\nREPORTID_001=2\nDEVICENAME_001=PAD#1\n";

struct LinesCase {
    const char* what;
    std::optional<std::string> file;
};

// Asked silently, a decision keeps the very lines the library prints when
// it acts on the same file, and prints none itself.
TEST_F(ConfigDecisionTest, SilentDecisionsKeepTheLinesTheLibraryPrints) {
    const std::vector<LinesCase> cases = {
        {"no file", std::nullopt},
        {"malformed", "NUM_OF_CONFIG=1\n\nENABLE_SEE_THROUGH=1\n"},
        {"no count, no switch", "A=1\n"},
        {"entries with holes", "NUM_OF_CONFIG=4\nENABLE_SEE_THROUGH=2\n" + kEntry1 + "VENDORID_003=1\n"},
    };
    for (const LinesCase& c : cases) {
        if (c.file) writeConfig(*c.file);
        else removeConfig();
        Lines printed;
        {
            LineRedirect out;
            DeviceConfigList table;
            loadDeviceConfigs(table);
            isSeeThroughEnabled();
            printed = out.lines();
        }
        LineRedirect silent;
        HMDConfigReader tableReader;
        DeviceTableDecision table = decideDeviceTable(ReaderSource(tableReader));
        HMDConfigReader switchReader;
        SeeThroughDecision seeThrough = decideSeeThrough(ReaderSource(switchReader));
        EXPECT_EQ(silent.text(), "") << c.what;
        Lines kept = table.lines;
        kept.insert(kept.end(), seeThrough.lines.begin(), seeThrough.lines.end());
        EXPECT_EQ(kept, printed) << c.what;
    }
}

TEST_F(ConfigDecisionTest, AMissingFileIsNotFound) {
    removeConfig();
    HMDConfigReader reader;
    DeviceTableDecision decision = decideDeviceTable(ReaderSource(reader));
    EXPECT_EQ(decision.file.state, FileState::NotFound);
    EXPECT_TRUE(decision.builtIn);
    EXPECT_EQ(decision.table.size(), 3u);
    EXPECT_TRUE(decision.origins.empty());
}

struct MalformedCase {
    const char* what;
    std::string file;
    LineNumber lineCount;
    std::string line;
    SplitFailure why;
};

TEST_F(ConfigDecisionTest, AMalformedFileNamesItsLineAndWhy) {
    const std::vector<MalformedCase> cases = {
        {"blank line", "NUM_OF_CONFIG=1\n\nA=2\n", 2, "", SplitFailure::NoKey},
        {"only equals signs", "A=1\nB=2\n===\n", 3, "===", SplitFailure::NoKey},
        {"key without value", "NUM_OF_CONFIG=\n", 1, "NUM_OF_CONFIG=", SplitFailure::NoValue},
        {"comment", "# a comment\nA=1\n", 1, "# a comment", SplitFailure::NoValue},
    };
    for (const MalformedCase& c : cases) {
        writeConfig(c.file);
        HMDConfigReader reader;
        SeeThroughDecision decision = decideSeeThrough(ReaderSource(reader));
        EXPECT_EQ(decision.file.state, FileState::Malformed) << c.what;
        EXPECT_EQ(decision.file.lineCount, c.lineCount) << c.what;
        EXPECT_EQ(decision.file.malformedLine, c.line) << c.what;
        EXPECT_EQ(decision.file.why, c.why) << c.what;
        EXPECT_FALSE(decision.allowed) << c.what;
    }
}

TEST_F(ConfigDecisionTest, TheTableNamesEveryDroppedIndexAndTheKeyThatDroppedIt) {
    writeConfig("NUM_OF_CONFIG=3\n" + kEntry1 + "VENDORID_002=1\nPRODUCTID_002=2\nVENDORID_003=1\n");
    HMDConfigReader reader;
    DeviceTableDecision decision = decideDeviceTable(ReaderSource(reader));
    EXPECT_EQ(decision.file.state, FileState::Read);
    EXPECT_FALSE(decision.builtIn);
    EXPECT_EQ(decision.count, 3);
    EXPECT_EQ(decision.countLine, 1);
    ASSERT_EQ(decision.dropped.size(), 2u);
    EXPECT_EQ(decision.dropped[0].index, 2);
    EXPECT_EQ(entryKey(decision.dropped[0].missingField, 2), "USAGE_002");
    EXPECT_EQ(decision.dropped[1].index, 3);
    EXPECT_EQ(entryKey(decision.dropped[1].missingField, 3), "PRODUCTID_003");
    ASSERT_EQ(decision.table.size(), 1u);
    ASSERT_EQ(decision.origins.size(), 1u);
    EXPECT_EQ(decision.origins[0].index, 1);
    EXPECT_EQ(decision.origins[0].lines, (std::array<LineNumber, kEntryKeyCount>{2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(ConfigDecisionTest, TheLaterPairOfAKeyGivesItsLine) {
    writeConfig("ENABLE_SEE_THROUGH=0\nNUM_OF_CONFIG=0\nENABLE_SEE_THROUGH= 7 on\n");
    HMDConfigReader reader;
    SeeThroughDecision decision = decideSeeThrough(ReaderSource(reader));
    EXPECT_TRUE(decision.allowed);
    EXPECT_EQ(decision.value, " 7 on");
    EXPECT_EQ(decision.line, 3);
}

TEST_F(ConfigDecisionTest, EntryKeysWrittenOtherwiseAreNotTheEntrys) {
    writeConfig("NUM_OF_CONFIG=1\nVENDORID_1=1\nVENDORID_0001=1\nVENDORID_+01=1\n");
    HMDConfigReader reader;
    DeviceTableDecision decision = decideDeviceTable(ReaderSource(reader));
    ASSERT_EQ(decision.dropped.size(), 1u);
    EXPECT_EQ(decision.dropped[0].missingField, 0u);
}

struct KeyCase {
    const char* key;
    std::optional<std::size_t> field;
    int index = 0;
};

TEST(EntryKeys, AKeyIsAnEntrysOnlyAsTheTableWritesIt) {
    const std::vector<KeyCase> cases = {
        {"VENDORID_001", 0, 1},     {"USAGE_042", 2, 42},         {"USAGEPAGE_042", 3, 42},
        {"DEVICENAME_1000", 6, 1000}, {"VENDORID_000", 0, 0},     {"VENDORID_1", std::nullopt},
        {"VENDORID_0001", std::nullopt}, {"VENDORID_+01", std::nullopt}, {"vendorid_001", std::nullopt},
        {"VENDORID_99999999999", std::nullopt}, {"NUM_OF_CONFIG", std::nullopt},
    };
    for (const KeyCase& c : cases) {
        std::optional<EntryKeyRef> ref = entryKeyOf(c.key);
        ASSERT_EQ(ref.has_value(), c.field.has_value()) << c.key;
        if (!ref) continue;
        EXPECT_EQ(ref->field, *c.field) << c.key;
        EXPECT_EQ(ref->index, c.index) << c.key;
        EXPECT_EQ(entryKey(ref->field, ref->index), c.key);
    }
}

TEST(EntryKeys, AKeyIsWrittenAsTheCLibrarysFormatterWritesItsPattern) {
    const std::vector<int> indices = {0, 1, 9, 10, 99, 100, 999, 1000, 123456, -1, -9, -10, -99, -100,
                                      std::numeric_limits<int>::max(), std::numeric_limits<int>::min()};
    for (std::size_t field = 0; field < kEntryKeys.size(); ++field) {
        for (int index : indices) {
            std::array<char, 64> expected{};
            std::snprintf(expected.data(), expected.size(), kEntryKeys[field], index);
            EXPECT_EQ(entryKey(field, index), expected.data()) << index;
        }
    }
}

}  // namespace
}  // namespace tamo::test
