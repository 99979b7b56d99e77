#include "inspect/config_report.h"

#include "config/hmd_config.h"
#include "config/integer_text.h"
#include "hid/device_match.h"
#include "inspect/recorded_reading.h"
#include "inspect/text_forms.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

namespace tamo::inspect {
namespace {

constexpr const char* kNumOfConfig = config_key::kNumOfConfig;
constexpr const char* kEnableSeeThrough = config_key::kEnableSeeThrough;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kSpaces = " \t\n\v\f\r";
constexpr std::size_t kVendorField = 0;

constexpr std::array<const char*, kReasonCount> kReasonNames = {
    "no-file", "unreadable", "read-error", "utf8-bom", "utf16",
    "blank-line", "trailing-empty-line", "no-equals", "only-equals", "no-key", "no-value",
    "lone-cr", "equals-skipped", "extra-text", "duplicate-key", "unknown-key",
    "bom", "key-blanks", "key-case", "key-digits",
    "num-missing", "num-not-number", "number-trailing-text", "number-clamped", "num-not-positive",
    "entry-missing-key", "entry-beyond-count", "empty-table",
    "hex-not-number", "hex-trailing-text", "id-too-wide", "usage-out-of-range", "value-blanks",
    "see-through-missing", "see-through-not-number",
};

std::string_view trimmed(std::string_view text, std::string_view characters = kBlanks) {
    const std::size_t first = text.find_first_not_of(characters);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(characters) - first + 1);
}

std::string upperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool isKnownKey(std::string_view key) {
    return key == kNumOfConfig || key == kEnableSeeThrough || entryKeyOf(key).has_value();
}

// What follows the number the library reads from `text`, blanks included;
// empty when nothing but white space does.
std::string_view textAfterNumber(std::string_view text, const IntegerText& read) {
    std::string_view rest = text.substr(read.end);
    return trimmed(rest, kSpaces).empty() ? std::string_view() : rest;
}

// The entry key that `key` is written for when it spells its entry number
// otherwise ("VENDORID_7", "VENDORID_0007"), as the library reads numbers.
std::optional<std::string> entryKeyMeantBy(std::string_view key) {
    for (std::size_t field = 0; field < kEntryKeyCount; ++field) {
        const std::string_view prefix = entryKeyPrefix(field);
        if (!key.starts_with(prefix)) continue;
        const std::string_view digits = key.substr(prefix.size());
        const IntegerText number = readInteger(digits, 10);
        const bool plainDigits = !digits.empty() && digits.front() >= '0' && digits.front() <= '9';
        if (!plainDigits || number.end != digits.size() || number.clamped || number.value == 0) return std::nullopt;
        return entryKey(field, number.value);
    }
    return std::nullopt;
}

// How a key that the library never looks up differs from one it does.
struct NearMiss {
    std::string intended;  // the key the writer probably meant
    std::vector<Reason> reasons;
    std::vector<std::string> explanations;
};

std::optional<NearMiss> nearMissOf(const std::string& key) {
    NearMiss miss;
    std::string candidate = key;
    if (candidate.starts_with(kByteOrderMark)) {
        candidate.erase(0, kByteOrderMark.size());
        miss.reasons.push_back(Reason::Bom);
        miss.explanations.push_back("the file starts with a UTF-8 byte-order mark, which the library reads as part "
                                    "of the first key");
    }
    if (std::string_view inner = trimmed(candidate); inner.size() != candidate.size() && !inner.empty()) {
        candidate = std::string(inner);
        miss.reasons.push_back(Reason::KeyBlanks);
        miss.explanations.push_back("the blanks around the key are part of it");
    }
    if (std::string upper = upperCase(candidate); upper != candidate) {
        candidate = upper;
        miss.reasons.push_back(Reason::KeyCase);
        miss.explanations.push_back("keys are case-sensitive");
    }
    if (!isKnownKey(candidate)) {
        std::optional<std::string> expected = entryKeyMeantBy(candidate);
        if (!expected) return std::nullopt;
        miss.reasons.push_back(Reason::KeyDigits);
        miss.explanations.push_back(candidate.size() < expected->size()
                                        ? "entry numbers have at least three digits"
                                        : "the entry number has more leading zeros than the library writes");
        candidate = *expected;
    }
    miss.intended = candidate;
    return miss;
}

// Why the library cannot split a line.
Finding malformedLine(const SourceLine& line, bool last, bool first) {
    Finding finding;
    finding.line = line.number;
    finding.severity = Severity::Ignored;
    const std::string_view text = line.text.c_str();
    if (text.empty()) {
        finding.reason = last ? Reason::TrailingEmptyLine : Reason::BlankLine;
        finding.message = last ? "the file ends with an empty line (two line ends at its end)" : "blank line";
    } else if (text.find('=') == std::string_view::npos) {
        const bool blank = trimmed(text, " \t\r\v\f").empty();
        finding.reason = blank ? Reason::BlankLine : Reason::NoEquals;
        finding.message = blank ? "a line of blanks only"
                                : "no \"=\" in the line " + quoted(text) +
                                      " (there are no comments or section headers)";
    } else if (text.find_first_not_of('=') == std::string_view::npos) {
        finding.reason = Reason::OnlyEquals;
        finding.message = "the line holds nothing but \"=\"";
    } else if (text.front() == '=') {
        finding.reason = Reason::NoKey;
        finding.message = "\"=\" and a value but no key: the library takes " + quoted(trimmed(text, "=")) +
                          " as the key and finds no value";
    } else {
        finding.reason = Reason::NoValue;
        finding.message = "the key " + quoted(text.substr(0, text.find('='))) + " has no value after \"=\"";
    }
    finding.message += first ? ": the library stops reading here and ignores the whole file (built-in device "
                               "table, see-through refused)"
                             : ": this line would stop the library as well";
    return finding;
}

// How a file was saved, told from its first bytes: Notepad's "Unicode" is
// UTF-16 with a byte-order mark; without one, ASCII text in UTF-16 has a
// zero in every other byte.
enum class Encoding { EightBit, Utf8WithBom, Utf16LittleEndian, Utf16BigEndian };

Encoding encodingOf(std::string_view start) {
    auto byte = [&start](std::size_t at) { return at < start.size() ? static_cast<unsigned char>(start[at]) : 0x100u; };
    if (start.starts_with(kByteOrderMark)) return Encoding::Utf8WithBom;
    if (byte(0) == 0xFF && byte(1) == 0xFE) return Encoding::Utf16LittleEndian;
    if (byte(0) == 0xFE && byte(1) == 0xFF) return Encoding::Utf16BigEndian;
    if (start.size() < 4) return Encoding::EightBit;
    if (byte(0) != 0 && byte(1) == 0 && byte(2) != 0 && byte(3) == 0) return Encoding::Utf16LittleEndian;
    if (byte(0) == 0 && byte(1) != 0 && byte(2) == 0 && byte(3) != 0) return Encoding::Utf16BigEndian;
    return Encoding::EightBit;
}

constexpr const char* kSaveAdvice =
    "save it as ANSI, or as UTF-8 without a byte-order mark (Notepad: File, Save As, Encoding \"ANSI\" or "
    "\"UTF-8\", not \"UTF-8 with BOM\" or \"Unicode\")";

class Inspector {
public:
    Inspector(RecordedReading recorded, const std::string& displayPath) : recorded_(std::move(recorded)) {
        report_.path = displayPath;
    }

