// tamo-sound as a process: exit statuses, result lines, the library's own
// lines among them, and bad arguments.
#include "tool_fixture.h"

#include "arguments.h"
#include "exit_status.h"
#include "text_paths.h"

#include <algorithm>

namespace tamo::test {
namespace {

TEST_P(ToolExitStatus, EachFailureClassHasItsOwnStatusAndAPlainExplanation) {
    const ExitCase& c = GetParam();
    ToolRun run = tool(c.arguments);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.out << run.err;
    const std::vector<std::string> lines = linesOf(run.out);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&c](const std::string& line) { return line.starts_with(c.line); }))
        << "wanted: " << c.line << "\n" << run.out;
    EXPECT_EQ(run.err, "");
}

// -1999 says which file the library read, and where to learn why.
TEST_F(ToolTest, ARefusedSeeThroughNamesTheFileAndCheckConfig) {
    writeConfig("ENABLE_SEE_THROUGH=0\n");
    ToolRun run = tool({"see-through", "on"});
    EXPECT_EQ(run.exitStatus, 7);
    EXPECT_NE(run.out.find("(ENABLE_SEE_THROUGH): the library read " + tool::utf8FromWide(tool::windowsPathOf(hostDirectory().string())) +
                           "\\hmd_config.ini; 'tamo-sound check-config' explains what it made of it"),
              std::string::npos)
        << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ToolExitStatus,
    ::testing::Values(
        ExitCase{"success", {"init", "state"}, 0, "[init] SOUND_OK (0): success"},
        ExitCase{"not_found",
                 {"--virtual", "none", "init"},
                 3,
                 "[init] SOUND_ERROR_DEVICE_NOT_FOUND (-1997): no headset matching the device table is connected"},
        ExitCase{"busy",
                 {"--virtual", "busy", "audio-mode", "1"},
                 4,
                 "[audio-mode 1] SOUND_ERROR_LOCK_BUSY (-1990): another caller holds the mode-switch lock: the "
                 "headset is busy"},
        ExitCase{"not_initialised",
                 {"--no-init", "state"},
                 5,
                 "[state] SOUND_ERROR_NOT_INITIALIZED (-2000): the library is not initialised: no init has "
                 "succeeded in this process"},
        ExitCase{"firmware",
                 {"--virtual", "old-firmware", "init"},
                 6,
                 "[init] SOUND_ERROR_FIRMWARE_UNSUPPORTED (-1985): the headset's MCU firmware is older than "
                 "version 103"},
        ExitCase{"see_through_disabled",
                 {"see-through", "on"},
                 7,
                 "[see-through on] SOUND_ERROR_SEE_THROUGH_DISABLED (-1999): hmd_config.ini beside the host "
                 "executable does not enable see-through (ENABLE_SEE_THROUGH)"},
        ExitCase{"transfer",
                 {"--virtual", "silent", "init"},
                 8,
                 "[init] SOUND_ERROR_TRANSFER_FAILED (-1995): a report could not be sent to or read from the "
                 "headset"},
        ExitCase{"devices_none_matches", {"--virtual", "none", "devices"}, 3, "[devices] 0 HID interfaces, in the "
                                                                               "order the system enumerates them"},
        ExitCase{"config_missing",
                 {"check-config"},
                 0,
                 "[check-config] summary: there is no file: the library uses its built-in table of 3 entries and "
                 "refuses see-through"}),
    [](const ::testing::TestParamInfo<ExitCase>& test) { return std::string(test.param.name); });

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;
    const char* message;
};

void PrintTo(const UsageCase& c, std::ostream* out) { *out << c.name; }

class ToolUsage : public ToolTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(ToolUsage, BadArgumentsExitWithTwoBeforeAnyCall) {
    const UsageCase& c = GetParam();
    ToolRun run = tool(c.arguments);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.out, "") << "nothing may run, not even the virtual world's set-up";
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--help"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(stateFile()));
}

TEST_P(ToolUsage, WithJsonTheErrorIsOneDocumentToo) {
    const UsageCase& c = GetParam();
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.begin(), "--json");
    ToolRun run = tool(arguments);  // validated against the schema
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.out.find("\"error\": {\n    \"kind\": \"usage\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"exit_status\": 2"), std::string::npos);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << "standard error says it as well";
    EXPECT_FALSE(std::filesystem::exists(stateFile()));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ToolUsage,
    ::testing::Values(UsageCase{"no_command", {}, "no command given"},
                      UsageCase{"unknown_command", {"reboot"}, "unknown command 'reboot'"},
                      UsageCase{"unknown_option", {"--colour", "state"}, "unknown option --colour"},
                      UsageCase{"mode_out_of_range", {"audio-mode", "3"}, "audio-mode takes 0, 1 or 2, not '3'"},
                      UsageCase{"mode_not_a_number", {"audio-mode", "two"}, "audio-mode takes 0, 1 or 2"},
                      UsageCase{"mode_missing", {"audio-mode"}, "audio-mode needs a value"},
                      UsageCase{"switch_word", {"see-through", "maybe"},
                                "see-through takes on or off (or 1 or 0), not 'maybe'"},
                      UsageCase{"switch_number", {"hi-power", "2"}, "hi-power takes on or off (or 1 or 0), not '2'"},
                      UsageCase{"hi_power_missing", {"state", "hi-power"}, "hi-power needs a value"},
                      UsageCase{"retry_word", {"--retry", "often", "state"}, "--retry takes a number"},
                      UsageCase{"retry_negative", {"--retry=-1", "state"}, "--retry takes a number"},
                      UsageCase{"retry_huge", {"--retry", "1000", "state"}, "--retry takes a number"},
                      UsageCase{"flag_with_value", {"--json=yes", "state"}, "--json takes no value"},
                      UsageCase{"unknown_profile", {"--virtual", "flaky", "state"},
                                "--virtual: 'flaky' is neither a profile (default, none, old-firmware, silent, busy, "
                                "two-headsets, refusing) nor a readable file"},
                      UsageCase{"exe_dir_missing", {"--exe-dir", "/nonexistent/dir", "state"}, "is not a directory"}),
    [](const ::testing::TestParamInfo<UsageCase>& test) { return std::string(test.param.name); });

