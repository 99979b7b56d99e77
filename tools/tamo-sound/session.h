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
    bool virtualTime = false;  // the pause passes on the emulated clock, not the wall clock's
    std::string configPath;    // the hmd_config.ini the library reads, for explaining -1999
};

// devices and check-config, which are no calls of the exported functions.
using LocalCommand = std::function<CommandResult(const Command&)>;
// What the headset exchanged since the last time it was asked (the native
// build's virtual headset).
using ReportTap = std::function<std::vector<ExchangedReport>()>;

class Session {
public:
    // `functions` null: the library could not be loaded (`loadError`
    // says why); its commands then fail, devices and check-config still run.
    Session(const SoundFunctions* functions, std::string loadError, SessionSettings settings, Reporter& reporter,
            LocalCommand local, ReportTap reports = {});

    // Runs every command; the exit status is that of the first failure, or
    // success.
    ExitStatus run(const std::vector<Command>& commands);

    const SessionCounts& counts() const { return counts_; }

private:
    // Whether the library was ever initialised by this session, and whether
    // it was destroyed since: what makes -2000 true at this moment.
    enum class InitHistory { Never, Initialised, Destroyed };

    CommandResult runLibraryCommand(const Command& command);
    CommandResult call(const Command& command, bool implicit);
    StatusCode callOnce(const Command& command, SoundState& state);
    std::string causeOf(StatusCode code) const;
    void report(const CommandResult& result);
    void skip(const Command& command, const std::string& why);

    const SoundFunctions* functions_;
    std::string loadError_;
    SessionSettings settings_;
    Reporter& reporter_;
    LocalCommand local_;
    ReportTap reports_;
    InitHistory history_ = InitHistory::Never;
    ExitStatus status_ = kExitSuccess;
    SessionCounts counts_;
};

}  // namespace tamo::tool
