#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "config/integer_text.h"
#include "platform/console.h"

#include <new>

namespace tamo {

SeeThroughDecision decideSeeThrough(const PairSource& source, bool print) {
    SeeThroughDecision decision;
    std::optional<std::string> value;
    decision.file = source.read(
        [&decision, &value](LineNumber line, std::string_view key, std::string_view text) {
            if (key != config_key::kEnableSeeThrough) return;
            value = std::string(text);
            decision.line = line;
        },
        print);
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

bool isSeeThroughEnabled() {
    HMDConfigReader reader;
    // Out of memory, the file could not be read: the command is refused.
    try {
        return decideSeeThrough(ReaderSource(reader), true).allowed;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace tamo