TEST_F(ToolTest, TheFirstFailureDecidesAndStopsTheRest) {
    ToolRun run = tool({"--virtual", "none", "init", "state"});
    EXPECT_EQ(run.exitStatus, 3);
    std::vector<std::string> lines = linesOf(run.out);
    EXPECT_TRUE(contains(lines, "[state] not run: an earlier command failed (--keep-going runs the rest anyway)"))
        << run.out;
    EXPECT_TRUE(contains(lines, "[summary] 0 of 2 commands succeeded, 1 failed, 1 not run; exit status 3: no headset "
                                "matching the device table"));
}

TEST_F(ToolTest, KeepGoingRunsTheRestAndKeepsTheFirstFailuresStatus) {
    writeConfig("ENABLE_SEE_THROUGH=0\n");
    ToolRun run = tool({"-k", "--no-init", "init", "see-through", "on", "hi-power", "off", "destroy", "state"});
    EXPECT_EQ(run.exitStatus, 7) << run.out;
    std::vector<std::string> lines = linesOf(run.out);
    EXPECT_TRUE(contains(lines, "[hi-power off] SOUND_OK (0): success")) << run.out;
    EXPECT_TRUE(contains(lines, "[destroy] SOUND_OK (0): success"));
    // --no-init holds for the whole run: after destroy, state is refused.
    EXPECT_NE(lineIndex(lines, "[state] SOUND_ERROR_NOT_INITIALIZED (-2000)"), -1) << run.out;
}

TEST_F(ToolTest, InitRunsOnceBeforeTheFirstCommandThatNeedsIt) {
    ToolRun run = tool({"audio-mode", "1", "hi-power", "on", "destroy", "state"});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    std::vector<std::string> lines = linesOf(run.out);
    EXPECT_TRUE(contains(lines, "[init (before audio-mode 1)] SOUND_OK (0): success")) << run.out;
    EXPECT_EQ(lineIndex(lines, "[init (before hi-power on)]"), -1) << "already initialised";
    // destroy disabled the library again, so state needs its own init.
    EXPECT_TRUE(contains(lines, "[init (before state)] SOUND_OK (0): success"));
}

TEST_F(ToolTest, TheLibrarysOwnLinesStayOnStandardOutputInOrder) {
    ToolRun run = tool({"--virtual", "old-firmware", "init"});
    std::vector<std::string> lines = linesOf(run.out);
    long refusal = lineIndex(lines, "MCU FW is not supported!!(Current Version:0000000000001102)");
    long number = lineIndex(lines, "mc_version:102");
    long result = lineIndex(lines, "[init] SOUND_ERROR_FIRMWARE_UNSUPPORTED");
    ASSERT_NE(refusal, -1) << run.out;
    EXPECT_EQ(number, refusal + 1);
    EXPECT_EQ(result, number + 1);
}

TEST_F(ToolTest, BusyIsNeverRetriedUnlessAsked) {
    ToolRun once = tool({"--virtual", "busy", "hi-power", "off"});
    EXPECT_EQ(once.exitStatus, 4);
    EXPECT_EQ(lineIndex(linesOf(once.out), "trying again"), -1) << once.out;

    ToolRun retried = tool({"--virtual", "busy", "--retry", "2", "hi-power", "off"});
    EXPECT_EQ(retried.exitStatus, 4);
    std::vector<std::string> lines = linesOf(retried.out);
    EXPECT_TRUE(contains(lines, "[hi-power off] SOUND_ERROR_LOCK_BUSY (-1990): another caller holds the mode-switch "
                                "lock: the headset is busy; trying again in 200 ms of virtual time (no real wait) "
                                "(try 2 of 3)"))
        << retried.out;
    EXPECT_TRUE(contains(lines, "[hi-power off] SOUND_ERROR_LOCK_BUSY (-1990): another caller holds the mode-switch "
                                "lock: the headset is busy (after 3 tries)"));
    // Every try is a call of the library, and each one finds the lock taken.
    long tries = std::count(lines.begin(), lines.end(), "Handle is exist.");
    EXPECT_EQ(tries, 3);
}

