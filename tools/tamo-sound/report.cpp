#include "report.h"

#include "platform/win32.h"
#include "status_text.h"

#include <cstdlib>

#if defined(_WIN32)
#include <io.h>
#define tool_isatty _isatty
#define tool_fileno _fileno
#else
#include <unistd.h>
#define tool_isatty isatty
#define tool_fileno fileno
#endif

namespace tamo::tool {
namespace {

constexpr const char* kGreen = "\x1b[32m";
constexpr const char* kRed = "\x1b[31m";
constexpr const char* kReset = "\x1b[0m";

Json argumentJson(const Command& command) {
    switch (command.kind) {
    case CommandKind::AudioMode:
        return command.value;
    case CommandKind::SeeThrough:
    case CommandKind::HiPower:
        return command.value != 0;
    case CommandKind::CheckConfig:
        return command.path ? Json(*command.path) : Json();
    default:
        return {};
    }
}

Json linesJson(const std::vector<std::string>& lines) {
    Json json = Json::array();
    for (const std::string& line : lines) json.push(line);
    return json;
}

// The library's explanation of the code, and what in this session led to it.
std::string explanationOf(const CommandResult& result) {
    std::string text = describeStatus(*result.code).explanation;
    if (!result.cause.empty()) text += ": " + result.cause;
    return text;
}

// The call's own members: none of them when it was not called.
void setCallMembers(Json& item, const CommandResult& result) {
    item.set("called", result.called);
    item.set("not_run_because", result.called ? Json() : Json(result.notRunBecause));
    if (result.code) {
        item.set("code", *result.code);
        item.set("name", describeStatus(*result.code).name);
        item.set("explanation", explanationOf(result));
    } else {
        item.set("code", Json());
        item.set("name", Json());
        item.set("explanation", Json());
    }
    item.set("attempts", result.attempts);
    item.set("exit_status", static_cast<int>(result.exitStatus));
    item.set("diagnostics", linesJson(result.diagnostics));
    if (result.reports) {
        Json reports = Json::array();
        for (const ExchangedReport& report : *result.reports) reports.push(reportJson(report));
        item.set("reports", std::move(reports));
    }
}

// "[label] ", built by appending: GCC 12 warns falsely (-Wrestrict) about
// a literal joined to a temporary string.
std::string bracketed(const std::string& label) {
    std::string text(1, '[');
    text += label;
    text += "] ";
    return text;
}

class TextReporter final : public Reporter {
public:
    TextReporter(std::FILE* out, std::FILE* err, bool colour) : out_(out), err_(err), colour_(colour) {}

    bool capturesDiagnostics() const override { return false; }

    void retrying(const Command& command, int attempt, int attempts, unsigned pauseMs, bool virtualTime) override {
        line(bracketed(command.text()) + paint(SOUND_ERROR_LOCK_BUSY, {}) + "; trying again in " +
             std::to_string(pauseMs) + " ms" + (virtualTime ? " of virtual time (no real wait)" : "") + " (try " +
             std::to_string(attempt + 1) + " of " + std::to_string(attempts) + ")");
    }

    void result(const CommandResult& result) override {
        std::string label = bracketed(resultLabel(result));
        if (!result.called) {
            line(label + "not run: " + result.notRunBecause);
            return;
        }
        if (result.code) {
            std::string text = label + paint(*result.code, result.cause);
            if (result.attempts > 1) text += " (after " + std::to_string(result.attempts) + " tries)";
            line(text);
            if (*result.code == SOUND_OK && result.state) {
                line(label + "hiPower " + std::to_string(result.state->hiPowerState) +
                     (result.state->hiPowerState ? " (on)" : " (off)") + ", audioMode " +
                     std::to_string(result.state->audioMode));
            }
        }
        if (result.reports) {
            for (const ExchangedReport& report : *result.reports) line(label + reportLine(report));
        }
        for (const std::string& detail : result.detailLines) line(label + detail);
    }

    void warning(const std::string& text) override {
        std::fprintf(err_, "tamo-sound: warning: %s\n", text.c_str());
        std::fflush(err_);
    }

    void context(const std::string& key, const std::string& text, Json) override {
        if (!text.empty()) line(bracketed(key) + text);
    }

    void finish(ExitStatus status, const SessionCounts& counts) override {
        std::string text = "[summary] " + std::to_string(counts.succeeded) + " of " + std::to_string(counts.commands) +
                           (counts.commands == 1 ? " command" : " commands") + " succeeded";
        if (counts.failed > 0) text += ", " + std::to_string(counts.failed) + " failed";
        if (counts.notRun > 0) text += ", " + std::to_string(counts.notRun) + " not run";
        line(text + "; exit status " + std::to_string(status) + ": " + exitStatusMeaning(status));
    }

private:
    std::string paint(StatusCode code, const std::string& cause) const {
        std::string text = statusLine(code);
        if (!cause.empty()) text += ": " + cause;
        if (!colour_) return text;
        std::string name = describeStatus(code).name;
        return (code == SOUND_OK ? kGreen : kRed) + name + kReset + text.substr(name.size());
    }

