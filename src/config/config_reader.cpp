#include "config/config_reader.h"

#include "config/config_text.h"
#include "config/integer_text.h"
#include "platform/console.h"

#include <new>
#include <vector>

namespace tamo {

int ConfigReader::loadConfigFile() {
    FileReading reading = loadConfigFile(
        [this](LineNumber, std::string_view key, std::string_view value) { keyValues[std::string(key)] = value; });
    // Out of memory while reporting it, the file is still one that could not
    // be read, not a failure of the caller.
    try {
        std::vector<std::string> lines;
        addMalformedLines(reading, lines);
        printLines(lines);
    } catch (const std::bad_alloc&) {
    }
    return reading.state == FileState::Read ? 0 : -1;
}

int ConfigReader::getKeyValueFromBuffer(const std::string& line, std::string& key, std::string& value) {
    LineSplit split = splitKeyValue(line);
    if (split.key) key.assign(*split.key);
    if (split.succeeded()) {
        value.assign(*split.value);
        return 0;
    }
    printLine(kSplitFailedLine);
    return -1;
}

int ConfigReader::getStringValue(const std::string& key, std::string& value) const {
    auto found = keyValues.find(key);
    if (found == keyValues.end()) {
        printLine("Cannot find the key:" + key);
        return -1;
    }
    value = found->second;
    return 0;
}

int ConfigReader::getIntValue(const std::string& key, int& value) const {
    auto found = keyValues.find(key);
    if (found == keyValues.end()) {
        printLine("Cannot find the key:" + key);
        return -1;
    }
    value = readInteger(found->second, 10).value;
    return 0;
}

}  // namespace tamo
