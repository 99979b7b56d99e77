// Runs the commands of one invocation, in order, each a call of the library.
#pragma once

#include "arguments.h"
#include "report.h"
#include "sound_library.h"

#include <functional>
#include <string>

namespace tamo::tool {

struct SessionSettings {
    bool noInit = false;
    bool keepGoing = false;
    int retries = 0;
    unsigned retryPauseMs = kRetryPauseMs;
};

// devices and check-config, which are no calls of the exported functions.
using LocalCommand = std::function<CommandResult(const Command&)>;
// What the headset exchanged since the last time it was asked, one line a
// report (the native build's virtual headset).
using ReportTap = std::function<std::vector<std::string>()>;

class Session {
public:
    // `functions` null: the library could not be loaded (`loadError`
    // says why); its commands then fail, devices and check-config still run.
    Session(const SoundFunctions* functions, std::string loadError, SessionSettings settings, Reporter& reporter,
            LocalCommand local, ReportTap reports = {});

    // Runs every command; the exit status is that of the first failure, or
    // success.
    ExitStatus run(const std::vector<Command>& commands);

private:
    CommandResult call(const Command& command, bool implicit);
    StatusCode callOnce(const Command& command, SoundState& state);
    void report(const CommandResult& result);
    void skip(const Command& command, const std::string& why);

    const SoundFunctions* functions_;
    std::string loadError_;
    SessionSettings settings_;
    Reporter& reporter_;
    LocalCommand local_;
    ReportTap reports_;
    bool initialised_ = false;
    ExitStatus status_ = kExitSuccess;
};

}  // namespace tamo::tool
