// What the library makes of an hmd_config.ini, and why.
//
// The library reads the file once and takes its own decisions about it
// (device table, see-through switch, the lines it prints); the report adds
// how the lines look (blank lines, byte-order marks, keys in the wrong case,
// text the library ignores) and explains every line: which key it sets, and
// when the library does not use it as written, why. Nothing is written to
// the file.
#pragma once

#include "config/device_config.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamo::inspect {

enum class Severity {
    Ignored,  // the library ignores something written in the file
    Warning,  // used as written, but it will probably not do what was meant
    Note,     // for information
};

// Why a finding was made; each has a stable name ("blank-line").
enum class Reason {
    NoFile, Unreadable, ReadError, Utf8Bom, Utf16,
    BlankLine, TrailingEmptyLine, NoEquals, OnlyEquals, NoKey, NoValue,
    LoneCr, EqualsSkipped, ExtraText, DuplicateKey, UnknownKey,
    Bom, KeyBlanks, KeyCase, KeyDigits,
    NumMissing, NumNotNumber, NumberTrailingText, NumberClamped, NumNotPositive,
    EntryMissingKey, EntryBeyondCount, EmptyTable,
    HexNotNumber, HexTrailingText, IdTooWide, UsageOutOfRange, ValueBlanks,
    SeeThroughMissing, SeeThroughNotNumber,
};
inline constexpr std::size_t kReasonCount = static_cast<std::size_t>(Reason::SeeThroughNotNumber) + 1;

const char* reasonName(Reason reason);
const char* severityName(Severity severity);

struct Finding {
    std::optional<int> line;  // 1-based; none for what concerns no single line
    Reason reason = Reason::NoFile;
    Severity severity = Severity::Note;
    std::string message;
};

// One entry of the device table the library will use.
struct ConfigEntry {
    int index = 0;  // the entry's number in the file, or 1-3 for the built-in entries
    DeviceConfig properties;
    WrittenEntry written;
    // The line each property's value comes from, in the order of
    // kProperties; none for a built-in entry.
    std::optional<std::array<int, kPropertyCount>> lines;
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
const char* fileStateName(ConfigFileState state);
const char* verdictName(ConfigVerdict verdict);

struct ConfigReport {
    std::string path;
    ConfigFileState file = ConfigFileState::Missing;
    int lineCount = 0;
    bool builtInTable = true;
    std::vector<ConfigEntry> table;
    std::optional<int> numOfConfig;  // as the library reads it, when present
    std::string numOfConfigText;     // as written
    bool seeThroughAllowed = false;
    std::optional<int> seeThroughLine;
    std::vector<Finding> findings;  // in line order; findings without a line last
    // What the library prints when it builds its device table from the
    // file, and when it asks for the see-through switch.
    std::vector<std::string> tableLines;
    std::vector<std::string> seeThroughLines;
    ConfigVerdict verdict = ConfigVerdict::Ignored;
};

// The report on the file at `windowsPath` (what the library opens), shown
// as `displayPath`; or on the bytes of a file.
ConfigReport inspectConfigFile(const std::wstring& windowsPath, const std::string& displayPath);
ConfigReport inspectConfigText(std::string_view bytes, const std::string& displayPath);

}  // namespace tamo::inspect
