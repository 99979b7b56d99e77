// check-config's report as the tool writes it: the one-line summary, the
// exit status that ranks the file, and the library's numbered lines folded.
#include <gtest/gtest.h>

#include "config_check.h"
#include "config_samples.h"
#include "platform_test.h"

#include <algorithm>
#include <optional>

namespace tamo::test {
namespace {

using tool::ConfigReport;

// What a file does to the library, said in one line, and the exit status
// that ranks it: no file and a file used as meant are fine; a file ignored
// as a whole, one partly ignored and one that leaves no entry are not, and
// each has its own status.
struct EffectCase {
    const char* name;
    std::optional<std::string> contents;  // none: no file
    tool::ExitStatus status;
    std::string summary;
};

void PrintTo(const EffectCase& c, std::ostream* out) { *out << c.name; }

class ConfigEffect : public PlatformTest, public ::testing::WithParamInterface<EffectCase> {};

TEST_P(ConfigEffect, SummaryAndStatusFollowWhatTheLibraryWillDo) {
    const EffectCase& c = GetParam();
    ConfigReport result = c.contents ? inspect::inspectConfigText(*c.contents, "hmd_config.ini")
                                     : inspect::inspectConfigFile(L"Z:\\no\\such\\hmd_config.ini", "none.ini");
    EXPECT_EQ(tool::summaryOf(result), c.summary);
    EXPECT_EQ(tool::exitStatusOf(result), c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigEffect,
    ::testing::Values(
        EffectCase{"no_file", std::nullopt, tool::kExitSuccess,
                   "there is no file: the library uses its built-in table of 3 entries and refuses see-through"},
        EffectCase{"empty_file", "", tool::kExitSuccess,
                   "the library uses its built-in table of 3 entries and refuses see-through"},
        EffectCase{"as_meant", "NUM_OF_CONFIG=1\n" + kEntry1 + "ENABLE_SEE_THROUGH=1\n", tool::kExitSuccess,
                   "the library uses the file's table of 1 entry and allows see-through"},
        EffectCase{"blank_line", "NUM_OF_CONFIG=1\n\n" + kEntry1, tool::kExitConfigIgnored,
                   "the library ignores this file and uses its built-in table of 3 entries; it refuses see-through"},
        EffectCase{"fewer_entries", "NUM_OF_CONFIG=2\n" + kEntry1, tool::kExitConfigPartlyIgnored,
                   "the library ignores part of this file: it uses 1 of the 2 entries the file announces and "
                   "refuses see-through"},
        EffectCase{"usage_page_missing", "NUM_OF_CONFIG=1\n" + without(kEntry1, "USAGEPAGE_001"),
                   tool::kExitConfigEmptyTable,
                   "the device table is empty: no headset can be found; the library refuses see-through"},
        EffectCase{"count_clamped", "NUM_OF_CONFIG=99999999999999999999\n" + kEntry1, tool::kExitConfigPartlyIgnored,
                   "the library ignores part of this file: it uses 1 of the 2147483647 entries the file announces "
                   "and refuses see-through"}),
    [](const ::testing::TestParamInfo<EffectCase>& test) { return std::string(test.param.name); });

TEST(ConfigText, AClampedCountIsShownAsWrittenAndAsUsed) {
    ConfigReport result = inspect::inspectConfigText("NUM_OF_CONFIG=99999999999999999999\n" + kEntry1, "hmd_config.ini");
    std::vector<std::string> text = tool::describeConfigReport(result);
    auto has = [&](const std::string& wanted) { return std::find(text.begin(), text.end(), wanted) != text.end(); };
    EXPECT_TRUE(has("device table: 1 entry from the file (NUM_OF_CONFIG=99999999999999999999, read as 2147483647)"));
    EXPECT_TRUE(has("line 1: warning [number-clamped] NUM_OF_CONFIG '99999999999999999999' is beyond the library's "
                    "range: it is read as 2147483647"));
}

TEST(ConfigText, RunsOfTheLibrarysNumberedLinesAreOneLineOfText) {
    ConfigReport result = inspect::inspectConfigText("NUM_OF_CONFIG=99999999999999999999\n" + kEntry1, "hmd_config.ini");
    ASSERT_EQ(result.tableLines.size(), 998u) << "the library's own lines stay whole";
    std::vector<std::string> text = tool::describeConfigReport(result);
    std::vector<std::string> printed(std::find(text.begin(), text.end(), "the library prints, building its device table:") + 1,
                                     std::find(text.begin(), text.end(),
                                               "the library prints, asking for the see-through switch:"));
    EXPECT_EQ(printed, std::vector<std::string>{"    Cannot find the key:VENDORID_nnn for nnn = 2 to 999 (998 lines)"});
    std::string json = tool::configReportJson(result).dump();
    EXPECT_NE(json.find("\"text\": \"Cannot find the key:VENDORID_nnn\",\n"), std::string::npos) << json;
    EXPECT_NE(json.find("\"count\": 998,"), std::string::npos) << "countable without 998 strings";
    EXPECT_EQ(json.find("VENDORID_500"), std::string::npos);
}

}  // namespace
}  // namespace tamo::test
