// check-config: what the library will make of an hmd_config.ini.
//
// The file is read with the library's own reader (its line splitting, its
// look-ups, its decimal and base-16 conversions), and every line is
// explained: which key it sets, and when the library will not use it as
// written, why. Nothing is written to the file.
#pragma once

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
    std::map<std::string, int> lines;  // property -> the line its value comes from
};

enum class ConfigFileState { Missing, Unreadable, Malformed, Read };
enum class ConfigVerdict { UsedAsWritten, PartlyIgnored, Ignored };

struct ConfigCheck {
    std::string path;
    ConfigFileState file = ConfigFileState::Missing;
    int lineCount = 0;
    bool builtInTable = true;
    std::vector<ConfigEntry> table;
    std::optional<int> numOfConfig;  // as the library reads it, when present
    bool seeThroughAllowed = false;
    std::optional<int> seeThroughLine;
    std::vector<ConfigFinding> findings;  // in line order; findings without a line last
    // What the library prints on standard output when it builds its device
    // table from the file, and when it asks for the see-through switch.
    std::vector<std::string> tableLines;
    std::vector<std::string> seeThroughLines;
    // Set when the library's own functions, asked about the same file,
    // answer differently from this explanation: a bug of the tool.
    std::optional<std::string> disagreement;
    ConfigVerdict verdict = ConfigVerdict::Ignored;
};

// Checks the file at `windowsPath` (what the library opens), shown as
// `displayPath`. `libraryReadsIt`: it is the file beside the executable
// that the library reads itself, so the library's own answers
// (loadDeviceConfigs, isSeeThroughEnabled) are compared with the
// explanation.
ConfigCheck checkConfigFile(const std::wstring& windowsPath, const std::string& displayPath, bool libraryReadsIt);

ExitStatus exitStatusOf(const ConfigCheck& check);
std::vector<std::string> describeConfigCheck(const ConfigCheck& check);
Json configCheckJson(const ConfigCheck& check);

const char* severityName(Severity severity);
// Printable ASCII as it stands, every other byte as \xNN.
std::string visibleText(const std::string& text);
// The same between single quotes.
std::string quoted(const std::string& text);

}  // namespace tamo::tool
