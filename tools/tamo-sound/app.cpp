#include "app.h"

#include "arguments.h"
#include "config/hmd_config_reader.h"
#include "config_check.h"
#include "device_survey.h"
#include "output_capture.h"
#include "report.h"
#include "session.h"
#include "sound_library.h"
#include "text_paths.h"

#if !defined(_WIN32)
#include "virtual_world.h"
#endif

#include <cstdio>
#include <cwctype>
#include <optional>

namespace tamo::tool {
namespace {

// The hmd_config.ini that the library itself reads.
std::wstring libraryConfigPath() {
    HMDConfigReader reader;
    return reader.getConfigFilePath(reader.configFileType);
}

CommandResult runLocal(const Command& command) {
    CommandResult result;
    result.command = command;
    result.called = true;
    result.attempts = 1;
    if (command.kind == CommandKind::Devices) {
        DeviceSurvey survey = surveyDevices();
        result.exitStatus = exitStatusOf(survey);
        result.detailLines = describeDeviceSurvey(survey);
        result.detail = deviceSurveyJson(survey);
        return result;
    }
    std::wstring defaultPath = libraryConfigPath();
    std::wstring path = command.path ? windowsPathOf(*command.path) : defaultPath;
    std::string display = command.path ? *command.path : utf8FromWide(defaultPath);
    ConfigCheck check = checkConfigFile(path, display);
    result.exitStatus = exitStatusOf(check);
    result.detailLines = describeConfigCheck(check);
    result.detail = configCheckJson(check);
    return result;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "tamo-sound: %s\nRun 'tamo-sound --help' for usage.\n", message.c_str());
    return kExitUsage;
}

int runSession(const Options& options, Reporter& reporter) {
#if !defined(_WIN32)
    std::string error;
    std::unique_ptr<VirtualWorld> world = VirtualWorld::create(options, error);
    if (!world) return usageError(error);
    for (const std::string& warning : world->warnings()) reporter.warning(warning);
    reporter.context("virtual", world->summary(), world->describe());
#endif
    SoundLibrary library;
    reporter.context("library", library.functions() ? library.origin() : library.error(), library.origin());

    SessionSettings settings;
    settings.noInit = options.noInit;
    settings.keepGoing = options.keepGoing;
    settings.retries = options.retries;
    ReportTap reports;
#if !defined(_WIN32)
    if (options.showReports) reports = [&world] { return world->takeReports(); };
#endif
    Session session(library.functions(), library.error(), settings, reporter, runLocal, reports);
    ExitStatus status = session.run(options.commands);

#if !defined(_WIN32)
    if (std::optional<std::string> problem = world->save()) reporter.warning(*problem);
    // The JSON document shows the headsets as the session left them.
    reporter.context("virtual", "", world->describe());
#endif
    reporter.finish(status);
    return status;
}

}  // namespace

int runTool(const std::vector<std::string>& arguments) {
    ParsedArguments parsed = parseArguments(arguments);
    if (!parsed.options) return usageError(parsed.error);
    const Options& options = *parsed.options;
    if (options.help) {
        std::fputs(helpText().c_str(), stdout);
        return kExitSuccess;
    }
    if (options.version) {
        std::printf("tamo-sound %s\n", TAMO_SOUND_VERSION);
        return kExitSuccess;
    }
    if (!options.json) {
        std::unique_ptr<Reporter> reporter = makeTextReporter(stdout, stderr, colourWanted());
        return runSession(options, *reporter);
    }
    // Standard output carries the document alone; anything else written to
    // it meanwhile goes to standard error.
    ReservedStdout reserved;
    std::unique_ptr<Reporter> reporter = makeJsonReporter(reserved.stream());
    return runSession(options, *reporter);
}

}  // namespace tamo::tool
