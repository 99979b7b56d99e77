// tamo-sound as a process: the answers a new user and a script rely on (what
// a failure is explained by, what the summary counts, help anywhere, any
// spelling of a switch, virtual time), standard output that cannot be
// written, and the state file's protection of files that are not its own.
#include "tool_fixture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

namespace tamo::test {
namespace {

const char* const kUsageLine = "Usage: tamo-sound [OPTIONS] COMMAND [COMMAND...]";

INSTANTIATE_TEST_SUITE_P(
    Answers, ToolExitStatus,
    ::testing::Values(
        ExitCase{"not_initialised_after_destroy",
                 {"init", "destroy", "--no-init", "hi-power", "on"},
                 5,
                 "[hi-power on] SOUND_ERROR_NOT_INITIALIZED (-2000): the library is not initialised: destroy ran "
                 "after the last successful init"},
        ExitCase{"not_initialised_before_any_init",
                 {"--no-init", "state"},
                 5,
                 "[state] SOUND_ERROR_NOT_INITIALIZED (-2000): the library is not initialised: no init has "
                 "succeeded in this process"},
        ExitCase{"counts_the_commands_typed",
                 {"--virtual", "none", "-k", "init", "state", "audio-mode", "1", "hi-power", "on", "destroy"},
                 3,
                 "[summary] 1 of 5 commands succeeded, 4 failed; exit status 3: no headset matching the device "
                 "table"},
        ExitCase{"automatic_init_failure_fails_its_command",
                 {"--virtual", "none", "state"},
                 3,
                 "[state] not run: its automatic init failed"},
        ExitCase{"automatic_init_is_not_a_command",
                 {"state", "hi-power", "off"},
                 0,
                 "[summary] 2 of 2 commands succeeded; exit status 0: every command succeeded"},
        ExitCase{"help_before_a_word", {"--help", "foo"}, 0, kUsageLine},
        ExitCase{"help_after_a_bad_option", {"--colour", "-h"}, 0, kUsageLine},
        ExitCase{"help_after_a_command", {"state", "--help"}, 0, kUsageLine},
        ExitCase{"switch_as_one", {"hi-power", "1"}, 0, "[hi-power on] SOUND_OK (0): success"},
        ExitCase{"switch_in_capitals", {"hi-power", "ON"}, 0, "[hi-power on] SOUND_OK (0): success"},
        ExitCase{"switch_as_zero", {"hi-power", "0"}, 0, "[hi-power off] SOUND_OK (0): success"},
        ExitCase{"switch_mixed_case", {"hi-power", "Off"}, 0, "[hi-power off] SOUND_OK (0): success"},
        ExitCase{"waits_are_virtual",
                 {"--virtual", "busy", "--retry", "1", "state"},
                 4,
                 "[state] SOUND_ERROR_LOCK_BUSY (-1990): another caller holds the mode-switch lock: the headset is "
                 "busy; trying again in 200 ms of virtual time (no real wait) (try 2 of 2)"}),
    [](const ::testing::TestParamInfo<ExitCase>& test) { return std::string(test.param.name); });

struct OutputCase {
    const char* name;
    std::vector<std::string> arguments;
};

void PrintTo(const OutputCase& c, std::ostream* out) { *out << c.name; }

class ToolFullOutput : public ToolTest, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(ToolFullOutput, EndsWithItsOwnStatus) {
    std::vector<std::string> arguments = {"--state-file", stateFile().string(), "--exe-dir", hostDirectory().string()};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    ToolRun run = runToolWithStdout(arguments, "/dev/full", {{"NO_COLOR", ""}});
    EXPECT_EQ(run.exitStatus, 14) << run.err;
    EXPECT_NE(run.err.find("tamo-sound: standard output could not be written: "), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    DevFull, ToolFullOutput,
    ::testing::Values(OutputCase{"text", {"state"}}, OutputCase{"json", {"--json", "state"}},
                      OutputCase{"failing_command", {"--virtual", "none", "init"}},
                      OutputCase{"help", {"--help"}}, OutputCase{"version", {"--version"}},
                      OutputCase{"json_version", {"--json", "--version"}},
                      OutputCase{"json_usage_error", {"--json", "frobnicate"}}),
    [](const ::testing::TestParamInfo<OutputCase>& test) { return std::string(test.param.name); });

// A reader that has gone away: the write fails with EPIPE and the tool says
// so with its own status, instead of dying of SIGPIPE (status 141 in a
// shell). The pipe's reading end is closed before the tool starts.
TEST_F(ToolTest, AClosedPipeIsAnOutputFailureNotADeath) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = TAMO_SOUND_PATH;
    std::string help = "--help";
    char* argv[] = {program.data(), help.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 14);
}

TEST_F(ToolTest, HelpListsTheOutputFailureStatus) {
    EXPECT_NE(tool({"--help"}).out.find("  14  standard output could not be written"), std::string::npos);
}

constexpr const char* kHeader = "tamo-sound virtual headset state 1\n";

struct ForeignCase {
    const char* name;
    std::string contents;
    const char* problem;
};

void PrintTo(const ForeignCase& c, std::ostream* out) { *out << c.name; }

class ToolForeignStateFile : public ToolTest, public ::testing::WithParamInterface<ForeignCase> {
protected:
    void writeStateFile(const std::string& contents) const {
        std::filesystem::create_directories(stateFile().parent_path());
        std::ofstream(stateFile(), std::ios::binary) << contents;
    }
};

TEST_P(ToolForeignStateFile, IsLeftByteForByteUntouched) {
    const ForeignCase& c = GetParam();
    writeStateFile(c.contents);
    ToolRun run = tool({"audio-mode", "2", "state"});
    EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
    EXPECT_EQ(readFile(stateFile()), c.contents);
    EXPECT_NE(run.err.find("tamo-sound: warning: the virtual headset state file " + stateFile().string() +
                           " is not a tamo-sound state file (" + c.problem),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("the virtual headset's new state is not kept: " + stateFile().string() +
                           " is not a tamo-sound state file, and it is left as it is"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(contains(linesOf(run.out), "[state] hiPower 1 (on), audioMode 2")) << "the run itself works";

    ToolRun json = tool({"--json", "hi-power", "off"});
    EXPECT_EQ(readFile(stateFile()), c.contents);
    std::vector<std::string> facts = flatten(json);
    EXPECT_TRUE(contains(facts, "state_file_was foreign")) << json.out;
    EXPECT_NE(lineIndex(facts, "warning the virtual headset's new state is not kept"), -1) << json.out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ToolForeignStateFile,
    ::testing::Values(
        ForeignCase{"configuration", "NUM_OF_CONFIG=1\nVENDORID_001=2E5C\nPRODUCTID_001=0712\n",
                    "line 1: the first line is not"},
        ForeignCase{"empty", "", "line 1: the first line is not"},
        ForeignCase{"binary", std::string("\x7f" "ELF\0\0\x01", 7), "line 1: the first line is not"},
        ForeignCase{"other_version", "tamo-sound virtual headset state 2\nheadset.1.audio_mode=1\n",
                    "line 1: the first line is not"},
        ForeignCase{"header_not_first", std::string("\n") + kHeader, "line 1: the first line is not"},
        ForeignCase{"large", std::string(kHeader) + std::string(70000, '#'),
                    "the file is larger than a state file can be"}),
    [](const ::testing::TestParamInfo<ForeignCase>& test) { return std::string(test.param.name); });

struct DamagedCase {
    const char* name;
    std::string contents;
    const char* problem;
};

void PrintTo(const DamagedCase& c, std::ostream* out) { *out << c.name; }

class ToolDamagedStateFile : public ToolTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(ToolDamagedStateFile, IsReadAsDefaultAndReplacedOnlyByAChange) {
    const DamagedCase& c = GetParam();
    std::string contents = kHeader + c.contents;
    std::filesystem::create_directories(stateFile().parent_path());
    std::ofstream(stateFile(), std::ios::binary) << contents;

    ToolRun reading = tool({"state"});
    EXPECT_EQ(reading.exitStatus, 0) << reading.out << reading.err;
    EXPECT_NE(reading.err.find("tamo-sound: warning: the virtual headset state file " + stateFile().string() +
                               " is damaged (" + c.problem),
              std::string::npos)
        << reading.err;
    EXPECT_TRUE(contains(linesOf(reading.out), "[state] hiPower 1 (on), audioMode 0")) << "the default state";
    EXPECT_EQ(readFile(stateFile()), contents) << "a command that only reads writes nothing";

    ToolRun changing = tool({"audio-mode", "1"});
    EXPECT_EQ(changing.exitStatus, 0);
    EXPECT_EQ(readFile(stateFile()), std::string(kHeader) + "headset.1.audio_mode=1\n"
                                                            "headset.1.hi_power=1\n"
                                                            "headset.1.see_through=0\n");
    EXPECT_EQ(tool({"state"}).err, "") << "the replacement reads back";
}

INSTANTIATE_TEST_SUITE_P(
    Files, ToolDamagedStateFile,
    ::testing::Values(
        DamagedCase{"nul_bytes", std::string("headset.1.audio_mode=1\0", 23), "the file holds NUL bytes"},
        DamagedCase{"no_equals", "headset.1.audio_mode 2\n", "line 2: no \"=\""},
        DamagedCase{"mode_not_a_byte", "headset.1.audio_mode=256\n", "line 2: audio_mode is not a byte: 256"},
        DamagedCase{"flag_not_binary", "headset.1.hi_power=yes\n", "line 2: hi_power is not 0 or 1: yes"},
        DamagedCase{"unknown_key", "headset.1.volume=3\n", "line 2: unknown key headset.1.volume"},
        DamagedCase{"headset_zero", "headset.0.audio_mode=1\n", "line 2: bad headset number in headset.0.audio_mode"},
        DamagedCase{"twice", "headset.1.see_through=1\nheadset.1.see_through=0\n",
                    "line 3: headset.1.see_through is given twice"}),
    [](const ::testing::TestParamInfo<DamagedCase>& test) { return std::string(test.param.name); });

TEST_F(ToolTest, CommandsThatOnlyReadWriteNoStateFile) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"state"}, {"init", "destroy"}, {"devices"}, {"--virtual", "none", "state"},
          {"audio-mode", "0", "hi-power", "on"}}) {
        ToolRun run = tool(arguments);
        EXPECT_FALSE(std::filesystem::exists(stateFile())) << arguments.front() << "\n" << run.out;
    }
}

}  // namespace
}  // namespace tamo::test
