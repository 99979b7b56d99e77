// What a session reports, and the two output formats.
//
// Text (the default): one line per command on standard output, as each
// command finishes, so the library's own diagnostic lines stay in order
// among them. Warnings of the tool go to standard error.
//
// JSON (--json): standard output holds one JSON document, written when the
// session ends, and nothing else. The library's diagnostic lines printed
// during a command are captured and carried in that command's
// "diagnostics" array instead. The schema is documented in the README and
// versioned by "format_version".
#pragma once

#include "arguments.h"
#include "exit_status.h"
#include "json.h"
#include "tamo_settings.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tamo::tool {

inline constexpr int kJsonFormatVersion = 1;

// The members every JSON document of the tool starts with: format_version
// and the tool's name and version.
Json jsonDocumentHead();

struct CommandResult {
    Command command;
    bool implicit = false;       // an init the tool ran on its own before another command
    std::string before;          // implicit: that command, as written
    bool called = false;         // false: the command did not run
    std::string notRunBecause;   // why not
    std::optional<StatusCode> code;  // library calls: the result
    int attempts = 0;            // calls made (more than 1 after busy retries)
    std::optional<SoundState> state;  // state: what the library filled in
    std::vector<std::string> diagnostics;  // the library's lines (JSON output only)
    std::optional<std::vector<std::string>> reports;  // --show-reports: the HID reports of the call
    ExitStatus exitStatus = kExitSuccess;
    std::vector<std::string> detailLines;  // devices, check-config: the text report
    Json detail;                           // devices, check-config: the JSON report
};

// The label of a result line: "audio-mode 2", "init (before state)".
std::string resultLabel(const CommandResult& result);

// What an exit status means, in a few words.
const char* exitStatusMeaning(ExitStatus status);

class Reporter {
public:
    virtual ~Reporter() = default;
    // Whether the library's lines are to be captured per command.
    virtual bool capturesDiagnostics() const = 0;
    // A busy command that will be tried again after `pauseMs`.
    virtual void retrying(const Command& command, int attempt, int attempts, unsigned pauseMs) = 0;
    virtual void result(const CommandResult& result) = 0;
    // Something the user should know that is no command's result (a corrupt
    // state file replaced, ...).
    virtual void warning(const std::string& text) = 0;
    // Context: a line of the text output (none when `text` is empty), a
    // member of the JSON document ("library", "virtual"); a later value of
    // the same key replaces the earlier one in the document.
    virtual void context(const std::string& key, const std::string& text, Json value) = 0;
    virtual void finish(ExitStatus status) = 0;
};

// `colour`: ANSI colours for the status names.
std::unique_ptr<Reporter> makeTextReporter(std::FILE* out, std::FILE* err, bool colour);
std::unique_ptr<Reporter> makeJsonReporter(std::FILE* out);

// Whether text output may be coloured: standard output is a terminal and
// NO_COLOR is unset or empty.
bool colourWanted();

}  // namespace tamo::tool
