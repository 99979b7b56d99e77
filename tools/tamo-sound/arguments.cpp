#include "arguments.h"

#include "inspect/library_facts.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

namespace tamo::tool {
namespace {

struct CommandName {
    std::string_view name;
    CommandKind kind;
};

constexpr CommandName kCommandNames[] = {
    {"init", CommandKind::Init},
    {"destroy", CommandKind::Destroy},
    {"state", CommandKind::GetState},
    {"audio-mode", CommandKind::AudioMode},
    {"see-through", CommandKind::SeeThrough},
    {"hi-power", CommandKind::HiPower},
    {"devices", CommandKind::Devices},
    {"check-config", CommandKind::CheckConfig},
};

std::optional<CommandKind> commandKind(std::string_view word) {
    for (const CommandName& command : kCommandNames) {
        if (command.name == word) return command.kind;
    }
    return std::nullopt;
}

std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Whether one of the words before "--" is `option`: --help and --json
// count wherever they stand, even beside a bad argument.
bool mentions(const std::vector<std::string>& arguments, std::initializer_list<std::string_view> spellings) {
    for (const std::string& word : arguments) {
        if (word == "--") return false;
        if (std::find(spellings.begin(), spellings.end(), word) != spellings.end()) return true;
    }
    return false;
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Walks the argument list; every step consumes one option or command.
class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    ParsedArguments run() {
        while (index_ < arguments_.size() && error_.empty()) step();
        if (error_.empty() && !options_.help && !options_.version && options_.commands.empty()) {
            error_ = "no command given";
        }
        if (!error_.empty()) return {std::nullopt, error_};
        return {options_, {}};
    }

private:
    void step() {
        const std::string& word = arguments_[index_++];
        if (!optionsEnded_ && word == "--") {
            optionsEnded_ = true;
        } else if (!optionsEnded_ && word.size() > 1 && word[0] == '-') {
            option(word);
        } else {
            command(word);
        }
    }

    void option(const std::string& word) {
        std::string name = word;
        std::optional<std::string> inlineValue;
        if (std::size_t equals = word.find('='); word.starts_with("--") && equals != std::string::npos) {
            name = word.substr(0, equals);
            inlineValue = word.substr(equals + 1);
        }
        auto flag = [&](bool& target) {
            if (inlineValue) return fail(name + " takes no value");
            target = true;
        };
        if (name == "--json") return flag(options_.json);
        if (name == "--no-init") return flag(options_.noInit);
        if (name == "--keep-going" || name == "-k") return flag(options_.keepGoing);
        if (name == "--help" || name == "-h") return flag(options_.help);
        if (name == "--version") return flag(options_.version);
        if (name == "--retry") return retry(inlineValue ? *inlineValue : value(name));
        if (name == "--config") return store(options_.configFile, name, inlineValue);
        if (name == "--exe-dir") return store(options_.exeDir, name, inlineValue);
#if defined(_WIN32)
        if (name == "--virtual" || name == "--state-file" || name == "--show-reports") {
            return fail(name + " belongs to the emulated build; this program runs on Windows");
        }
#else
        if (name == "--virtual") return store(options_.virtualProfile, name, inlineValue);
        if (name == "--state-file") return store(options_.stateFile, name, inlineValue);
        if (name == "--show-reports") return flag(options_.showReports);
#endif
        fail("unknown option " + word);
    }

    void store(std::optional<std::string>& target, const std::string& name,
               const std::optional<std::string>& inlineValue) {
        std::string text = inlineValue ? *inlineValue : value(name);
        if (!error_.empty()) return;
        if (text.empty()) return fail(name + " needs a value");
        target = text;
    }

    void retry(const std::string& text) {
        if (!error_.empty()) return;
        std::optional<int> count = wholeNumber(text);
        if (!count || *count < 0 || *count > kMaxRetries) {
            return fail("--retry takes a number of retries from 0 to " + std::to_string(kMaxRetries) + ", not '" +
                        text + "'");
        }
        options_.retries = *count;
    }

    // The word after an option that takes a value.
    std::string value(const std::string& name) {
        if (index_ >= arguments_.size()) {
            fail(name + " needs a value");
            return {};
        }
        return arguments_[index_++];
    }

    void command(const std::string& word) {
        std::optional<CommandKind> kind = commandKind(word);
        if (!kind) return fail("unknown command '" + word + "'");
        Command command;
        command.kind = *kind;
        switch (*kind) {
        case CommandKind::AudioMode: {
            std::string text = value(word);
            if (!error_.empty()) return;
            std::optional<int> mode = wholeNumber(text);
            if (!mode || !inspect::isAudioMode(*mode)) return fail("audio-mode takes 0, 1 or 2, not '" + text + "'");
            command.value = *mode;
            break;
        }
        case CommandKind::SeeThrough:
        case CommandKind::HiPower: {
            std::string text = value(word);
            if (!error_.empty()) return;
            std::optional<bool> on = parseSwitch(text);
            if (!on) return fail(word + " takes on or off (or 1 or 0), not '" + text + "'");
            command.value = *on ? 1 : 0;
            break;
        }
        case CommandKind::CheckConfig:
            // An optional path: any next word that is neither a command nor
            // an option (write ./state for a file named like a command).
            if (index_ < arguments_.size() && !commandKind(arguments_[index_]) &&
                (optionsEnded_ || !arguments_[index_].starts_with("-"))) {
                command.path = arguments_[index_++];
                if (command.path->empty()) return fail("check-config: the path is empty");
            }
            break;
        default:
            break;
        }
        options_.commands.push_back(std::move(command));
    }

    void fail(const std::string& message) {
        if (error_.empty()) error_ = message;
    }

    const std::vector<std::string>& arguments_;
    std::size_t index_ = 0;
    bool optionsEnded_ = false;
    Options options_;
    std::string error_;
};

}  // namespace

const char* Command::name() const {
    for (const CommandName& command : kCommandNames) {
        if (command.kind == kind) return command.name.data();
    }
    return "?";
}

std::string Command::text() const {
    std::string text = name();
    switch (kind) {
    case CommandKind::AudioMode:
        return text + " " + std::to_string(value);
    case CommandKind::SeeThrough:
    case CommandKind::HiPower:
        return text + (value ? " on" : " off");
    case CommandKind::CheckConfig:
        return path ? text + " " + *path : text;
    default:
        return text;
    }
}

bool Command::isLibraryCall() const { return kind != CommandKind::Devices && kind != CommandKind::CheckConfig; }

bool Command::needsInit() const { return isLibraryCall() && kind != CommandKind::Init && kind != CommandKind::Destroy; }

std::optional<bool> parseSwitch(std::string_view text) {
    std::string lower = lowerCase(text);
    for (std::string_view on : {"on", "1", "yes", "true"}) {
        if (lower == on) return true;
    }
    for (std::string_view off : {"off", "0", "no", "false"}) {
        if (lower == off) return false;
    }
    return std::nullopt;
}

ParsedArguments parseArguments(const std::vector<std::string>& arguments) {
    if (mentions(arguments, {"--help", "-h"})) {
        Options help;
        help.help = true;
        return {help, {}};
    }
    ParsedArguments parsed = Parser(arguments).run();
    parsed.json = mentions(arguments, {"--json"});
    return parsed;
}

}  // namespace tamo::tool
