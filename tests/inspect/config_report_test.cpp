// The configuration report on broken files: the line and the reason, and
// whether the library uses the file as written.
#include <gtest/gtest.h>

#include "config/hmd_config.h"
#include "inspect/config_report.h"
#include "platform/emulated/host_directory.h"
#include "platform/line_redirect.h"
#include "config_samples.h"
#include "platform_test.h"
#include "scratch_directory.h"

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

namespace tamo::test {
namespace {

using inspect::ConfigFileState;
using inspect::ConfigReport;
using inspect::ConfigVerdict;

// One finding as the tests name it: its line (0 for none) and its reason.
using Found = std::pair<int, std::string>;

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// ASCII `text` as a UTF-16 file would hold it.
std::string utf16(const std::string& text, bool littleEndian, bool byteOrderMark) {
    std::string out = byteOrderMark ? (littleEndian ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (char c : text) out += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
    return out;
}

const std::string kSeeThroughFile = withCrLf("NUM_OF_CONFIG=1\n" + kEntry1 + "ENABLE_SEE_THROUGH=1\n");

struct BrokenFile {
    const char* name;
    std::string contents;
    ConfigVerdict verdict;
    std::vector<Found> findings;  // all of them, notes included, in order
};

void PrintTo(const BrokenFile& c, std::ostream* out) { *out << c.name; }

class ConfigFiles : public PlatformTest {
protected:
    // The file is read through the file system, as the library reads it.
    ConfigReport check(const std::string& contents) {
        return inspectFile(scratch_.write("hmd_config.ini", contents));
    }
    static ConfigReport inspectFile(const std::filesystem::path& file) {
        return inspect::inspectConfigFile(emulated::windowsPathOf(file), file.string());
    }

    ScratchDirectory scratch_;
};

class ConfigCheckTable : public ConfigFiles, public ::testing::WithParamInterface<BrokenFile> {};

std::vector<Found> foundIn(const ConfigReport& report) {
    std::vector<Found> found;
    for (const inspect::Finding& finding : report.findings) {
        found.emplace_back(finding.line.value_or(0), inspect::reasonName(finding.reason));
    }
    return found;
}

// From the file and from the same bytes in memory: one answer.
TEST_P(ConfigCheckTable, NamesTheLineAndTheReason) {
    ConfigReport result = check(GetParam().contents);
    EXPECT_EQ(foundIn(result), GetParam().findings);
    EXPECT_EQ(result.verdict, GetParam().verdict);
    ConfigReport inMemory = inspect::inspectConfigText(GetParam().contents, result.path);
    EXPECT_EQ(foundIn(inMemory), GetParam().findings);
    EXPECT_EQ(inMemory.verdict, GetParam().verdict);
}

constexpr ConfigVerdict kIgnored = ConfigVerdict::Ignored;
constexpr ConfigVerdict kPartly = ConfigVerdict::PartlyIgnored;
constexpr ConfigVerdict kUsed = ConfigVerdict::UsedAsWritten;
constexpr ConfigVerdict kEmpty = ConfigVerdict::EmptyTable;

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigCheckTable,
    ::testing::Values(
        // Lines the library cannot split: the whole file is ignored.
        BrokenFile{"blank_line", "NUM_OF_CONFIG=1\n\nENABLE_SEE_THROUGH=1\n", kIgnored, {{2, "blank-line"}}},
        BrokenFile{"trailing_empty_line", "ENABLE_SEE_THROUGH=1\n\n", kIgnored, {{2, "trailing-empty-line"}}},
        BrokenFile{"blanks_only_line", "ENABLE_SEE_THROUGH=1\n \t \nNUM_OF_CONFIG=0\n", kIgnored, {{2, "blank-line"}}},
        BrokenFile{"comment", "# headset table\nNUM_OF_CONFIG=1\n", kIgnored, {{1, "no-equals"}}},
        BrokenFile{"section_header", "ENABLE_SEE_THROUGH=1\n[devices]\n", kIgnored, {{2, "no-equals"}}},
        BrokenFile{"no_value", "ENABLE_SEE_THROUGH=\n", kIgnored, {{1, "no-value"}}},
        BrokenFile{"no_key", "=1\n", kIgnored, {{1, "no-key"}}},
        BrokenFile{"only_equals", "ENABLE_SEE_THROUGH=1\n===\n", kIgnored, {{2, "only-equals"}}},
        BrokenFile{"every_bad_line", "ENABLE_SEE_THROUGH=1\nkey only\n\nX=\n", kIgnored,
                   {{2, "no-equals"}, {3, "blank-line"}, {4, "no-value"}}},
        // Keys the library never looks up.
        BrokenFile{"byte_order_mark", "\xEF\xBB\xBF" "ENABLE_SEE_THROUGH=1\nNUM_OF_CONFIG=0\n", kPartly,
                   {{1, "bom"}, {2, "num-not-positive"}, {0, "utf8-bom"}, {0, "see-through-missing"}}},
        // Saved as UTF-16: one finding, not one for every line.
        BrokenFile{"utf16_little_endian", utf16(kSeeThroughFile, true, true), kIgnored, {{0, "utf16"}}},
        BrokenFile{"utf16_big_endian", utf16(kSeeThroughFile, false, true), kIgnored, {{0, "utf16"}}},
        BrokenFile{"utf16_without_mark", utf16(kSeeThroughFile, true, false), kIgnored, {{0, "utf16"}}},
        BrokenFile{"utf16_big_endian_without_mark", utf16(kSeeThroughFile, false, false), kIgnored, {{0, "utf16"}}},
        BrokenFile{"key_case", "Enable_See_Through=1\n", kPartly,
                   {{1, "key-case"}, {0, "num-missing"}, {0, "see-through-missing"}}},
        BrokenFile{"key_blanks", "ENABLE_SEE_THROUGH = 1\n", kPartly,
                   {{1, "key-blanks"}, {0, "num-missing"}, {0, "see-through-missing"}}},
        BrokenFile{"key_too_few_digits", "NUM_OF_CONFIG=1\nVENDORID_1=2E5C\n" + without(kEntry1, "VENDORID_001"), kEmpty,
                   {{1, "empty-table"}, {2, "key-digits"}, {3, "entry-missing-key"}, {0, "see-through-missing"}}},
        BrokenFile{"key_too_many_digits", "ENABLE_SEE_THROUGH=1\nNUM_OF_CONFIG=1\n" + kEntry1 + "USAGE_0001=2\n",
                   kPartly, {{10, "key-digits"}}},
        BrokenFile{"unknown_key", "ENABLE_SEE_THROUGH=1\nCOLOUR=red\n", kPartly,
                   {{2, "unknown-key"}, {0, "num-missing"}}},
        // Entries are numbered from 1: no key of entry 0 is near one the
        // library looks up.
        BrokenFile{"entry_zero_short", "ENABLE_SEE_THROUGH=1\nVENDORID_0=2E5C\n", kPartly,
                   {{2, "unknown-key"}, {0, "num-missing"}}},
        // The count of entries.
        BrokenFile{"count_not_a_number", "NUM_OF_CONFIG=two\nENABLE_SEE_THROUGH=1\n" + kEntry1, kPartly,
                   {{1, "num-not-number"}}},
        BrokenFile{"count_with_text", "NUM_OF_CONFIG=1 entry\nENABLE_SEE_THROUGH=1\n" + kEntry1, kPartly,
                   {{1, "number-trailing-text"}}},
        BrokenFile{"count_zero_alone", "NUM_OF_CONFIG=0\nENABLE_SEE_THROUGH=1\n", kUsed, {{1, "num-not-positive"}}},
        BrokenFile{"count_negative_with_entries", "NUM_OF_CONFIG=-1\nENABLE_SEE_THROUGH=1\n" + kEntry1, kPartly,
                   {{1, "num-not-positive"}}},
        BrokenFile{"count_missing_with_entries", "ENABLE_SEE_THROUGH=1\n" + kEntry1, kPartly, {{0, "num-missing"}}},
        // Entries.
        BrokenFile{"entry_missing_key",
                   "NUM_OF_CONFIG=2\nENABLE_SEE_THROUGH=1\n" + kEntry1 +
                       "VENDORID_002=2E5C\nPRODUCTID_002=0712\nUSAGE_002=0001\nUSAGEPAGE_002=FF00\n"
                       "PRODUCTNAME_002=TAMO Prime\nREPORTID_002=0\n",
                   kPartly, {{10, "entry-missing-key"}}},
        BrokenFile{"entries_announced_but_absent", "NUM_OF_CONFIG=3\nENABLE_SEE_THROUGH=1\n" + kEntry1, kPartly,
                   {{1, "entry-missing-key"}}},
        BrokenFile{"only_entry_incomplete", "NUM_OF_CONFIG=1\nENABLE_SEE_THROUGH=1\n" + without(kEntry1, "DEVICENAME_001"),
                   kEmpty, {{1, "empty-table"}, {3, "entry-missing-key"}}},
        BrokenFile{"entry_beyond_count", "NUM_OF_CONFIG=1\nENABLE_SEE_THROUGH=1\n" + kEntry1 + "VENDORID_002=2E5C\n",
                   kPartly, {{10, "entry-beyond-count"}}},
        BrokenFile{"entry_zero", "NUM_OF_CONFIG=1\nENABLE_SEE_THROUGH=1\n" + kEntry1 + "VENDORID_000=2E5C\n",
                   kPartly, {{10, "entry-beyond-count"}}},
        BrokenFile{"vendor_not_hex", "NUM_OF_CONFIG=1\nENABLE_SEE_THROUGH=1\nVENDORID_001=vendor\n" + without(kEntry1, "VENDORID_001"),
                   kPartly, {{3, "hex-not-number"}}},
        BrokenFile{"vendor_too_wide", "NUM_OF_CONFIG=1\nENABLE_SEE_THROUGH=1\nVENDORID_001=12E5C\n" +
                                          without(kEntry1, "VENDORID_001"),
                   kUsed, {{3, "id-too-wide"}}},
        BrokenFile{"usage_negative", "NUM_OF_CONFIG=1\nENABLE_SEE_THROUGH=1\nUSAGE_001=-1\n" + without(kEntry1, "USAGE_001"),
                   kUsed, {{3, "usage-out-of-range"}}},
        BrokenFile{"usage_page_too_wide", "NUM_OF_CONFIG=1\nENABLE_SEE_THROUGH=1\n" + kEntry1 + "USAGEPAGE_001=1FF00\n",
                   kPartly, {{6, "duplicate-key"}, {10, "usage-out-of-range"}}},
        BrokenFile{"product_name_blank", "NUM_OF_CONFIG=1\nENABLE_SEE_THROUGH=1\n" + kEntry1 +
                                             "PRODUCTNAME_001=Tamo Mk2 \n",
                   kPartly, {{7, "duplicate-key"}, {10, "value-blanks"}}},
        // Lines read otherwise than they look.
        BrokenFile{"duplicate", "ENABLE_SEE_THROUGH=1\nENABLE_SEE_THROUGH=0\n", kPartly,
                   {{1, "duplicate-key"}, {0, "num-missing"}}},
        BrokenFile{"extra_text", "ENABLE_SEE_THROUGH=1=0\n", kPartly, {{1, "extra-text"}, {0, "num-missing"}}},
        BrokenFile{"see_through_word", "ENABLE_SEE_THROUGH=true\n", kPartly,
                   {{1, "see-through-not-number"}, {0, "num-missing"}}},
        BrokenFile{"equals_skipped", "==ENABLE_SEE_THROUGH==1\n", kUsed, {{1, "equals-skipped"}, {0, "num-missing"}}},
        BrokenFile{"old_mac_line_ends", "ENABLE_SEE_THROUGH=1\rNUM_OF_CONFIG=0\r", kPartly,
                   {{1, "lone-cr"}, {1, "extra-text"}, {1, "number-trailing-text"}, {0, "num-missing"}}},
        // Files the library uses as they stand.
        BrokenFile{"built_in_table_written_out", "NUM_OF_CONFIG=1\n" + kEntry1 + "ENABLE_SEE_THROUGH=1", kUsed, {}},
        BrokenFile{"crlf", withCrLf("NUM_OF_CONFIG=1\n" + kEntry1 + "ENABLE_SEE_THROUGH=1\n"), kUsed, {}},
        BrokenFile{"empty_file", "", kUsed, {{0, "num-missing"}, {0, "see-through-missing"}}}),
    [](const ::testing::TestParamInfo<BrokenFile>& test) { return std::string(test.param.name); });

// Scripts key on the names: every reason has one, and no two share it.
TEST(ConfigReasons, EachHasADistinctName) {
    std::set<std::string> names;
    for (std::size_t i = 0; i < inspect::kReasonCount; ++i) {
        const char* name = inspect::reasonName(static_cast<inspect::Reason>(i));
        ASSERT_NE(name, nullptr) << "reason " << i;
        EXPECT_TRUE(names.insert(name).second) << name;
    }
}

class ConfigCheckDetails : public ConfigFiles {};

TEST_F(ConfigCheckDetails, AMalformedLineIsExplainedWithWhatTheLibraryPrints) {
    ConfigReport result = check("ENABLE_SEE_THROUGH=1\n[devices]\nkey\n");
    EXPECT_EQ(result.file, ConfigFileState::Malformed);
    EXPECT_TRUE(result.builtInTable);
    EXPECT_EQ(result.table.size(), 3u);
    EXPECT_FALSE(result.seeThroughAllowed);
    ASSERT_EQ(result.findings.size(), 2u);
    EXPECT_NE(result.findings[0].message.find("the library stops reading here"), std::string::npos);
    EXPECT_NE(result.findings[1].message.find("would stop the library as well"), std::string::npos);
    std::vector<std::string> printed = {"strtok_r() is failed!!", "getKeyValueFromBuffer([devices]) is failed!!"};
    EXPECT_EQ(result.tableLines, printed);
    EXPECT_EQ(result.seeThroughLines, printed);
}

TEST_F(ConfigCheckDetails, TheTableComesEntryByEntryWithItsLines) {
    ConfigReport result = check("NUM_OF_CONFIG=2\n" + kEntry1 + "ENABLE_SEE_THROUGH=2\n");
    ASSERT_EQ(result.table.size(), 1u);
    EXPECT_EQ(result.table[0].index, 1);
    EXPECT_EQ(result.table[0].properties.productName, "Tamo Mk2");
    EXPECT_EQ(result.table[0].written[propertyIndex("ProductName")], "Tamo Mk2");
    ASSERT_TRUE(result.table[0].lines);
    EXPECT_EQ(*result.table[0].lines, (std::array<int, kPropertyCount>{2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(result.seeThroughAllowed);
    EXPECT_EQ(result.seeThroughLine, 9);
    EXPECT_EQ(result.tableLines, std::vector<std::string>{"Cannot find the key:VENDORID_002"});
}

TEST_F(ConfigCheckDetails, AFileTheLibraryCannotOpenMeansTheBuiltInTable) {
    // No file is the normal case; a path the library cannot open (here a
    // directory) is a file it ignores.
    struct Case {
        std::filesystem::path path;
        ConfigFileState state;
        ConfigVerdict verdict;
        const char* reason;
    };
    const Case cases[] = {
        {scratch_.path() / "none.ini", ConfigFileState::Missing, ConfigVerdict::NoFile, "no-file"},
        {scratch_.path(), ConfigFileState::Unreadable, ConfigVerdict::Ignored, "unreadable"},
    };
    for (const Case& c : cases) {
        ConfigReport result = inspectFile(c.path);
        EXPECT_EQ(result.file, c.state) << c.path;
        EXPECT_EQ(result.verdict, c.verdict) << c.path;
        EXPECT_EQ(foundIn(result), (std::vector<Found>{{0, c.reason}})) << c.path;
        EXPECT_TRUE(result.builtInTable) << c.path;
        EXPECT_TRUE(result.tableLines.empty()) << c.path;
    }
}

TEST_F(ConfigCheckDetails, TheLibrarysOwnAnswerAgreesForTheFileBesideTheExecutable) {
    std::filesystem::path file = scratch_.write(
        "hmd_config.ini", "NUM_OF_CONFIG=3\n" + kEntry1 + "VENDORID_003=1\nENABLE_SEE_THROUGH=yes\n");
    emulated::System::setExecutablePath(emulated::windowsPathOf(scratch_.path() / "host.exe"));
    ConfigReport result = inspectFile(file);
    LineRedirect printed;
    DeviceConfigList table;
    loadDeviceConfigs(table);
    EXPECT_EQ(result.tableLines, printed.lines());
    EXPECT_EQ(result.table.size(), table.size());
    EXPECT_EQ(result.tableLines,
              (std::vector<std::string>{"Cannot find the key:VENDORID_002", "Cannot find the key:PRODUCTID_003"}));
    EXPECT_EQ(result.verdict, ConfigVerdict::PartlyIgnored);
}

TEST_F(ConfigCheckDetails, ItChangesNoFile) {
    std::string contents = "ENABLE_SEE_THROUGH=1\n\n";
    std::filesystem::path file = scratch_.write("hmd_config.ini", contents);
    auto before = std::filesystem::last_write_time(file);
    inspectFile(file);
    EXPECT_EQ(readFile(file), contents);
    EXPECT_EQ(std::filesystem::last_write_time(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch_.path()), {}), 1);
}

}  // namespace
}  // namespace tamo::test
