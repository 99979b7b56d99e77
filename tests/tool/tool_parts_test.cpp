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
#include "virtual_state.h"
#include "virtual_world.h"
#include "windows_error.h"

#include <unistd.h>

#include <filesystem>

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
    tool::VirtualState state;
    state[1] = {2, false, true};
    state[2] = {255, true, false};
    tool::LoadedState loaded = tool::parseState(tool::formatState(state));
    EXPECT_EQ(loaded.outcome, tool::LoadedState::Outcome::Loaded);
    EXPECT_EQ(loaded.state, state);
}

TEST(ToolState, SavingReplacesTheFileWhole) {
    std::filesystem::path directory = std::filesystem::temp_directory_path() / ("tamo-state-" + std::to_string(::getpid()));
    std::filesystem::path file = directory / "nested" / "state";
    tool::VirtualState state;
    state[1] = {1, true, false};
    EXPECT_FALSE(tool::saveStateFile(file.string(), state));
    state[1].audioMode = 2;
    EXPECT_FALSE(tool::saveStateFile(file.string(), state));
    EXPECT_EQ(tool::loadStateFile(file.string()).state, state);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);
    EXPECT_EQ(std::filesystem::status(file.parent_path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    std::filesystem::remove_all(directory);
}

TEST(ToolState, ADirectoryInPlaceOfTheFileIsNotTheToolsAndCannotBeReplaced) {
    std::filesystem::path directory = std::filesystem::temp_directory_path() / ("tamo-state-dir-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    EXPECT_EQ(tool::loadStateFile(directory.string()).outcome, tool::LoadedState::Outcome::Foreign);
    EXPECT_FALSE(tool::loadStateFile(directory.string()).mayBeReplaced());
    EXPECT_TRUE(tool::saveStateFile(directory.string(), {}));
    std::filesystem::remove_all(directory);
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

TEST(ToolStatusText, EveryCodeOfTheLibraryHasItsNameAndClass) {
    struct Expected {
        StatusCode code;
        const char* name;
        tool::ExitStatus exitStatus;
    };
    for (Expected e : {Expected{SOUND_OK, "SOUND_OK", tool::kExitSuccess},
                       Expected{SOUND_ERROR_NOT_INITIALIZED, "SOUND_ERROR_NOT_INITIALIZED", tool::kExitNotInitialised},
                       Expected{SOUND_ERROR_SEE_THROUGH_DISABLED, "SOUND_ERROR_SEE_THROUGH_DISABLED",
                                tool::kExitSeeThroughDisabled},
                       Expected{SOUND_ERROR_INVALID_ARGUMENT, "SOUND_ERROR_INVALID_ARGUMENT", tool::kExitRejected},
                       Expected{SOUND_ERROR_DEVICE_NOT_FOUND, "SOUND_ERROR_DEVICE_NOT_FOUND", tool::kExitNotFound},
                       Expected{SOUND_ERROR_OUT_OF_MEMORY, "SOUND_ERROR_OUT_OF_MEMORY", tool::kExitOutOfMemory},
                       Expected{SOUND_ERROR_TRANSFER_FAILED, "SOUND_ERROR_TRANSFER_FAILED", tool::kExitTransfer},
                       Expected{SOUND_ERROR_LOCK_CREATE_FAILED, "SOUND_ERROR_LOCK_CREATE_FAILED", tool::kExitLock},
                       Expected{SOUND_ERROR_LOCK_CLOSE_FAILED, "SOUND_ERROR_LOCK_CLOSE_FAILED", tool::kExitLock},
                       Expected{SOUND_ERROR_LOCK_WAIT_FAILED, "SOUND_ERROR_LOCK_WAIT_FAILED", tool::kExitLock},
                       Expected{SOUND_ERROR_LOCK_RELEASE_FAILED, "SOUND_ERROR_LOCK_RELEASE_FAILED", tool::kExitLock},
                       Expected{SOUND_ERROR_LOCK_BUSY, "SOUND_ERROR_LOCK_BUSY", tool::kExitBusy},
                       Expected{SOUND_ERROR_FIRMWARE_UNSUPPORTED, "SOUND_ERROR_FIRMWARE_UNSUPPORTED",
                                tool::kExitFirmware},
                       Expected{-1989, "UNKNOWN_STATUS_CODE", tool::kExitRejected}}) {
        EXPECT_STREQ(tool::describeStatus(e.code).name, e.name);
        EXPECT_EQ(tool::describeStatus(e.code).exitStatus, e.exitStatus) << e.name;
        EXPECT_EQ(tool::statusLine(e.code).rfind(std::string(e.name) + " (" + std::to_string(e.code) + "): ", 0), 0u);
    }
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

TEST(ToolWindowsError, NumberSystemTextAndAdviceForTheCommonOnes) {
    struct Case {
        unsigned long code;
        const char* description;
    };
    for (Case c : {
             Case{126, "Windows error 126 (The specified module could not be found.); advice: put tamo_settings.dll "
                       "beside tamo-sound.exe (a DLL that it needs may be missing too)"},
             Case{2, "Windows error 2 (The system cannot find the file specified.); advice: the file or device is "
                     "not there: check the path, or plug the headset in again"},
             Case{5, "Windows error 5 (Access is denied.); advice: Windows refused access: another program may hold "
                     "the headset exclusively, or this account may not open it"},
             Case{32, "Windows error 32 (The process cannot access the file because it is being used by another "
                      "process.); advice: another program holds the headset open: close it (a vendor tool, another "
                      "tamo-sound) and try again"},
             // The emulation has no text for 193; real Windows has one.
             Case{193, "Windows error 193; advice: this program cannot load that file: tamo-sound.exe and "
                       "tamo_settings.dll must come from the same SDK (-win32 or -win64: a program loads only a DLL "
                       "of its own size), and a damaged copy loads in none"},
             Case{87, "Windows error 87 (The parameter is incorrect.)"},
         }) {
        EXPECT_EQ(tool::describeWindowsError(c.code), c.description);
    }
    // Windows' own text for 193 names the file with an insert.
    EXPECT_EQ(tool::describeWindowsError(193, "%1 is not a valid Win32 application.\r\n").substr(0, 70),
              "Windows error 193 (the file is not a valid Win32 application.); advice");
}

}  // namespace
}  // namespace tamo::test