    ConfigReport run() {
        askTheLibrary();
        settleFileState();
        if (report_.file == ConfigFileState::Read) explainContents();
        finish();
        return std::move(report_);
    }

private:
    const std::vector<SourceLine>& lines() const { return recorded_.lines(); }

    void add(std::optional<int> line, Reason reason, Severity severity, std::string message) {
        report_.findings.push_back({line, reason, severity, std::move(message)});
    }

    // The device table and the see-through switch as the library decides
    // them over its one reading, with the lines it prints meanwhile.
    void askTheLibrary() {
        DeviceTableDecision table = decideDeviceTable(recorded_);
        report_.tableLines = table.lines;
        report_.builtInTable = table.builtIn;
        for (std::size_t i = 0; i < table.table.size(); ++i) {
            ConfigEntry entry{table.builtIn ? static_cast<int>(i) + 1 : table.origins[i].index, table.table[i], {}, {}};
            if (table.builtIn) {
                std::copy(kBuiltInEntries[i].begin(), kBuiltInEntries[i].end(), entry.written.begin());
            } else {
                entry.lines.emplace();
                for (std::size_t field = 0; field < kEntryKeyCount; ++field) {
                    const int line = static_cast<int>(table.origins[i].lines[field]);
                    (*entry.lines)[field] = line;
                    entry.written[field] = lines()[static_cast<std::size_t>(line - 1)].value;
                }
            }
            report_.table.push_back(std::move(entry));
        }
        for (const DroppedIndex& dropped : table.dropped) {
            dropped_.push_back({dropped.index, entryKey(dropped.missingField, dropped.index)});
        }
        count_ = table.count;
        countLine_ = static_cast<int>(table.countLine);

        SeeThroughDecision seeThrough = decideSeeThrough(recorded_);
        report_.seeThroughAllowed = seeThrough.allowed;
        report_.seeThroughLines = seeThrough.lines;
        seeThroughValue_ = seeThrough.value;
        if (seeThrough.value) report_.seeThroughLine = static_cast<int>(seeThrough.line);
    }

