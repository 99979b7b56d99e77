// check-config: what the library will make of an hmd_config.ini.
//
// The library decides about the file as it always does (device table,
// see-through switch, the lines it prints) and says why; the tool adds
// what is about how the lines look (blank lines, byte-order marks, keys in
// the wrong case, text the library ignores) and explains every line:
// which key it sets, and when the library will not use it as written, why.
// Nothing is written to the file.
#pragma once

#include "config/config_reader.h"
#include "config/device_config.h"
#include "exit_status.h"
#include "json.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tamo::tool {

enum class Severity {
    Ignored,  // the library ignores something written in the file
    Warning,  // used as written, but it will probably not do what was meant
    Note,     // for information
};

struct ConfigFinding {
    std::optional<int> line;  // 1-based; none for what concerns no single line
    std::string reason;       // a stable identifier: "blank-line", "key-case", ...
    Severity severity = Severity::Note;
    std::string message;
};

// One entry of the device table the library will use.
struct ConfigEntry {
    int index = 0;  // the entry's number in the file, or 1-3 for the built-in entries
    DeviceConfig properties;
    WrittenEntry written;
    std::map<std::string, int> lines;  // property -> the line its value comes from
};

enum class ConfigFileState { Missing, Unreadable, Malformed, Read };
// What the file does to the library, from harmless to fatal.
enum class ConfigVerdict {
    UsedAsWritten,  // the library does what the file says
    NoFile,         // no file: the built-in table, see-through refused, as intended
    PartlyIgnored,  // the library ignores part of what the file says: fewer entries, a key, a value
    Ignored,        // the library ignores the file as a whole: the built-in table instead
    EmptyTable,     // the device table is empty: no headset can ever be found
};

struct ConfigCheck {
    std::string path;
    ConfigFileState file = ConfigFileState::Missing;
    int lineCount = 0;
    bool builtInTable = true;
    std::vector<ConfigEntry> table;
    std::optional<int> numOfConfig;  // as the library reads it, when present
    std::string numOfConfigText;     // as written
    bool seeThroughAllowed = false;
    std::optional<int> seeThroughLine;
    std::vector<ConfigFinding> findings;  // in line order; findings without a line last
    // What the library prints on standard output when it builds its device
    // table from the file, and when it asks for the see-through switch.
    std::vector<std::string> tableLines;
    std::vector<std::string> seeThroughLines;
    ConfigVerdict verdict = ConfigVerdict::Ignored;
};

// Reads the given file with the library's reader.
class FileConfigReader final : public ConfigReader {
public:
    explicit FileConfigReader(std::wstring path) : path_(std::move(path)) {}
    std::wstring getConfigFilePath(int&) override { return path_; }

private:
    std::wstring path_;
};

// Checks the file at `windowsPath` (what the library opens), shown as
// `displayPath`, with the library's own decisions about it.
ConfigCheck checkConfigFile(const std::wstring& windowsPath, const std::string& displayPath);

ExitStatus exitStatusOf(const ConfigCheck& check);
// One line: what the library will do with the file.
std::string summaryOf(const ConfigCheck& check);
std::vector<std::string> describeConfigCheck(const ConfigCheck& check);
Json configCheckJson(const ConfigCheck& check);

const char* severityName(Severity severity);
// Printable ASCII as it stands, every other byte as \xNN.
std::string visibleText(const std::string& text);
// The same between single quotes.
std::string quoted(const std::string& text);

}  // namespace tamo::tool
