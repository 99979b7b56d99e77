#include "session.h"

#include "output_capture.h"
#include "platform/win32.h"
#include "status_text.h"

namespace tamo::tool {

Session::Session(const SoundFunctions* functions, std::string loadError, SessionSettings settings,
                 Reporter& reporter, LocalCommand local, ReportTap reports)
    : functions_(functions),
      loadError_(std::move(loadError)),
      settings_(settings),
      reporter_(reporter),
      local_(std::move(local)),
      reports_(std::move(reports)) {}

ExitStatus Session::run(const std::vector<Command>& commands) {
    for (const Command& command : commands) {
        ++counts_.commands;
        if (status_ != kExitSuccess && !settings_.keepGoing) {
            skip(command, "an earlier command failed (--keep-going runs the rest anyway)");
            continue;
        }
        report(command.isLibraryCall() ? runLibraryCommand(command) : local_(command));
    }
    return status_;
}

CommandResult Session::runLibraryCommand(const Command& command) {
    if (!functions_) {
        CommandResult result;
        result.command = command;
        result.notRunBecause = "the library is not loaded: " + loadError_;
        result.exitStatus = kExitToolFailure;
        return result;
    }
    std::shared_ptr<const CommandResult> automaticInit;
    if (command.needsInit() && history_ != InitHistory::Initialised && !settings_.noInit) {
        Command initCommand;
        initCommand.kind = CommandKind::Init;
        CommandResult init = call(initCommand, true);
        init.before = command.text();
        // Shown as it happens, among the library's own lines.
        reporter_.result(init);
        automaticInit = std::make_shared<const CommandResult>(std::move(init));
        if (automaticInit->code != SOUND_OK) {
            CommandResult result;
            result.command = command;
            result.automaticInit = automaticInit;
            result.notRunBecause = "its automatic init failed";
            result.exitStatus = automaticInit->exitStatus;
            return result;
        }
    }
    CommandResult result = call(command, false);
    result.automaticInit = automaticInit;
    return result;
}

CommandResult Session::call(const Command& command, bool implicit) {
    CommandResult result;
    result.command = command;
    result.implicit = implicit;
    result.called = true;
    const int attempts = settings_.retries + 1;
    SoundState state{};
    StatusCode code = SOUND_OK;
    for (int attempt = 1;; ++attempt) {
        result.attempts = attempt;
        if (reporter_.capturesDiagnostics()) {
            OutputCapture capture;
            code = callOnce(command, state);
            std::vector<std::string> lines = capture.finish();
            result.diagnostics.insert(result.diagnostics.end(), lines.begin(), lines.end());
        } else {
            code = callOnce(command, state);
        }
        if (code != SOUND_ERROR_LOCK_BUSY || attempt >= attempts) break;
        reporter_.retrying(command, attempt, attempts, settings_.retryPauseMs, settings_.virtualTime);
        Sleep(settings_.retryPauseMs);
    }
    result.code = code;
    result.cause = causeOf(code);
    if (reports_) result.reports = reports_();
    if (command.kind == CommandKind::GetState) result.state = state;
    result.exitStatus = describeStatus(code).exitStatus;
    if (command.kind == CommandKind::Init && code == SOUND_OK) history_ = InitHistory::Initialised;
    if (command.kind == CommandKind::Destroy && history_ != InitHistory::Never) history_ = InitHistory::Destroyed;
    return result;
}

std::string Session::causeOf(StatusCode code) const {
    if (code == SOUND_ERROR_SEE_THROUGH_DISABLED && !settings_.configPath.empty()) {
        return "the library read " + settings_.configPath + "; 'tamo-sound check-config' explains what it made of it";
    }
    if (code != SOUND_ERROR_NOT_INITIALIZED) return {};
    switch (history_) {
    case InitHistory::Never:
        return "no init has succeeded in this process";
    case InitHistory::Destroyed:
        return "destroy ran after the last successful init";
    case InitHistory::Initialised:
        break;
    }
    return {};
}

StatusCode Session::callOnce(const Command& command, SoundState& state) {
    auto flag = static_cast<uint8_t>(command.value != 0);
    switch (command.kind) {
    case CommandKind::Init:
        return functions_->init();
    case CommandKind::Destroy:
        return functions_->destroy();
    case CommandKind::GetState:
        return functions_->getState(&state);
    case CommandKind::AudioMode:
        return functions_->setAudioMode(command.value);
    case CommandKind::SeeThrough:
        return functions_->setSeeThroughState(flag);
    case CommandKind::HiPower:
        return functions_->setHiPowerState(flag);
    default:
        return SOUND_ERROR_INVALID_ARGUMENT;
    }
}

void Session::report(const CommandResult& result) {
    if (status_ == kExitSuccess) status_ = result.exitStatus;
    ++(result.exitStatus == kExitSuccess ? counts_.succeeded : counts_.failed);
    reporter_.result(result);
}

void Session::skip(const Command& command, const std::string& why) {
    CommandResult result;
    result.command = command;
    result.notRunBecause = why;
    result.exitStatus = kExitSuccess;
    ++counts_.notRun;
    reporter_.result(result);
}

}  // namespace tamo::tool