    void settleFileState() {
        const FileReading& reading = recorded_.reading();
        report_.lineCount = static_cast<int>(lines().size());
        if (reading.readFailed) {
            add(std::nullopt, Reason::ReadError, Severity::Warning,
                "reading the file failed after line " + std::to_string(lines().size()) +
                    ": the library stops there as well and uses the lines before it");
        }
        switch (reading.state) {
        case FileState::NotFound: {
            const bool missing = reading.openError == ENOENT || reading.openError == 0;
            report_.file = missing ? ConfigFileState::Missing : ConfigFileState::Unreadable;
            add(std::nullopt, missing ? Reason::NoFile : Reason::Unreadable,
                missing ? Severity::Note : Severity::Ignored,
                std::string(missing ? "there is no such file" : "the file cannot be opened for reading") +
                    ": the library uses the built-in device table and refuses see-through");
            return;
        }
        case FileState::Unreadable:
            report_.file = ConfigFileState::Unreadable;
            add(std::nullopt, Reason::Unreadable, Severity::Ignored,
                "the file is too large for the library to hold: it uses the built-in device table and refuses "
                "see-through");
            return;
        case FileState::Malformed:
        case FileState::Read:
            break;
        }
        report_.file = reading.state == FileState::Read ? ConfigFileState::Read : ConfigFileState::Malformed;
        if (explainEncoding()) return;
        bool firstMalformed = true;
        for (const SourceLine& line : lines()) {
            if (line.split) continue;
            report_.findings.push_back(malformedLine(line, line.number == report_.lineCount, firstMalformed));
            firstMalformed = false;
        }
    }

    // A file saved in an encoding the library does not read, in one
    // finding. True for UTF-16, whose every line would otherwise be a
    // finding of its own: the library reads none of them.
    bool explainEncoding() {
        const Encoding encoding = encodingOf(recorded_.start());
        switch (encoding) {
        case Encoding::EightBit:
            return false;
        case Encoding::Utf8WithBom:
            add(std::nullopt, Reason::Utf8Bom, Severity::Ignored,
                "the file is saved as UTF-8 with a byte-order mark, which the library reads as three characters at "
                "the start of the first key: that key is never found; " + std::string(kSaveAdvice));
            return false;
        case Encoding::Utf16LittleEndian:
        case Encoding::Utf16BigEndian:
            break;
        }
        const bool little = encoding == Encoding::Utf16LittleEndian;
        add(std::nullopt, Reason::Utf16, Severity::Ignored,
            std::string("the file is saved as UTF-16 (") + (little ? "little" : "big") +
                "-endian, Notepad's \"Unicode\"), which the library reads as 8-bit text: its first line has no "
                "\"=\" before a zero byte, so the library ignores the whole file (built-in device table, "
                "see-through refused); " + kSaveAdvice);
        return report_.file == ConfigFileState::Malformed;
    }

    void explainContents() {
        // Which line each key's value comes from (the last one that sets it).
        for (const SourceLine& line : lines()) {
            if (line.split) lineOfKey_[line.key] = line.number;
        }
        explainLines();
        explainCount();
        explainEntries();
        explainSeeThrough();
    }

