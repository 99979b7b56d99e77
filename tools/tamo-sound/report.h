// What a session reports, and the two output formats.
//
// Text (the default): one line per command on standard output, as each
// command finishes, so the library's own diagnostic lines stay in order
// among them. Warnings of the tool go to standard error.
//
// JSON (--json): standard output holds one JSON document, written when the
// session ends, and nothing else. The library's diagnostic lines printed
// during a command are captured and carried in that command's
// "diagnostics" array instead. tamo-sound.schema.json describes every
// member; "format_version" changes when a member is removed or changes
// meaning.
#pragma once

#include "arguments.h"
#include "exchanged_report.h"
#include "exit_status.h"
#include "json.h"
#include "tamo_settings.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tamo::tool {

inline constexpr int kJsonFormatVersion = 2;

// The members every JSON document of the tool starts with: format_version
// and the tool's name and version.
Json jsonDocumentHead();

struct CommandResult {
    Command command;
    bool implicit = false;       // an init the tool ran on its own before another command
    std::string before;          // implicit: that command, as written
    // The init the tool ran on its own before this command, part of it.
    std::shared_ptr<const CommandResult> automaticInit;
    bool called = false;         // false: the command did not run
    std::string notRunBecause;   // why not
    std::optional<StatusCode> code;  // library calls: the result
    std::string cause;           // what in this session led to `code`, when the tool knows
    int attempts = 0;            // calls made (more than 1 after busy retries)
    std::optional<SoundState> state;  // state: what the library filled in
    std::vector<std::string> diagnostics;  // the library's lines (JSON output only)
    std::optional<std::vector<ExchangedReport>> reports;  // --show-reports: the HID reports of the call
    ExitStatus exitStatus = kExitSuccess;
    std::vector<std::string> detailLines;  // devices, check-config: the text report
    Json detail;                           // devices, check-config: the JSON report
};

// The commands as the user typed them: an automatic init is part of the
// command it ran for, not a command of its own.
struct SessionCounts {
    int commands = 0;
    int succeeded = 0;
    int failed = 0;   // ran, or could not run, and failed (an automatic init's failure included)
    int notRun = 0;   // skipped after an earlier failure
};

// The label of a result line: "audio-mode 2", "init (before state)".
std::string resultLabel(const CommandResult& result);

// The document of a usage error (--json with bad arguments).
Json usageErrorDocument(const std::string& message);
// The document and a line end, flushed.
void writeJsonDocument(std::FILE* out, const Json& document);

class Reporter {
public:
    virtual ~Reporter() = default;
    // Whether the library's lines are to be captured per command.
    virtual bool capturesDiagnostics() const = 0;
    // A busy command that will be tried again after `pauseMs`, of the
    // emulated clock's time when `virtualTime`.
    virtual void retrying(const Command& command, int attempt, int attempts, unsigned pauseMs, bool virtualTime) = 0;
    virtual void result(const CommandResult& result) = 0;
    // Something the user should know that is no command's result (a corrupt
    // state file replaced, ...).
    virtual void warning(const std::string& text) = 0;
    // Context: a line of the text output (none when `text` is empty), a
    // member of the JSON document ("library", "virtual"); a later value of
    // the same key replaces the earlier one in the document.
    virtual void context(const std::string& key, const std::string& text, Json value) = 0;
    virtual void finish(ExitStatus status, const SessionCounts& counts) = 0;
};

// `colour`: ANSI colours for the status names.
std::unique_ptr<Reporter> makeTextReporter(std::FILE* out, std::FILE* err, bool colour);
std::unique_ptr<Reporter> makeJsonReporter(std::FILE* out);

// Whether text output may be coloured: standard output is a terminal and
// NO_COLOR is unset or empty.
bool colourWanted();

}  // namespace tamo::tool
