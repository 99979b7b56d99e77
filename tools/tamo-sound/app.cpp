#include "app.h"

#include "arguments.h"
#include "config_check.h"
#include "device_survey.h"
#include "inspect/library_facts.h"
#include "output_capture.h"
#include "report.h"
#include "session.h"
#include "sound_library.h"
#include "text_paths.h"
#include "windows_error.h"

#if !defined(_WIN32)
#include "virtual_world.h"
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <optional>

namespace tamo::tool {
namespace {

// The file devices and check-config examine when no path is typed: --config,
// else (on Windows) the one in --exe-dir, a host's folder, else the one the
// library reads. The emulated build's --exe-dir moves the library's own.
struct ExaminedFile {
    std::wstring path;
    std::string display;
};

ExaminedFile examinedFile(const Options& options) {
    if (options.configFile) return {windowsPathOf(*options.configFile), *options.configFile};
#if defined(_WIN32)
    if (options.exeDir) {
        std::wstring path = inspect::configPathIn(windowsPathOf(*options.exeDir));
        return {path, utf8FromWide(path)};
    }
#endif
    std::wstring path = inspect::libraryConfigPath();
    return {path, utf8FromWide(path)};
}

CommandResult runLocal(const Command& command, const ExaminedFile& examined) {
    CommandResult result;
    result.command = command;
    result.called = true;
    result.attempts = 1;
    if (command.kind == CommandKind::Devices) {
        DeviceSurvey survey = inspect::surveyDevices(examined.path, examined.display);
        result.exitStatus = exitStatusOf(survey);
        result.detailLines = describeDeviceSurvey(survey);
        result.detail = deviceSurveyJson(survey);
        return result;
    }
    std::wstring path = command.path ? windowsPathOf(*command.path) : examined.path;
    std::string display = command.path ? *command.path : examined.display;
    ConfigReport report = inspect::inspectConfigFile(path, display);
    result.exitStatus = exitStatusOf(report);
    result.detailLines = describeConfigReport(report);
    result.detail = configReportJson(report);
    // A file named on the command line that is not there is a typo, not the
    // absence the library takes for the built-in table.
    if (command.path && report.file == inspect::ConfigFileState::Missing) {
        result.exitStatus = kExitUsage;
        result.detailLines = {"there is no file " + display + ": check-config examines the file it is given (without "
                              "a path, the hmd_config.ini beside the library)"};
    }
    return result;
}

// The library the commands call: where from, whether it loaded, its version.
Json libraryJson(const SoundLibrary& library) {
    Json json = Json::object();
    json.set("origin", library.origin());
    json.set("loaded", library.functions() != nullptr);
    json.set("error", library.functions() ? Json() : Json(library.error()));
    json.set("version", library.version());
    return json;
}

// On standard error always; with --json also as the one document on `out`.
int usageError(const std::string& message, bool json, std::FILE* out) {
    std::fprintf(stderr, "tamo-sound: %s\nRun 'tamo-sound --help' for usage.\n", message.c_str());
    if (json) writeJsonDocument(out, usageErrorDocument(message));
    return kExitUsage;
}

// A failed write to standard output (a full disk, a closed pipe) turns any
// outcome into kExitOutputFailed: a script must not trust what it read.
int checkedOutput(std::FILE* out, int status) {
    if (std::fflush(out) == 0 && std::ferror(out) == 0) return status;
#if defined(_WIN32)
    // The C runtime turns a pipe whose reader has gone into EINVAL; the
    // Windows error behind it says what happened.
    if (_doserrno != 0) {
        std::fprintf(stderr, "tamo-sound: standard output could not be written: %s\n",
                     describeWindowsError(_doserrno).c_str());
        return kExitOutputFailed;
    }
#endif
    std::fprintf(stderr, "tamo-sound: standard output could not be written: %s\n", std::strerror(errno));
    return kExitOutputFailed;
}

// The tool's own version and the library's it would use.
int printVersions(bool json) {
    SoundLibrary library;
    const std::string& libraryVersion = library.version();
    if (json) {
        Json document = jsonDocumentHead();
        document.set("library", libraryJson(library));
        writeJsonDocument(stdout, std::move(document));
        return library.functions() ? kExitSuccess : kExitToolFailure;
    }
    // A build from a git checkout also names its commit.
    if (std::string(TAMO_SOUND_COMMIT).empty()) std::printf("tamo-sound %s\n", TAMO_SOUND_VERSION);
    else std::printf("tamo-sound %s (commit %s)\n", TAMO_SOUND_VERSION, TAMO_SOUND_COMMIT);
    if (!library.functions()) {
        std::printf("tamo_settings: %s\n", library.error().c_str());
        return kExitToolFailure;
    } else {
        std::printf("tamo_settings %s (%s)\n", libraryVersion.empty() ? "(no version resource)" : libraryVersion.c_str(),
                    library.origin().c_str());
    }
    return kExitSuccess;
}

int runSession(const Options& options, Reporter& reporter, std::FILE* out) {
#if !defined(_WIN32)
    std::string error;
    std::unique_ptr<VirtualWorld> world = VirtualWorld::create(options, error);
    if (!world) return usageError(error, options.json, out);
    for (const std::string& warning : world->warnings()) reporter.warning(warning);
    reporter.context("virtual", world->summary(), world->describe());
#else
    (void)out;
#endif
    SoundLibrary library;
    reporter.context("library", library.functions() ? library.origin() : library.error(), libraryJson(library));

    SessionSettings settings;
    settings.noInit = options.noInit;
    settings.keepGoing = options.keepGoing;
    settings.retries = options.retries;
    settings.configPath = utf8FromWide(inspect::libraryConfigPath());
#if !defined(_WIN32)
    settings.virtualTime = true;  // the emulated Windows' Sleep advances its own clock
#endif
    ReportTap reports;
#if !defined(_WIN32)
    if (options.showReports) reports = [&world] { return world->takeReports(); };
#endif
    const ExaminedFile examined = examinedFile(options);
    Session session(library.functions(), library.error(), settings, reporter,
                    [&examined](const Command& command) { return runLocal(command, examined); }, reports);
    ExitStatus status = session.run(options.commands);

#if !defined(_WIN32)
    if (std::optional<std::string> problem = world->save()) reporter.warning(*problem);
    // The JSON document shows the headsets as the session left them.
    reporter.context("virtual", "", world->describe());
#endif
    reporter.finish(status, session.counts());
    return status;
}

}  // namespace

int runTool(const std::vector<std::string>& arguments) {
    ParsedArguments parsed = parseArguments(arguments);
    if (!parsed.options) return checkedOutput(stdout, usageError(parsed.error, parsed.json, stdout));
    const Options& options = *parsed.options;
    if (options.help) {
        std::fputs(helpText().c_str(), stdout);
        return checkedOutput(stdout, kExitSuccess);
    }
    if (options.version) return checkedOutput(stdout, printVersions(options.json));
    if (!options.json) {
        std::unique_ptr<Reporter> reporter = makeTextReporter(stdout, stderr, colourWanted());
        return checkedOutput(stdout, runSession(options, *reporter, stdout));
    }
    // Standard output carries the document alone; anything else written to
    // it meanwhile goes to standard error.
    ReservedStdout reserved;
    std::unique_ptr<Reporter> reporter = makeJsonReporter(reserved.stream());
    return checkedOutput(reserved.stream(), runSession(options, *reporter, reserved.stream()));
}

}  // namespace tamo::tool