    void explainLines() {
        for (const SourceLine& line : lines()) {
            if (line.text.find('\r') != std::string::npos) {
                add(line.number, Reason::LoneCr, Severity::Warning,
                    "a carriage return that is not part of a line end stays in the text; a file with only carriage "
                    "returns as line ends is one long line to the library");
            }
            if (line.skippedEquals) {
                add(line.number, Reason::EqualsSkipped, Severity::Note,
                    "\"=\" before the key, or more than one between key and value, is skipped");
            }
            if (!line.extra.empty()) {
                add(line.number, Reason::ExtraText, Severity::Ignored,
                    "everything from the \"=\" after the value is ignored: " + quoted(line.extra));
            }
            if (int last = lineOfKey_[line.key]; last != line.number) {
                add(line.number, Reason::DuplicateKey, Severity::Ignored,
                    quoted(line.key) + " is set again on line " + std::to_string(last) +
                        ", whose value replaces this one");
            }
            if (std::optional<EntryKeyRef> entry = entryKeyOf(line.key)) {
                entryKeyLines_[entry->index].push_back(line.number);
            } else if (!isKnownKey(line.key)) {
                explainUnknownKey(line);
            }
        }
    }

    void explainUnknownKey(const SourceLine& line) {
        std::optional<NearMiss> miss = nearMissOf(line.key);
        if (!miss) {
            add(line.number, Reason::UnknownKey, Severity::Ignored,
                "the library never looks up the key " + quoted(line.key));
            return;
        }
        std::string message = "the key " + quoted(line.key) + " is never looked up: ";
        for (std::size_t i = 0; i < miss->explanations.size(); ++i) {
            if (i > 0) message += "; ";
            message += miss->explanations[i];
        }
        message += "; the library looks for " + miss->intended;
        add(line.number, miss->reasons.front(), Severity::Ignored, message);
    }

    std::vector<int> allEntryKeyLines() const {
        std::vector<int> lines;
        for (const auto& [index, numbers] : entryKeyLines_) lines.insert(lines.end(), numbers.begin(), numbers.end());
        return lines;
    }

    void explainCount() {
        const std::vector<int> entryLines = allEntryKeyLines();
        const std::string unused =
            entryLines.empty() ? "" : "; the entry keys on " + lineList(entryLines) + " are not used";
        const Severity severity = entryLines.empty() ? Severity::Note : Severity::Ignored;
        if (!count_) {
            add(std::nullopt, Reason::NumMissing, severity,
                std::string("there is no ") + kNumOfConfig + ": the library uses the built-in device table" + unused);
            return;
        }
        const int line = countLine_;
        const int count = *count_;
        const std::string& text = lines()[static_cast<std::size_t>(line - 1)].value;
        report_.numOfConfig = count;
        report_.numOfConfigText = text;
        const IntegerText read = readInteger(text, 10);
        if (!read.hasDigits) {
            add(line, Reason::NumNotNumber, Severity::Ignored,
                std::string(kNumOfConfig) + " " + quoted(text) +
                    " is not a number: the library reads 0 and uses the built-in device table" + unused);
            return;
        }
        if (std::string_view rest = textAfterNumber(text, read); !rest.empty()) {
            add(line, Reason::NumberTrailingText, Severity::Ignored,
                std::string(kNumOfConfig) + " " + quoted(text) + " is read as " + std::to_string(count) + "; " +
                    quoted(rest) + " after the number is ignored");
        }
        if (read.clamped) {
            add(line, Reason::NumberClamped, Severity::Warning,
                std::string(kNumOfConfig) + " " + quoted(text) + " is beyond the library's range: it is read as " +
                    std::to_string(count));
        }
        if (report_.builtInTable) {
            add(line, Reason::NumNotPositive, severity,
                std::string(kNumOfConfig) + " is " + std::to_string(count) +
                    ": the library uses the built-in device table" + unused);
        }
    }

