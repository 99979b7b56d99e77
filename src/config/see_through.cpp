#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "config/integer_text.h"

#include <new>

namespace tamo {

void decideSeeThrough(const PairSource& source, SeeThroughDecision& decision) {
    decision = SeeThroughDecision{};
    std::optional<std::string> value;
    decision.file = source.read([&decision, &value](LineNumber line, std::string_view key, std::string_view text) {
        if (key != config_key::kEnableSeeThrough) return;
        value = std::string(text);
        decision.line = line;
    });
    addMalformedLines(decision.file, decision.lines);
    if (decision.file.state != FileState::Read) return;
    if (!value) {
        decision.lines.push_back(missingKeyLine(config_key::kEnableSeeThrough));
        return;
    }
    decision.allowed = readInteger(*value, 10).value != 0;
    decision.value = std::move(value);
}

SeeThroughDecision decideSeeThrough(const PairSource& source) {
    SeeThroughDecision decision;
    decideSeeThrough(source, decision);
    return decision;
}

bool isSeeThroughEnabled() {
    HMDConfigReader reader;
    SeeThroughDecision decision;
    // Out of memory, the file could not be read: the command is refused.
    try {
        decideSeeThrough(ReaderSource(reader), decision);
    } catch (const std::bad_alloc&) {
        decision.allowed = false;
    }
    printLines(decision.lines);
    return decision.allowed;
}

}  // namespace tamo
