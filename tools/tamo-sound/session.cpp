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
        if (status_ != kExitSuccess && !settings_.keepGoing) {
            skip(command, "an earlier command failed (--keep-going runs the rest anyway)");
            continue;
        }
        if (!command.isLibraryCall()) {
            report(local_(command));
            continue;
        }
        if (!functions_) {
            CommandResult result;
            result.command = command;
            result.notRunBecause = "the library is not loaded: " + loadError_;
            result.exitStatus = kExitToolFailure;
            report(result);
            continue;
        }
        if (command.needsInit() && !initialised_ && !settings_.noInit) {
            Command initCommand;
            initCommand.kind = CommandKind::Init;
            CommandResult init = call(initCommand, true);
            init.before = command.text();
            report(init);
            if (init.code != SOUND_OK) {
                skip(command, "init failed");
                continue;
            }
        }
        report(call(command, false));
    }
    return status_;
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
        reporter_.retrying(command, attempt, attempts, settings_.retryPauseMs);
        Sleep(settings_.retryPauseMs);
    }
    result.code = code;
    if (reports_) result.reports = reports_();
    if (command.kind == CommandKind::State) result.state = state;
    result.exitStatus = describeStatus(code).exitStatus;
    if (command.kind == CommandKind::Init && code == SOUND_OK) initialised_ = true;
    if (command.kind == CommandKind::Destroy) initialised_ = false;
    return result;
}

StatusCode Session::callOnce(const Command& command, SoundState& state) {
    auto flag = static_cast<uint8_t>(command.value != 0);
    switch (command.kind) {
    case CommandKind::Init:
        return functions_->init();
    case CommandKind::Destroy:
        return functions_->destroy();
    case CommandKind::State:
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
    reporter_.result(result);
}

void Session::skip(const Command& command, const std::string& why) {
    CommandResult result;
    result.command = command;
    result.notRunBecause = why;
    result.exitStatus = kExitSuccess;
    reporter_.result(result);
}

}  // namespace tamo::tool
