// tamo-sound as a process: the JSON document, and the virtual headset's
// state between two runs.
#include "tool_fixture.h"

#include <fstream>

namespace tamo::test {
namespace {

TEST_F(ToolTest, JsonHoldsOneObjectPerCallWithCodeNameAndState) {
    ToolRun run = tool({"--json", "audio-mode", "2", "state"});
    EXPECT_EQ(run.exitStatus, 0);
    std::vector<std::string> facts = flatten(run);
    EXPECT_EQ(facts, (std::vector<std::string>{
                         "format_version 2",
                         std::string("tool tamo-sound ") + TAMO_PROJECT_VERSION,
                         "exit_status 0",
                         "state_file_was missing",
                         "ids Tamo Mk2 11868 2E5C 1810 0712",
                         "headset Tamo Mk2 2 true false",
                         "summary 2 2 0 0",
                         "result init(before audio-mode 2) true 0 SOUND_OK 1 0",
                         "result audio-mode true 0 SOUND_OK 1 0",
                         "result state true 0 SOUND_OK 1 0",
                         "state true 2",
                     }));
}

TEST_F(ToolTest, JsonCarriesTheLibrarysLinesInsteadOfPrintingThem) {
    ToolRun run = tool({"--json", "--virtual", "old-firmware", "state"});
    EXPECT_EQ(run.exitStatus, 6);
    EXPECT_EQ(run.out.find("mc_version"), run.out.find("\"mc_version:102\"") + 1) << "only inside a JSON string";
    std::vector<std::string> facts = flatten(run);
    EXPECT_TRUE(contains(facts, "result init(before state) true -1985 SOUND_ERROR_FIRMWARE_UNSUPPORTED 1 6"))
        << run.out;
    EXPECT_TRUE(
        contains(facts, "diagnostic init(before state) MCU FW is not supported!!(Current Version:0000000000001102)"));
    EXPECT_TRUE(contains(facts, "diagnostic init(before state) mc_version:102"));
    EXPECT_TRUE(contains(facts, "result state false null null 0 6")) << "failed with its automatic init";
    EXPECT_TRUE(contains(facts, "summary 1 0 1 0"));
    EXPECT_TRUE(contains(facts, "state null null")) << "state keeps its fields, empty, when it did not run";
    EXPECT_TRUE(contains(facts, "exit_status 6"));
}

TEST_F(ToolTest, JsonCountsTheTriesOfABusyCommand) {
    ToolRun run = tool({"--json", "--virtual", "busy", "--retry", "3", "audio-mode", "0"});
    EXPECT_EQ(run.exitStatus, 4);
    std::vector<std::string> facts = flatten(run);
    EXPECT_TRUE(contains(facts, "result audio-mode true -1990 SOUND_ERROR_LOCK_BUSY 4 4")) << run.out;
    EXPECT_EQ(std::count(facts.begin(), facts.end(), "diagnostic audio-mode Handle is exist."), 4);
}

TEST_F(ToolTest, JsonReportsDeviceNotFoundWithItsExitStatus) {
    ToolRun run = tool({"--json", "--virtual", "none", "hi-power", "on"});
    EXPECT_EQ(run.exitStatus, 3);
    std::vector<std::string> facts = flatten(run);
    EXPECT_TRUE(contains(facts, "result init(before hi-power on) true -1997 SOUND_ERROR_DEVICE_NOT_FOUND 1 3"))
        << run.out;
    EXPECT_TRUE(contains(facts, "exit_status 3"));
}

TEST_F(ToolTest, ShowReportsListsWhatEachCallExchangedWithTheHeadset) {
    ToolRun run = tool({"--show-reports", "--no-init", "init", "audio-mode", "2", "destroy"});
    EXPECT_EQ(run.exitStatus, 0);
    std::vector<std::string> lines = linesOf(run.out);
    long init = lineIndex(lines, "[init] SOUND_OK");
    ASSERT_NE(init, -1) << run.out;
    EXPECT_EQ(lines[static_cast<std::size_t>(init) + 1], "[init] -> output report: 01 66 22 (+61 zero bytes)");
    EXPECT_TRUE(contains(lines, "[audio-mode 2] -> set feature: 04 78 29 38 20 00 00 00 00 00 00 00 00 00 00 00 00 "
                                "02 (+46 zero bytes)"))
        << run.out;
    EXPECT_EQ(lineIndex(lines, "[destroy] ->"), -1) << "destroy touches no device";

    ToolRun json = tool({"--json", "--show-reports", "hi-power", "off"});
    std::vector<std::string> facts = flatten(json);
    EXPECT_TRUE(contains(facts, "report hi-power 1 to_headset set_feature 64 04 78 29 38 08 00 00 00 00 00 00 00 00 00 "
                                "00 01 null"))
        << json.out;
    EXPECT_TRUE(contains(facts, "report init(before hi-power off) 1 to_headset output_report 64 01 66 22 null"));
}

struct SchemaBreak {
    const char* name;
    const char* member;       // as the tool writes it
    const char* replacement;  // a way to write it that the schema must refuse
};

void PrintTo(const SchemaBreak& c, std::ostream* out) { *out << c.name; }

class ToolSchemaRefuses : public ToolTest, public ::testing::WithParamInterface<SchemaBreak> {};

// The validation of every document is only worth as much as the schema's
// grip: a document of the tool, changed in one member, must fail it.
TEST_P(ToolSchemaRefuses, ADocumentChangedInOneMember) {
    ToolRun run = tool({"--json", "--show-reports", "state"});
    std::size_t at = run.out.find(GetParam().member);
    ASSERT_NE(at, std::string::npos) << run.out;
    ToolRun changed = run;
    changed.out.replace(at, std::string(GetParam().member).size(), GetParam().replacement);
    ToolRun python = runProgram({TAMO_PYTHON3, TAMO_JSON_VALIDATOR, TAMO_SCHEMA_PATH}, changed.out);
    EXPECT_EQ(python.exitStatus, 1) << changed.out;
}

INSTANTIATE_TEST_SUITE_P(
    Members, ToolSchemaRefuses,
    ::testing::Values(SchemaBreak{"old_format", "\"format_version\": 2", "\"format_version\": 1"},
                      SchemaBreak{"camel_case", "\"hi_power\": true", "\"hiPower\": true"},
                      SchemaBreak{"switch_as_number", "\"hi_power\": true", "\"hi_power\": 1"},
                      SchemaBreak{"number_as_text", "\"audio_mode\": 0", "\"audio_mode\": \"0\""},
                      SchemaBreak{"undocumented_member", "\"attempts\": 1", "\"implicit\": false, \"attempts\": 1"},
                      SchemaBreak{"report_as_text", "\"bytes\": [", "\"bytes\": \"01 66\", \"x\": ["},
                      SchemaBreak{"unknown_direction", "\"to_headset\"", "\"->\""},
                      SchemaBreak{"hex_id_in_lower_case", "\"2E5C\"", "\"2e5c\""},
                      SchemaBreak{"missing_summary", "\"summary\": {", "\"totals\": {"}),
    [](const ::testing::TestParamInfo<SchemaBreak>& test) { return std::string(test.param.name); });

TEST_F(ToolTest, TheHeadsetKeepsItsSettingsBetweenRuns) {
    ASSERT_EQ(tool({"audio-mode", "2", "hi-power", "off"}).exitStatus, 0);
    ToolRun second = tool({"state"});
    EXPECT_EQ(second.exitStatus, 0);
    EXPECT_TRUE(contains(linesOf(second.out), "[state] hiPower 0 (off), audioMode 2")) << second.out;
    EXPECT_EQ(readFile(stateFile()), "tamo-sound virtual headset state 1\n"
                                     "headset.1.audio_mode=2\n"
                                     "headset.1.hi_power=0\n"
                                     "headset.1.see_through=0\n");
    // Written atomically: no temporary file is left beside it.
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(stateFile().parent_path())) {
        ++files;
        EXPECT_EQ(entry.path(), stateFile());
    }
    EXPECT_EQ(files, 1u);
}

TEST_F(ToolTest, TheStateFileCanComeFromTheEnvironment) {
    std::filesystem::path file = scratch().path() / "elsewhere.state";
    auto run = [&](std::vector<std::string> arguments) {
        return runTool(arguments, {{"TAMO_VIRTUAL_STATE", file.string()}});
    };
    ASSERT_EQ(run({"audio-mode", "1"}).exitStatus, 0);
    EXPECT_TRUE(contains(linesOf(run({"state"}).out), "[state] hiPower 1 (on), audioMode 1"));
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(ToolTest, SeeThroughFollowsTheConfigurationBesideTheExecutable) {
    writeConfig("ENABLE_SEE_THROUGH=1\n");
    ToolRun on = tool({"see-through", "on"});
    EXPECT_EQ(on.exitStatus, 0) << on.out;
    EXPECT_NE(readFile(stateFile()).find("headset.1.see_through=1"), std::string::npos);
}

TEST_F(ToolTest, TwoHeadsetsKeepTheirOwnState) {
    ASSERT_EQ(tool({"--virtual", "two-headsets", "audio-mode", "1"}).exitStatus, 0);
    ToolRun run = tool({"--json", "--virtual", "two-headsets", "state"});
    std::vector<std::string> facts = flatten(run);
    // The library talks to the first one it enumerates.
    EXPECT_TRUE(contains(facts, "headset Tamo Mk2 1 true false")) << run.out;
    EXPECT_TRUE(contains(facts, "ids TAMO Prime 11868 2E5C 1810 0712")) << "numbers for programs, digits for users";
    EXPECT_TRUE(contains(facts, "headset TAMO Prime 0 true false"));
}

TEST_F(ToolTest, AStateFileThatCannotBeWrittenIsAWarningNotAFailure) {
    // The state file's directory is a plain file: nothing can be created in it.
    std::filesystem::path blocker = scratch().write("blocker", "x");
    ToolRun run = runTool({"--state-file", (blocker / "state").string(), "audio-mode", "1"});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    EXPECT_NE(run.err.find("tamo-sound: warning: the virtual headset state cannot be saved"), std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace tamo::test