    void line(const std::string& text) {
        std::fputs(text.c_str(), out_);
        std::fputc('\n', out_);
        std::fflush(out_);
    }

    std::FILE* out_;
    std::FILE* err_;
    bool colour_;
};

class JsonReporter final : public Reporter {
public:
    explicit JsonReporter(std::FILE* out) : out_(out) {}

    bool capturesDiagnostics() const override { return true; }

    void retrying(const Command&, int, int, unsigned, bool) override {}

    void result(const CommandResult& result) override {
        // An automatic init is reported inside the command it ran for.
        if (result.implicit) return;
        Json item = Json::object();
        item.set("command", result.command.name());
        item.set("argument", argumentJson(result.command));
        item.set("text", result.command.text());
        if (result.automaticInit) {
            Json init = Json::object();
            setCallMembers(init, *result.automaticInit);
            item.set("automatic_init", std::move(init));
        } else {
            item.set("automatic_init", Json());
        }
        setCallMembers(item, result);
        if (result.command.kind == CommandKind::GetState) {
            bool filled = result.state && result.code == SOUND_OK;
            item.set("hi_power", filled ? Json(result.state->hiPowerState != 0) : Json());
            item.set("audio_mode", filled ? Json(result.state->audioMode) : Json());
        }
        if (result.detail.kind() != Json::Kind::Null) {
            item.set(result.command.kind == CommandKind::Devices ? "devices" : "config", result.detail);
        }
        results_.push(std::move(item));
    }

    void warning(const std::string& text) override { warnings_.push(text); }

    void context(const std::string& key, const std::string&, Json value) override {
        for (auto& [existing, old] : context_) {
            if (existing == key) {
                old = std::move(value);
                return;
            }
        }
        context_.emplace_back(key, std::move(value));
    }

    void finish(ExitStatus status, const SessionCounts& counts) override {
        Json document = jsonDocumentHead();
        for (auto& [key, value] : context_) document.set(key, std::move(value));
        document.set("results", std::move(results_));
        Json summary = Json::object();
        summary.set("commands", counts.commands);
        summary.set("succeeded", counts.succeeded);
        summary.set("failed", counts.failed);
        summary.set("not_run", counts.notRun);
        document.set("summary", std::move(summary));
        document.set("warnings", std::move(warnings_));
        document.set("exit_status", static_cast<int>(status));
        document.set("exit_meaning", exitStatusMeaning(status));
        writeJsonDocument(out_, document);
    }

private:
    std::FILE* out_;
    Json results_ = Json::array();
    Json warnings_ = Json::array();
    std::vector<std::pair<std::string, Json>> context_;
};

}  // namespace

std::string resultLabel(const CommandResult& result) {
    if (result.implicit) return "init (before " + result.before + ")";
    // Their report names the path; the label stays short.
    if (!result.command.isLibraryCall()) return result.command.name();
    return result.command.text();
}

Json jsonDocumentHead() {
    Json document = Json::object();
    document.set("format_version", kJsonFormatVersion);
    Json tool = Json::object();
    tool.set("name", "tamo-sound");
    tool.set("version", TAMO_SOUND_VERSION);
    document.set("tool", std::move(tool));
    return document;
}

Json usageErrorDocument(const std::string& message) {
    Json document = jsonDocumentHead();
    Json error = Json::object();
    error.set("kind", "usage");
    error.set("message", message);
    document.set("error", std::move(error));
    document.set("exit_status", static_cast<int>(kExitUsage));
    document.set("exit_meaning", exitStatusMeaning(kExitUsage));
    return document;
}

void writeJsonDocument(std::FILE* out, const Json& document) {
    std::string text = document.dump();
    std::fputs(text.c_str(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

std::unique_ptr<Reporter> makeTextReporter(std::FILE* out, std::FILE* err, bool colour) {
    return std::make_unique<TextReporter>(out, err, colour);
}

std::unique_ptr<Reporter> makeJsonReporter(std::FILE* out) { return std::make_unique<JsonReporter>(out); }

bool colourWanted() {
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour && *noColour) return false;
    if (tool_isatty(tool_fileno(stdout)) == 0) return false;
#if defined(_WIN32)
    // A console shows escape sequences as text unless asked to interpret them.
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) return false;
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != FALSE;
#else
    return true;
#endif
}

}  // namespace tamo::tool
