#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "config/integer_text.h"
#include "platform/console.h"

namespace tamo {

namespace {

// The switch from the pairs that `read` hands over.
template <class Read>
SeeThroughDecision decideSwitchFrom(const Read& read, bool print) {
    SeeThroughDecision decision;
    std::optional<std::string> value;
    decision.file = read([&decision, &value](int line, std::string_view key, std::string_view text) {
        if (key != config_key::kEnableSeeThrough) return;
        value = std::string(text);
        decision.line = line;
    });
    if (decision.file.state == FileState::Malformed && !print) {
        decision.lines = {kSplitFailedLine, loadFailedLine(decision.file.malformedLine)};
    }
    if (decision.file.state != FileState::Read) return decision;
    if (!value) {
        std::string line = missingKeyLine(config_key::kEnableSeeThrough);
        if (print) printLine(line);
        else decision.lines.push_back(std::move(line));
        return decision;
    }
    decision.allowed = readInteger(*value, 10).value != 0;
    decision.value = std::move(value);
    return decision;
}

}  // namespace

SeeThroughDecision decideSeeThrough(ConfigReader& reader, bool print) {
    return decideSwitchFrom([&reader, print](const PairReceiver& receive) { return reader.loadConfigFile(receive, print); },
                            print);
}

SeeThroughDecision decideSeeThrough(std::string_view text) {
    return decideSwitchFrom([text](const PairReceiver& receive) { return readConfigText(text, receive); }, false);
}

bool isSeeThroughEnabled() {
    HMDConfigReader reader;
    return decideSeeThrough(reader, true).allowed;
}

}  // namespace tamo