TEST_F(ToolTest, HelpListsTheExitStatusesAndExamples) {
    ToolRun run = tool({"--help"});
    EXPECT_EQ(run.exitStatus, 0);
    for (const char* text : {"Usage: tamo-sound", "Exit status", " 3  no headset matching the device table (-1997)",
                             " 9  the mode-switch lock failed (-1994, -1993, -1992, -1991)", "--json", "--retry N",
                             "--virtual PROFILE", "--state-file FILE", "--exe-dir DIR", "--config FILE", "Examples:",
                             "tamo-sound audio-mode 2 state", "check-config [PATH]", "-k, --keep-going",
                             "-h, --help", "--retry=5", "A \"--\" ends the"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << text;
    }
    EXPECT_NE(run.out.find("N from 0 to " + std::to_string(tool::kMaxRetries)), std::string::npos);
    // Every status with the meaning the summary line gives it.
    for (tool::ExitStatus status : tool::allExitStatuses()) {
        std::string number = std::to_string(status) + "  ";
        std::string meaning = tool::exitStatusMeaning(status);
        bool listed = false;
        for (const char* scope : {"", "check-config: ", "devices: "}) {
            listed = listed || run.out.find(number + scope + meaning) != std::string::npos;
        }
        EXPECT_TRUE(listed) << status;
    }
}

// A script that validates the JSON documents must be able to take every
// status the tool exits with.
TEST(ToolExitStatuses, EveryStatusFollowsTheSchema) {
    ASSERT_FALSE(std::string(TAMO_PYTHON3).empty()) << "python3 was not found when the tests were configured";
    const char* check = R"py(
import json, sys, jsonschema
schema = json.load(open(sys.argv[1], encoding="utf-8"))
validator = jsonschema.Draft202012Validator({"$defs": schema["$defs"], "$ref": "#/$defs/exit_status"})
refused = [n for n in map(int, sys.stdin.read().split()) if not validator.is_valid(n)]
print(" ".join(map(str, refused)))
sys.exit(1 if refused else 0)
)py";
    std::string statuses;
    for (tool::ExitStatus status : tool::allExitStatuses()) statuses += std::to_string(status) + " ";
    ToolRun run = runProgram({TAMO_PYTHON3, "-c", check, TAMO_SCHEMA_PATH}, statuses);
    EXPECT_EQ(run.exitStatus, 0) << "refused by the schema: " << run.out << run.err;
}

TEST_F(ToolTest, VersionComesFromTheProject) {
    ToolRun run = tool({"--version"});
    EXPECT_EQ(run.exitStatus, 0);
    const std::string commit = TAMO_GIT_COMMIT;
    EXPECT_EQ(run.out, std::string("tamo-sound ") + TAMO_PROJECT_VERSION +
                           (commit.empty() ? "" : " (commit " + commit + ")") + "\ntamo_settings " +
                           TAMO_PROJECT_VERSION + " (linked in (emulated Windows))\n");
}

TEST_F(ToolTest, VersionsInJsonNameTheLibraryItLoads) {
    ToolRun run = tool({"--json", "--version"});  // validated against the schema
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_NE(run.out.find("\"loaded\": true"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(std::string("\"version\": \"") + TAMO_PROJECT_VERSION + "\"\n  }\n}"), std::string::npos)
        << run.out;
}

TEST_F(ToolTest, ColourOnlyOnATerminalAndNotWithNoColor) {
    std::vector<std::string> arguments = {"--state-file", stateFile().string(), "--virtual", "none", "init"};
    const std::string red = "\x1b[31mSOUND_ERROR_DEVICE_NOT_FOUND\x1b[0m (-1997)";

    ToolRun piped = runTool(arguments, {{"NO_COLOR", ""}});
    EXPECT_EQ(piped.exitStatus, 3);
    EXPECT_EQ(piped.out.find('\x1b'), std::string::npos);

    ToolRun terminal = runToolOnTerminal(arguments, {{"NO_COLOR", ""}, {"TERM", "xterm"}});
    EXPECT_EQ(terminal.exitStatus, 3);
    EXPECT_NE(terminal.out.find(red), std::string::npos) << terminal.out;

    ToolRun refused = runToolOnTerminal(arguments, {{"NO_COLOR", "1"}, {"TERM", "xterm"}});
    EXPECT_EQ(refused.exitStatus, 3);
    EXPECT_NE(refused.out.find("SOUND_ERROR_DEVICE_NOT_FOUND (-1997)"), std::string::npos) << refused.out;
    EXPECT_EQ(refused.out.find('\x1b'), std::string::npos);

    ToolRun json = runToolOnTerminal({"--json", "--state-file", stateFile().string(), "--virtual", "none", "init"},
                                     {{"NO_COLOR", ""}});
    EXPECT_EQ(json.out.find('\x1b'), std::string::npos) << "never in JSON";
    expectValidJson(json);
}

}  // namespace
}  // namespace tamo::test
