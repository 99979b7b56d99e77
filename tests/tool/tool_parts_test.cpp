// The tool's parts on their own: the command line, JSON text, the state
// file format, profiles and result names.
#include <gtest/gtest.h>

#include "arguments.h"
#include "json.h"
#include "platform/emulated/hid_bus.h"
#include "platform/emulated/host_directory.h"
#include "platform/emulated/system.h"
#include "platform/emulated/virtual_headset.h"
#include "session.h"
#include "status_text.h"
#include "platform/emulated/headset_state.h"
#include "virtual_world.h"
#include "scratch_directory.h"
#include "windows_error.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

namespace tamo::test {
namespace {

using tool::CommandKind;

TEST(ToolArguments, CommandsKeepTheirOrderAndOptionsMayStandAnywhere) {
    tool::ParsedArguments parsed = tool::parseArguments(
        {"init", "--json", "audio-mode", "2", "see-through", "off", "--retry=3", "hi-power", "on", "state",
         "check-config", "devices", "check-config", "./x.ini", "destroy"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const tool::Options& options = *parsed.options;
    EXPECT_TRUE(options.json);
    EXPECT_EQ(options.retries, 3);
    std::vector<std::string> texts;
    for (const tool::Command& command : options.commands) texts.push_back(command.text());
    EXPECT_EQ(texts, (std::vector<std::string>{"init", "audio-mode 2", "see-through off", "hi-power on", "state",
                                               "check-config", "devices", "check-config ./x.ini", "destroy"}));
}

TEST(ToolArguments, AfterTheDoubleDashAPathMayLookLikeAnOption) {
    tool::ParsedArguments parsed = tool::parseArguments({"--", "check-config", "--odd.ini"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    ASSERT_EQ(parsed.options->commands.size(), 1u);
    EXPECT_EQ(parsed.options->commands[0].path, "--odd.ini");
}

TEST(ToolArguments, OnlyLibraryCommandsOtherThanInitAndDestroyNeedInit) {
    tool::ParsedArguments parsed =
        tool::parseArguments({"init", "destroy", "state", "audio-mode", "0", "devices", "check-config"});
    ASSERT_TRUE(parsed.options);
    std::vector<bool> needs;
    for (const tool::Command& command : parsed.options->commands) needs.push_back(command.needsInit());
    EXPECT_EQ(needs, (std::vector<bool>{false, false, true, true, false, false}));
}

TEST(ToolArguments, HelpAndVersionNeedNoCommand) {
    EXPECT_TRUE(tool::parseArguments({"--help"}).options);
    EXPECT_TRUE(tool::parseArguments({"--version"}).options);
    EXPECT_FALSE(tool::parseArguments({"--json"}).options);
}

TEST(ToolJson, TextIsAlwaysValidJson) {
    EXPECT_EQ(tool::jsonString("plain"), "\"plain\"");
    EXPECT_EQ(tool::jsonString("a\"b\\c\n\t\x01"), "\"a\\\"b\\\\c\\n\\t\\u0001\"");
    EXPECT_EQ(tool::jsonString("Gr\xC3\xBC\xC3\x9F"), "\"Gr\xC3\xBC\xC3\x9F\"") << "UTF-8 passes through";
    // A byte that is no UTF-8 becomes its Latin-1 character.
    EXPECT_EQ(tool::jsonString("\xEF\xBB"), "\"\xC3\xAF\xC2\xBB\"");
    EXPECT_EQ(tool::jsonString("\xFF"), "\"\xC3\xBF\"");
    EXPECT_EQ(tool::jsonString(std::string("\0", 1)), "\"\\u0000\"");
}

TEST(ToolJson, ObjectsKeepTheirOrder) {
    tool::Json object = tool::Json::object();
    object.set("b", 1).set("a", tool::Json()).set("c", tool::Json::array().push(true).push("x"));
    object.set("b", 2);
    EXPECT_EQ(object.dump(), "{\n  \"b\": 2,\n  \"a\": null,\n  \"c\": [\n    true,\n    \"x\"\n  ]\n}");
}

TEST(ToolState, FormatsAndReadsBack) {
    emulated::VirtualState state;
    state[1] = {2, false, true};
    state[2] = {255, true, false};
    emulated::LoadedState loaded = emulated::parseState(emulated::formatState(state));
    EXPECT_EQ(loaded.outcome, emulated::LoadedState::Outcome::Loaded);
    EXPECT_EQ(loaded.state, state);
}

TEST(ToolState, SavingReplacesTheFileWhole) {
    std::filesystem::path directory = std::filesystem::temp_directory_path() / ("tamo-state-" + std::to_string(::getpid()));
    std::filesystem::path file = directory / "nested" / "state";
    emulated::VirtualState state;
    state[1] = {1, true, false};
    EXPECT_FALSE(emulated::saveStateFile(file.string(), state));
    state[1].audioMode = 2;
    EXPECT_FALSE(emulated::saveStateFile(file.string(), state));
    EXPECT_EQ(emulated::loadStateFile(file.string()).state, state);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);
    EXPECT_EQ(std::filesystem::status(file.parent_path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    std::filesystem::remove_all(directory);
}

TEST(ToolState, ADirectoryInPlaceOfTheFileIsNotTheToolsAndCannotBeReplaced) {
    std::filesystem::path directory = std::filesystem::temp_directory_path() / ("tamo-state-dir-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    EXPECT_EQ(emulated::loadStateFile(directory.string()).outcome, emulated::LoadedState::Outcome::Foreign);
    EXPECT_FALSE(emulated::loadStateFile(directory.string()).mayBeReplaced());
    EXPECT_TRUE(emulated::saveStateFile(directory.string(), {}));
    std::filesystem::remove_all(directory);
}

// After a run: a change is written over the headsets it names, keeping the
// file's others; nothing else is ever written.
struct KeepCase {
    const char* what;
    std::optional<std::string> fileBefore;  // none: no file
    emulated::VirtualState before, now;
    emulated::KeptState::Outcome outcome;
    std::optional<emulated::VirtualState> fileAfter;  // none: the file as it was
};

TEST(ToolState, AChangeIsKeptOverTheHeadsetsItNamesAndNothingElseIsWritten) {
    using Outcome = emulated::KeptState::Outcome;
    const emulated::VirtualState one{{1, {0, true, false}}};
    const emulated::VirtualState oneChanged{{1, {2, false, false}}};
    const emulated::VirtualState two{{1, {0, true, false}}, {2, {1, true, true}}};
    const std::string header = std::string(emulated::kStateFileHeader) + "\n";
    const KeepCase cases[] = {
        {"unchanged, no file", std::nullopt, one, one, Outcome::Unchanged, std::nullopt},
        {"changed, no file", std::nullopt, one, oneChanged, Outcome::Saved, oneChanged},
        {"changed, the file's second headset kept", emulated::formatState(two), one, oneChanged, Outcome::Saved,
         emulated::VirtualState{{1, {2, false, false}}, {2, {1, true, true}}}},
        {"changed, a damaged file replaced", header + "headset.1.volume=3\n", one, oneChanged, Outcome::Saved,
         oneChanged},
        {"changed, someone else's file left alone", "[section]\nkey=value\n", one, oneChanged,
         Outcome::NotAStateFile, std::nullopt},
    };
    for (const KeepCase& c : cases) {
        ScratchDirectory scratch;
        const std::string path = (scratch.path() / "state").string();
        if (c.fileBefore) {
            std::ofstream(path, std::ios::binary) << *c.fileBefore;
        }
        emulated::LoadedState loaded = emulated::loadStateFile(path);
        emulated::KeptState kept = emulated::keepState(path, loaded, c.before, c.now);
        EXPECT_EQ(kept.outcome, c.outcome) << c.what;
        if (c.fileAfter) {
            EXPECT_EQ(emulated::loadStateFile(path).state, *c.fileAfter) << c.what;
        } else if (c.fileBefore) {
            EXPECT_EQ(readFile(path), *c.fileBefore) << c.what;
        } else {
            EXPECT_FALSE(std::filesystem::exists(path)) << c.what;
        }
    }
}

TEST(ToolState, AFileThatCannotBeWrittenIsAFailureThatSaysWhy) {
    ScratchDirectory scratch;
    std::ofstream(scratch.path() / "plain", std::ios::binary) << "x";
    // Below a plain file no directory can be made.
    const std::string path = (scratch.path() / "plain" / "state").string();
    emulated::KeptState kept = emulated::keepState(path, emulated::LoadedState{}, {}, {{1, {2, true, false}}});
    EXPECT_EQ(kept.outcome, emulated::KeptState::Outcome::Failed);
    EXPECT_FALSE(kept.problem.empty());
}

TEST(ToolProfiles, AProfileFileDescribesTheBusInOrder) {
    std::string error;
    std::optional<tool::Profile> profile = tool::parseProfile(
        "# near miss\n[headset]\nproduct = TAMO  Prime\nfirmware=104\n\n[interface]\nproduct=Keyboard\n"
        "vendor_id=046d\nproduct_id = 0xC31C\nusage_page=1\nusage=6\nopenable=no\n[lock]\nheld=yes\n",
        "near-miss.profile", error);
    ASSERT_TRUE(profile) << error;
    ASSERT_EQ(profile->interfaces.size(), 2u);
    EXPECT_TRUE(profile->interfaces[0].headset);
    EXPECT_EQ(profile->interfaces[0].product, L"TAMO  Prime");
    EXPECT_EQ(profile->interfaces[0].firmware, 104u);
    EXPECT_EQ(profile->interfaces[0].vendorId, 0x2E5Cu);
    EXPECT_FALSE(profile->interfaces[1].headset);
    EXPECT_EQ(profile->interfaces[1].vendorId, 0x046Du);
    EXPECT_EQ(profile->interfaces[1].productId, 0xC31Cu);
    EXPECT_FALSE(profile->interfaces[1].openable);
    EXPECT_TRUE(profile->lockHeld);
}

TEST(ToolProfiles, ErrorsNameTheLine) {
    std::string error;
    EXPECT_FALSE(tool::parseProfile("[headset]\nvendor_id=12345\n", "p", error));
    EXPECT_EQ(error, "p, line 2: vendor_id takes a 16-bit hexadecimal number");
    EXPECT_FALSE(tool::parseProfile("product=x\n", "p", error));
    EXPECT_EQ(error, "p, line 1: a key before the first section");
    EXPECT_FALSE(tool::parseProfile("[interface]\nfirmware=103\n", "p", error));
    EXPECT_EQ(error, "p, line 2: unknown key firmware") << "a plain interface has no firmware";
    EXPECT_FALSE(tool::parseProfile("[hub]\n", "p", error));
    EXPECT_EQ(error, "p, line 1: unknown section [hub]");
}

// Over the whole band of the library's codes and beyond: every code it
// defines has a name of its own, every failure a non-zero exit status, and
// anything else is named as unknown.
TEST(ToolStatusText, EachDefinedCodeHasADistinctNameAndEachFailureANonZeroExit) {
    constexpr StatusCode kBandStart = -2100;
    constexpr StatusCode kBandEnd = 100;
    std::set<std::string> names;
    int defined = 0;
    for (StatusCode code = kBandStart; code <= kBandEnd; ++code) {
        const tool::StatusText text = tool::describeStatus(code);
        const std::string name = text.name;
        EXPECT_EQ(tool::statusLine(code).rfind(name + " (" + std::to_string(code) + "): ", 0), 0u) << code;
        if (name == "UNKNOWN_STATUS_CODE") {
            EXPECT_NE(text.exitStatus, tool::kExitSuccess) << code;
            continue;
        }
        ++defined;
        EXPECT_TRUE(names.insert(name).second) << name << " names two codes";
        EXPECT_EQ(name.rfind("SOUND_", 0), 0u) << name;
        EXPECT_FALSE(text.explanation.empty()) << name;
        EXPECT_EQ(text.exitStatus == tool::kExitSuccess, code == SOUND_OK) << name;
        if (code != SOUND_OK) {
            EXPECT_NE(tool::resultCodesOf(text.exitStatus).find(std::to_string(code)), std::string::npos) << name;
        }
    }
    EXPECT_STREQ(tool::describeStatus(SOUND_OK).name, "SOUND_OK");
    EXPECT_STREQ(tool::describeStatus(SOUND_ERROR_FIRMWARE_UNSUPPORTED).name, "SOUND_ERROR_FIRMWARE_UNSUPPORTED");
    EXPECT_GT(defined, 1);
}

// Keeps what a session reports, for the tests of its counts.
class RecordingReporter final : public tool::Reporter {
public:
    bool capturesDiagnostics() const override { return false; }
    void retrying(const tool::Command&, int, int, unsigned, bool) override {}
    void result(const tool::CommandResult& result) override { notRun.push_back(result.notRunBecause); }
    void warning(const std::string&) override {}
    void context(const std::string&, const std::string&, tool::Json) override {}
    void finish(tool::ExitStatus, const tool::SessionCounts&) override {}
    std::vector<std::string> notRun;
};

TEST(ToolSession, WithoutTheLibraryItsCommandsFailAndAreCountedAsTyped) {
    struct Case {
        bool keepGoing;
        int succeeded, failed, notRun;
    };
    for (Case c : {Case{false, 0, 1, 1}, Case{true, 1, 1, 0}}) {
        tool::ParsedArguments parsed = tool::parseArguments({"state", "check-config"});
        ASSERT_TRUE(parsed.options);
        RecordingReporter reporter;
        tool::SessionSettings settings;
        settings.keepGoing = c.keepGoing;
        auto local = [](const tool::Command& command) {
            tool::CommandResult result;
            result.command = command;
            result.called = true;
            return result;
        };
        tool::Session session(nullptr, "cannot load it", settings, reporter, local);
        EXPECT_EQ(session.run(parsed.options->commands), tool::kExitToolFailure);
        EXPECT_EQ(session.counts().commands, 2);
        EXPECT_EQ(session.counts().succeeded, c.succeeded) << c.keepGoing;
        EXPECT_EQ(session.counts().failed, c.failed);
        EXPECT_EQ(session.counts().notRun, c.notRun);
        ASSERT_FALSE(reporter.notRun.empty());
        EXPECT_EQ(reporter.notRun.front(), "the library is not loaded: cannot load it");
    }
}

// The number, then the system's text when it has one, then the advice when
// the tool has some: for codes with and without either.
TEST(ToolWindowsError, NumberSystemTextAndAdviceInThatOrder) {
    for (unsigned long code : {2ul, 5ul, 32ul, 87ul, 126ul, 193ul, 0xDEADul}) {
        const std::string description = tool::describeWindowsError(code);
        const std::string number = "Windows error " + std::to_string(code);
        EXPECT_EQ(description.rfind(number, 0), 0u) << description;
        const char* advice = tool::windowsErrorAdvice(code);
        const std::string tail = advice ? "; advice: " + std::string(advice) : "";
        EXPECT_EQ(description.substr(description.size() - tail.size()), tail) << description;
        const std::string text = description.substr(number.size(), description.size() - number.size() - tail.size());
        EXPECT_TRUE(text.empty() || (text.starts_with(" (") && text.ends_with(")"))) << description;
    }
    EXPECT_NE(tool::windowsErrorAdvice(126), nullptr) << "the missing DLL, the commonest failure of all";
    // Windows' own text for 193 names the file with an insert; the line
    // break it ends with goes.
    EXPECT_EQ(tool::describeWindowsError(193, "%1 is not a valid Win32 application.\r\n").substr(0, 70),
              "Windows error 193 (the file is not a valid Win32 application.); advice");
    EXPECT_EQ(tool::describeWindowsError(87, "The parameter is incorrect.\r\n"),
              "Windows error 87 (The parameter is incorrect.)");
}

}  // namespace
}  // namespace tamo::test
