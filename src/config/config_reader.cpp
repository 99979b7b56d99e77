#include "config/config_reader.h"

#include "config/integer_text.h"
#include "config/line_reader.h"
#include "config/tokenizer.h"
#include "platform/console.h"
#include "platform/win32.h"

#include <cstdio>
#include <exception>
#include <memory>

namespace tamo {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Binary mode: the line reader handles CR LF itself. The C library opens
// without denying other readers or writers.
File openForReading(const std::wstring& path) {
    // An empty name would reach the Windows C library's invalid-parameter
    // handler, which ends the process by default.
    if (path.empty()) return nullptr;
    return File(_wfopen(path.c_str(), L"rb"));
}

int readPairs(std::FILE* file, std::map<std::string, std::string>& keyValues) {
    LineReader lines(file);
    std::string line;
    std::string key;
    std::string value;
    while (lines.next(line)) {
        if (ConfigReader::getKeyValueFromBuffer(line, key, value) != 0) {
            printLine("getKeyValueFromBuffer(" + line + ") is failed!!");
            return -1;
        }
        keyValues[key] = value;
    }
    return 0;
}

}  // namespace

int ConfigReader::loadConfigFile() {
    File file = openForReading(getConfigFilePath(configFileType));
    if (!file) return -1;
    // Lines have no length limit, so a huge file can exhaust memory; that
    // counts as a file that could not be read, not as a crash of the host.
    try {
        return readPairs(file.get(), keyValues);
    } catch (const std::exception&) {
        return -1;
    }
}

int ConfigReader::getKeyValueFromBuffer(const std::string& line, std::string& key, std::string& value) {
    // The line has always been split as a C string, so a NUL byte ends it.
    Tokenizer tokens(line.c_str(), '=');
    std::optional<std::string_view> first = tokens.next();
    if (first) {
        key.assign(*first);
        if (std::optional<std::string_view> second = tokens.next()) {
            value.assign(*second);
            return 0;
        }
    }
    printLine("strtok_r() is failed!!");
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
