// The command line of tamo-sound.
#pragma once

#include "inspect/exports.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamo::tool {

// A call of each of the library's exports, then the tool's own commands.
enum class CommandKind {
#define TAMO_SOUND_CALL_COMMAND(name, function) name,
    TAMO_SETTINGS_EXPORTS(TAMO_SOUND_CALL_COMMAND)
#undef TAMO_SOUND_CALL_COMMAND
    Devices,
    CheckConfig,
};

struct Command {
    CommandKind kind = CommandKind::Init;
    int value = 0;                    // audio-mode: 0-2; see-through, hi-power: 1 on, 0 off
    std::optional<std::string> path;  // check-config: the file named on the command line

    // The command as it is written: "audio-mode 2", "see-through on".
    std::string text() const;
    // "audio-mode", "see-through", ...
    const char* name() const;
    // Whether the command is a call of the library that needs init first.
    bool needsInit() const;
    // Whether the command is one of the library's exported functions.
    bool isLibraryCall() const;
};

struct Options {
    bool json = false;
    bool noInit = false;
    bool keepGoing = false;
    bool help = false;
    bool version = false;
    bool showReports = false;  // native build: the virtual headset's reports per command
    int retries = 0;
    std::optional<std::string> virtualProfile;  // native build: none, old-firmware, ... or a file
    std::optional<std::string> stateFile;
    std::optional<std::string> exeDir;
    std::optional<std::string> configFile;  // devices and check-config: the file to examine
    std::vector<Command> commands;
};

struct ParsedArguments {
    std::optional<Options> options;  // nothing when the arguments are bad
    std::string error;               // why, in one line
    // --json was asked for, even when the arguments are bad: the error is
    // then a JSON document too.
    bool json = false;
};

// Options may stand before, between and after the commands; "--" ends the
// options. The arguments exclude the program name.
ParsedArguments parseArguments(const std::vector<std::string>& arguments);

// A switch as written anywhere the tool takes one: on, off, 1, 0, yes, no,
// true, false, in any case. The library itself takes any non-zero byte as on.
std::optional<bool> parseSwitch(std::string_view text);

// The --help text.
std::string helpText();

// The maximum for --retry.
inline constexpr int kMaxRetries = 100;
// The pause between two tries of a busy command.
inline constexpr unsigned kRetryPauseMs = 200;

}  // namespace tamo::tool