    // Entries of NUM_OF_CONFIG's that the file has no key of at all, told
    // in runs ("entries 2 to 5 ... have no keys").
    void explainKeylessEntries(int count) {
        std::optional<int> runStart;
        int runEnd = 0;
        auto flushRun = [&] {
            if (!runStart) return;
            const bool one = *runStart == runEnd;
            const std::string which = one ? "entry " + std::to_string(runEnd)
                                          : "entries " + std::to_string(*runStart) + " to " + std::to_string(runEnd);
            add(countLine_, Reason::EntryMissingKey, Severity::Ignored,
                which + " of the " + std::to_string(count) + " that " + kNumOfConfig + " announces " +
                    (one ? "has" : "have") + " no keys in the file: dropped");
            runStart.reset();
        };
        for (const auto& [index, key] : dropped_) {
            auto keys = entryKeyLines_.find(index);
            if (keys == entryKeyLines_.end()) {
                if (!runStart || runEnd + 1 != index) {
                    flushRun();
                    runStart = index;
                }
                runEnd = index;
                continue;
            }
            flushRun();
            const std::vector<int>& lines = keys->second;
            add(*std::min_element(lines.begin(), lines.end()), Reason::EntryMissingKey, Severity::Ignored,
                "entry " + std::to_string(index) + " is dropped: " + key + " is missing (the library prints \"" +
                    missingKeyLine(key) + "\"); its keys on " + lineList(lines) + " are not used");
        }
        flushRun();
    }

    void explainEntries() {
        if (report_.builtInTable) return;
        const int count = *count_;
        explainKeylessEntries(count);
        std::set<int> visited;
        for (const ConfigEntry& entry : report_.table) visited.insert(entry.index);
        for (const auto& [index, key] : dropped_) visited.insert(index);
        for (const auto& [index, lines] : entryKeyLines_) {
            if (visited.count(index)) continue;
            std::string why = index == 0 ? "entries are numbered from 1"
                                         : "it is beyond " + std::string(kNumOfConfig) + "=" + std::to_string(count);
            if (index > 0 && index <= count) why = "the file has no " + entryKey(kVendorField, index);
            add(*std::min_element(lines.begin(), lines.end()), Reason::EntryBeyondCount, Severity::Ignored,
                "the keys of entry " + std::to_string(index) + " on " + lineList(lines) + " are not used: " + why);
        }
        if (report_.table.empty()) {
            add(countLine_, Reason::EmptyTable, Severity::Warning,
                "no entry is complete, so the device table is empty and the library finds no headset (the built-in "
                "entries are not used once " +
                    std::string(kNumOfConfig) + " is positive)");
        }
        for (const ConfigEntry& entry : report_.table) explainValues(entry);
    }

    void explainNumber(const ConfigEntry& entry, std::size_t field, std::optional<std::int32_t> id) {
        const std::string& text = entry.written[field];
        const char* property = kProperties[field];
        const int line = (*entry.lines)[field];
        const IntegerText read = readInteger(text, 16);
        if (!read.hasDigits) {
            add(line, Reason::HexNotNumber, Severity::Ignored,
                std::string(property) + " " + quoted(text) + " is not a hexadecimal number: the library reads 0");
            return;
        }
        if (std::string_view rest = textAfterNumber(text, read); !rest.empty()) {
            add(line, Reason::HexTrailingText, Severity::Ignored,
                std::string(property) + " " + quoted(text) + " is read as " + hexNumber(read.value) + "; " +
                    quoted(rest) + " after the number is ignored");
        }
        if (id && *id != read.value) {
            add(line, Reason::IdTooWide, Severity::Warning,
                std::string(property) + " " + hexNumber(read.value) + " has more than 16 bits: only the low 16 bits (" +
                    hexNumber(*id) + ") are compared");
        } else if (!id && !isReportableUsage(read.value)) {
            add(line, Reason::UsageOutOfRange, Severity::Warning,
                std::string(property) + " " + hexNumber(read.value) +
                    " is not a 16-bit value, so this entry never matches any interface");
        }
    }

    void explainValues(const ConfigEntry& entry) {
        explainNumber(entry, propertyIndex(property::kVendorID), entry.properties.vendorId);
        explainNumber(entry, propertyIndex(property::kProductID), entry.properties.productId);
        explainNumber(entry, propertyIndex(property::kUsagePage), std::nullopt);
        explainNumber(entry, propertyIndex(property::kUsage), std::nullopt);
        for (const char* property : {property::kProductName, property::kDeviceName}) {
            const std::size_t field = propertyIndex(property);
            const std::string& text = entry.written[field];
            if (trimmed(text).size() != text.size()) {
                add((*entry.lines)[field], Reason::ValueBlanks, Severity::Warning,
                    std::string(property) + " " + quoted(text) +
                        " keeps its leading or trailing blanks; the product string must equal it exactly");
            }
        }
    }

    void explainSeeThrough() {
        if (!seeThroughValue_) {
            add(std::nullopt, Reason::SeeThroughMissing, Severity::Note,
                std::string("there is no ") + kEnableSeeThrough + ": the library refuses see-through");
            return;
        }
        const std::string& text = *seeThroughValue_;
        const int line = *report_.seeThroughLine;
        const IntegerText read = readInteger(text, 10);
        if (!read.hasDigits) {
            add(line, Reason::SeeThroughNotNumber, Severity::Ignored,
                std::string(kEnableSeeThrough) + " " + quoted(text) +
                    " is not a number: the library reads 0 and refuses see-through (write 1 to allow it)");
        } else if (std::string_view rest = textAfterNumber(text, read); !rest.empty()) {
            add(line, Reason::NumberTrailingText, Severity::Ignored,
                std::string(kEnableSeeThrough) + " " + quoted(text) + " is read as " + std::to_string(read.value) +
                    "; " + quoted(rest) + " after the number is ignored");
        }
    }

    void finish() {
        std::stable_sort(report_.findings.begin(), report_.findings.end(), [](const Finding& a, const Finding& b) {
            if (a.line.has_value() != b.line.has_value()) return a.line.has_value();
            return a.line.value_or(0) < b.line.value_or(0);
        });
        report_.verdict = verdict();
    }

    ConfigVerdict verdict() const {
        if (report_.file == ConfigFileState::Missing) return ConfigVerdict::NoFile;
        if (report_.file != ConfigFileState::Read) return ConfigVerdict::Ignored;
        if (report_.table.empty()) return ConfigVerdict::EmptyTable;
        const bool ignored = std::any_of(report_.findings.begin(), report_.findings.end(),
                                         [](const Finding& f) { return f.severity == Severity::Ignored; });
        return ignored ? ConfigVerdict::PartlyIgnored : ConfigVerdict::UsedAsWritten;
    }

    RecordedReading recorded_;
    ConfigReport report_;
    std::map<std::string, int> lineOfKey_;
    std::map<int, std::vector<int>> entryKeyLines_;     // entry number -> lines of its keys
    std::vector<std::pair<int, std::string>> dropped_;  // entry number, first missing key
    std::optional<int> count_;                          // NUM_OF_CONFIG as the library read it
    int countLine_ = 0;
    std::optional<std::string> seeThroughValue_;
};

}  // namespace

const char* reasonName(Reason reason) { return kReasonNames[static_cast<std::size_t>(reason)]; }

const char* severityName(Severity severity) {
    switch (severity) {
    case Severity::Ignored: return "ignored";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
    }
    return "?";
}

const char* fileStateName(ConfigFileState state) {
    switch (state) {
    case ConfigFileState::Missing: return "missing";
    case ConfigFileState::Unreadable: return "unreadable";
    case ConfigFileState::Malformed: return "malformed";
    case ConfigFileState::Read: return "read";
    }
    return "?";
}

const char* verdictName(ConfigVerdict verdict) {
    switch (verdict) {
    case ConfigVerdict::UsedAsWritten: return "used_as_written";
    case ConfigVerdict::NoFile: return "no_file";
    case ConfigVerdict::PartlyIgnored: return "partly_ignored";
    case ConfigVerdict::Ignored: return "ignored";
    case ConfigVerdict::EmptyTable: return "empty_table";
    }
    return "?";
}

ConfigReport inspectConfigFile(const std::wstring& windowsPath, const std::string& displayPath) {
    return Inspector(RecordedReading::ofFile(windowsPath), displayPath).run();
}

ConfigReport inspectConfigText(std::string_view bytes, const std::string& displayPath) {
    return Inspector(RecordedReading::ofText(bytes), displayPath).run();
}

}  // namespace tamo::inspect
