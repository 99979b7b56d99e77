#include "config_check.h"

#include "table_entry_json.h"

#include "config/config_reader.h"
#include "config/integer_text.h"
#include "config/hmd_config.h"
#include "config/line_reader.h"
#include "hid/device_match.h"
#include "platform/win32.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <set>
#include <string_view>

namespace tamo::tool {
namespace {

constexpr const char* kNumOfConfig = config_key::kNumOfConfig;
constexpr const char* kEnableSeeThrough = config_key::kEnableSeeThrough;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";
constexpr std::size_t kVendorField = 0;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What a key means to the library.
struct KeyMeaning {
    enum class Kind { NumOfConfig, EnableSeeThrough, Entry, Unknown } kind = Kind::Unknown;
    std::size_t field = 0;
    int index = 0;
};

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The entry field and number of a key that looks like an entry key,
// whatever its digits (the library looks up "VENDORID_007", not
// "VENDORID_7"): for the hint at what was meant.
std::optional<KeyMeaning> entryShape(std::string_view key) {
    for (std::size_t field = 0; field < kEntryKeys.size(); ++field) {
        std::string_view prefix = entryKeyPrefix(field);
        if (!key.starts_with(prefix)) continue;
        std::string_view digits = key.substr(prefix.size());
        if (!allDigits(digits)) continue;
        std::string_view significant = digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
        if (significant.size() > 9) return std::nullopt;
        int index = significant.empty() ? 0 : std::stoi(std::string(significant));
        return KeyMeaning{KeyMeaning::Kind::Entry, field, index};
    }
    return std::nullopt;
}

KeyMeaning meaningOf(const std::string& key) {
    if (key == kNumOfConfig) return {KeyMeaning::Kind::NumOfConfig};
    if (key == kEnableSeeThrough) return {KeyMeaning::Kind::EnableSeeThrough};
    if (std::optional<EntryKeyRef> entry = entryKeyOf(key)) {
        return KeyMeaning{KeyMeaning::Kind::Entry, entry->field, entry->index};
    }
    return {};
}

std::string upperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string_view trimmed(std::string_view text, std::string_view characters = kBlanks) {
    std::size_t first = text.find_first_not_of(characters);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(characters);
    return text.substr(first, last - first + 1);
}

// "2", "2 and 5", "2, 5 and 9", "2-5": a list of line numbers.
// A line number of the library's reading as the tool counts: the tool holds
// every line of the file in memory, so its files have fewer than 2^31.
int toolLine(LineNumber line) { return static_cast<int>(line); }

std::string lineList(std::vector<int> lines) {
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    std::vector<std::string> runs;
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t j = i;
        while (j + 1 < lines.size() && lines[j + 1] == lines[j] + 1) ++j;
        runs.push_back(j > i + 1 ? std::to_string(lines[i]) + "-" + std::to_string(lines[j])
                                 : std::to_string(lines[i]));
        if (j == i + 1) runs.push_back(std::to_string(lines[j]));
        i = j + 1;
    }
    std::string text;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (i > 0) text += i + 1 == runs.size() ? " and " : ", ";
        text += runs[i];
    }
    return (lines.size() == 1 ? "line " : "lines ") + text;
}

// How a value reads as a number of the library's kind.
struct NumberShape {
    bool hasDigits = false;
    std::string rest;  // what follows the number, blanks included
    bool clean() const { return hasDigits && trimmed(rest, " \t\n\v\f\r").empty(); }
};

// The library's own reading of the number, and what it ignores after it.
NumberShape numberShape(std::string_view text, bool hex) {
    IntegerText read = readInteger(text, hex ? 16 : 10);
    NumberShape shape;
    shape.hasDigits = read.hasDigits;
    if (read.hasDigits) shape.rest = text.substr(read.end);
    return shape;
}

std::string hex4(std::int32_t value) {
    std::array<char, 16> buffer{};
    if (value < 0) {
        std::snprintf(buffer.data(), buffer.size(), "-0x%X", static_cast<unsigned>(-static_cast<long long>(value)));
    } else {
        std::snprintf(buffer.data(), buffer.size(), "0x%04X", static_cast<unsigned>(value));
    }
    return buffer.data();
}

// One line of the file, as the library splits it.
struct SourceLine {
    int number = 0;
    std::string text;
    bool split = false;
    std::string key;
    std::string value;
    std::string extra;         // text after the value's closing "=" (a third token onwards)
    bool skippedEquals = false;  // "=" before the key or more than one between key and value
};

SourceLine splitLine(int number, std::string text) {
    SourceLine line;
    line.number = number;
    line.text = std::move(text);
    LineSplit split = splitKeyValue(line.text);
    line.split = split.succeeded();
    if (!line.split) return line;
    line.key = std::string(*split.key);
    line.value = std::string(*split.value);
    // What the library passes over around the key and the value.
    std::string_view whole = line.text.c_str();
    std::size_t keyAt = static_cast<std::size_t>(split.key->data() - line.text.data());
    std::size_t valueAt = static_cast<std::size_t>(split.value->data() - line.text.data());
    line.skippedEquals = keyAt > 0 || valueAt > keyAt + split.key->size() + 1;
    std::string_view after = whole.substr(valueAt + split.value->size());
    if (after.find_first_not_of('=') != std::string_view::npos) line.extra = std::string(after);
    return line;
}

// Why the library cannot split a line.
ConfigFinding malformedLine(const SourceLine& line, bool last, bool first) {
    ConfigFinding finding;
    finding.line = line.number;
    finding.severity = Severity::Ignored;
    std::string_view text = line.text.c_str();
    if (text.empty()) {
        finding.reason = last ? "trailing-empty-line" : "blank-line";
        finding.message = last ? "the file ends with an empty line (two line ends at its end)" : "blank line";
    } else if (text.find('=') == std::string_view::npos) {
        bool blank = trimmed(text, " \t\r\v\f").empty();
        finding.reason = blank ? "blank-line" : "no-equals";
        finding.message = blank ? "a line of blanks only" : "no \"=\" in the line " + quoted(std::string(text)) +
                                                                 " (there are no comments or section headers)";
    } else if (text.find_first_not_of('=') == std::string_view::npos) {
        finding.reason = "only-equals";
        finding.message = "the line holds nothing but \"=\"";
    } else if (text.front() == '=') {
        finding.reason = "no-key";
        finding.message = "\"=\" and a value but no key: the library takes " +
                          quoted(std::string(trimmed(text, "="))) + " as the key and finds no value";
    } else {
        finding.reason = "no-value";
        finding.message = "the key " + quoted(std::string(text.substr(0, text.find('=')))) + " has no value after \"=\"";
    }
    finding.message += first ? ": the library stops reading here and ignores the whole file (built-in device "
                               "table, see-through refused)"
                             : ": this line would stop the library as well";
    return finding;
}

// How a key that the library never looks up differs from one it does.
struct NearMiss {
    std::string intended;              // the key the writer probably meant
    std::vector<std::string> reasons;  // "bom", "key-blanks", "key-case", "key-digits"
    std::vector<std::string> explanations;
};

std::optional<NearMiss> nearMissOf(const std::string& key) {
    NearMiss miss;
    std::string candidate = key;
    if (candidate.starts_with(kByteOrderMark)) {
        candidate.erase(0, kByteOrderMark.size());
        miss.reasons.push_back("bom");
        miss.explanations.push_back("the file starts with a UTF-8 byte-order mark, which the library reads as part "
                                    "of the first key");
    }
    if (std::string_view inner = trimmed(candidate); inner.size() != candidate.size() && !inner.empty()) {
        candidate = std::string(inner);
        miss.reasons.push_back("key-blanks");
        miss.explanations.push_back("the blanks around the key are part of it");
    }
    if (std::string upper = upperCase(candidate); upper != candidate) {
        candidate = upper;
        miss.reasons.push_back("key-case");
        miss.explanations.push_back("keys are case-sensitive");
    }
    if (meaningOf(candidate).kind == KeyMeaning::Kind::Unknown) {
        std::optional<KeyMeaning> entry = entryShape(candidate);
        if (!entry || entry->index == 0) return std::nullopt;
        std::string expected = entryKey(entry->field, entry->index);
        miss.reasons.push_back("key-digits");
        miss.explanations.push_back(candidate.size() < expected.size()
                                        ? "entry numbers have at least three digits"
                                        : "the entry number has more leading zeros than the library writes");
        candidate = expected;
    }
    miss.intended = candidate;
    return miss;
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

class Checker {
public:
    Checker(const std::wstring& windowsPath, const std::string& displayPath) : path_(windowsPath) {
        check_.path = displayPath;
    }

    ConfigCheck run() {
        FileReading reading = askTheLibrary();
        readLines();
        settleFileState(reading);
        if (check_.file == ConfigFileState::Read) explainContents();
        finish();
        return std::move(check_);
    }

private:
    void add(std::optional<int> line, std::string reason, Severity severity, std::string message) {
        check_.findings.push_back({line, std::move(reason), severity, std::move(message)});
    }

    // Reads and splits every line, for how each one looks; whether the file
    // is used at all is the library's answer (settleFileState).
    void readLines() {
        errno = 0;
        File file(path_.empty() ? nullptr : _wfopen(path_.c_str(), L"rb"));
        openError_ = file ? 0 : errno;
        if (!file) return;
        std::array<char, 4> start{};
        encoding_ = encodingOf(std::string_view(start.data(), std::fread(start.data(), 1, start.size(), file.get())));
        std::rewind(file.get());
        LineReader reader(file.get());
        std::string_view text;
        while (reader.next(text)) lines_.push_back(splitLine(static_cast<int>(lines_.size()) + 1, std::string(text)));
        check_.lineCount = static_cast<int>(lines_.size());
        if (std::ferror(file.get())) {
            add(std::nullopt, "read-error", Severity::Warning,
                "reading the file failed after line " + std::to_string(lines_.size()) +
                    ": the library stops there as well and uses the lines before it");
        }
    }

    // The file as the library takes it; where it could not open the file,
    // the tool's own attempt says whether it is missing or refused.
    void settleFileState(const FileReading& reading) {
        switch (reading.state) {
        case FileState::NotFound: {
            const bool missing = openError_ == ENOENT || openError_ == 0;
            check_.file = missing ? ConfigFileState::Missing : ConfigFileState::Unreadable;
            add(std::nullopt, missing ? "no-file" : "unreadable", missing ? Severity::Note : Severity::Ignored,
                std::string(missing ? "there is no such file" : "the file cannot be opened for reading") +
                    ": the library uses the built-in device table and refuses see-through");
            return;
        }
        case FileState::Unreadable:
            check_.file = ConfigFileState::Unreadable;
            add(std::nullopt, "unreadable", Severity::Ignored,
                "the file is too large for the library to hold: it uses the built-in device table and refuses "
                "see-through");
            return;
        case FileState::Malformed:
        case FileState::Read:
            break;
        }
        check_.file = reading.state == FileState::Read ? ConfigFileState::Read : ConfigFileState::Malformed;
        if (explainEncoding()) return;
        bool firstMalformed = true;
        for (const SourceLine& line : lines_) {
            if (line.split) continue;
            check_.findings.push_back(malformedLine(line, line.number == check_.lineCount, firstMalformed));
            firstMalformed = false;
        }
    }

    // A file saved in an encoding the library does not read, in one
    // finding. True for UTF-16, whose every line would otherwise be a
    // finding of its own: the library reads none of them.
    bool explainEncoding() {
        switch (encoding_) {
        case Encoding::EightBit:
            return false;
        case Encoding::Utf8WithBom:
            add(std::nullopt, "utf8-bom", Severity::Ignored,
                "the file is saved as UTF-8 with a byte-order mark, which the library reads as three characters at "
                "the start of the first key: that key is never found; " + std::string(kSaveAdvice));
            return false;
        case Encoding::Utf16LittleEndian:
        case Encoding::Utf16BigEndian:
            break;
        }
        const bool little = encoding_ == Encoding::Utf16LittleEndian;
        add(std::nullopt, "utf16", Severity::Ignored,
            std::string("the file is saved as UTF-16 (") + (little ? "little" : "big") +
                "-endian, Notepad's \"Unicode\"), which the library reads as 8-bit text: its first line has no "
                "\"=\" before a zero byte, so the library ignores the whole file (built-in device table, "
                "see-through refused); " + kSaveAdvice);
        return check_.file == ConfigFileState::Malformed;
    }

    // The device table and the see-through switch as the library decides
    // them, with the lines it prints meanwhile.
    FileReading askTheLibrary() {
        FileConfigReader tableReader(path_);
        DeviceTableDecision table = decideDeviceTable(ReaderSource(tableReader), false);
        check_.tableLines = table.lines;
        check_.builtInTable = table.builtIn;
        int builtInIndex = 0;
        for (std::size_t i = 0; i < table.table.size(); ++i) {
            const EntryOrigin& origin = table.origins[i];
            ConfigEntry entry{table.builtIn ? ++builtInIndex : origin.index, table.table[i], origin.written, {}};
            if (!table.builtIn) {
                for (std::size_t field = 0; field < kEntryKeys.size(); ++field) {
                    entry.lines[kProperties[field]] = toolLine(origin.lines[field]);
                }
            }
            check_.table.push_back(std::move(entry));
        }
        for (const VisitedIndex& visited : table.visited) {
            if (visited.missingKey) dropped_.push_back({visited.index, *visited.missingKey});
        }
        count_ = table.count;
        countLine_ = toolLine(table.countLine);

        FileConfigReader switchReader(path_);
        SeeThroughDecision seeThrough = decideSeeThrough(ReaderSource(switchReader), false);
        check_.seeThroughAllowed = seeThrough.allowed;
        check_.seeThroughLines = seeThrough.lines;
        seeThroughValue_ = seeThrough.value;
        if (seeThrough.value) check_.seeThroughLine = toolLine(seeThrough.line);
        return table.file;
    }

    // Which line each key's value comes from (the last one that sets it).
    void indexKeys() {
        for (const SourceLine& line : lines_) {
            if (line.split) lineOfKey_[line.key] = line.number;
        }
    }

    void explainContents() {
        indexKeys();
        explainLines();
        explainCount();
        explainEntries();
        explainSeeThrough();
    }

    void explainLines() {
        std::map<std::string, int> firstSeen;
        for (const SourceLine& line : lines_) {
            if (line.text.find('\r') != std::string::npos) {
                add(line.number, "lone-cr", Severity::Warning,
                    "a carriage return that is not part of a line end stays in the text; a file with only carriage "
                    "returns as line ends is one long line to the library");
            }
            if (line.skippedEquals) {
                add(line.number, "equals-skipped", Severity::Note,
                    "\"=\" before the key, or more than one between key and value, is skipped");
            }
            if (!line.extra.empty()) {
                add(line.number, "extra-text", Severity::Ignored,
                    "everything from the \"=\" after the value is ignored: " + quoted(line.extra));
            }
            if (int last = lineOfKey_[line.key]; last != line.number) {
                add(line.number, "duplicate-key", Severity::Ignored,
                    quoted(line.key) + " is set again on line " + std::to_string(last) +
                        ", whose value replaces this one");
            }
            KeyMeaning meaning = meaningOf(line.key);
            if (meaning.kind == KeyMeaning::Kind::Unknown) explainUnknownKey(line);
            if (meaning.kind == KeyMeaning::Kind::Entry) entryKeyLines_[meaning.index].push_back(line.number);
        }
    }

    void explainUnknownKey(const SourceLine& line) {
        std::optional<NearMiss> miss = nearMissOf(line.key);
        if (!miss) {
            add(line.number, "unknown-key", Severity::Ignored,
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
        std::vector<int> entryLines = allEntryKeyLines();
        std::string unused = entryLines.empty() ? ""
                                                : "; the entry keys on " + lineList(entryLines) + " are not used";
        Severity severity = entryLines.empty() ? Severity::Note : Severity::Ignored;
        if (!count_) {
            add(std::nullopt, "num-missing", severity,
                std::string("there is no ") + kNumOfConfig + ": the library uses the built-in device table" + unused);
            return;
        }
        const int line = countLine_;
        const int count = *count_;
        const std::string& text = lines_[static_cast<std::size_t>(line - 1)].value;
        check_.numOfConfig = count;
        check_.numOfConfigText = text;
        NumberShape shape = numberShape(text, false);
        if (!shape.hasDigits) {
            add(line, "num-not-number", Severity::Ignored,
                std::string(kNumOfConfig) + " " + quoted(text) +
                    " is not a number: the library reads 0 and uses the built-in device table" + unused);
            return;
        }
        if (!shape.clean()) {
            add(line, "number-trailing-text", Severity::Ignored,
                std::string(kNumOfConfig) + " " + quoted(text) + " is read as " + std::to_string(count) + "; " +
                    quoted(shape.rest) + " after the number is ignored");
        }
        if (readInteger(text, 10).clamped) {
            add(line, "number-clamped", Severity::Warning,
                std::string(kNumOfConfig) + " " + quoted(text) + " is beyond the library's range: it is read as " +
                    std::to_string(count));
        }
        if (check_.builtInTable) {
            add(line, "num-not-positive", severity,
                std::string(kNumOfConfig) + " is " + std::to_string(count) +
                    ": the library uses the built-in device table" + unused);
        }
    }

    void explainEntries() {
        if (check_.builtInTable) return;
        int count = *count_;
        int countLine = countLine_;
        // Runs of numbers of which the file holds no key at all.
        std::optional<int> runStart;
        int runEnd = 0;
        auto flushRun = [&] {
            if (!runStart) return;
            std::string which = *runStart == runEnd ? "entry " + std::to_string(runEnd)
                                                    : "entries " + std::to_string(*runStart) + " to " +
                                                          std::to_string(runEnd);
            add(countLine, "entry-missing-key", Severity::Ignored,
                which + " of the " + std::to_string(count) + " that " + kNumOfConfig + " announces " +
                    (*runStart == runEnd ? "has" : "have") + " no keys in the file: dropped");
            runStart.reset();
        };
        for (const auto& [index, key] : dropped_) {
            auto keys = entryKeyLines_.find(index);
            if (keys == entryKeyLines_.end()) {
                if (runStart && runEnd + 1 == index) {
                    runEnd = index;
                } else {
                    flushRun();
                    runStart = index;
                    runEnd = index;
                }
                continue;
            }
            flushRun();
            std::vector<int> lines = keys->second;
            add(*std::min_element(lines.begin(), lines.end()), "entry-missing-key", Severity::Ignored,
                "entry " + std::to_string(index) + " is dropped: " + key + " is missing (the library prints \"" +
                    missingKeyLine(key) + "\"); its keys on " + lineList(lines) + " are not used");
        }
        flushRun();
        std::set<int> visited;
        for (const ConfigEntry& entry : check_.table) visited.insert(entry.index);
        for (const auto& [index, key] : dropped_) visited.insert(index);
        for (const auto& [index, lines] : entryKeyLines_) {
            if (visited.count(index)) continue;
            std::string why = index == 0 ? "entries are numbered from 1"
                                         : "it is beyond " + std::string(kNumOfConfig) + "=" + std::to_string(count);
            if (index > 0 && index <= count) why = "the file has no " + entryKey(kVendorField, index);
            add(*std::min_element(lines.begin(), lines.end()), "entry-beyond-count", Severity::Ignored,
                "the keys of entry " + std::to_string(index) + " on " + lineList(lines) + " are not used: " + why);
        }
        if (check_.table.empty()) {
            add(countLine, "empty-table", Severity::Warning,
                "no entry is complete, so the device table is empty and the library finds no headset (the built-in "
                "entries are not used once " +
                    std::string(kNumOfConfig) + " is positive)");
        }
        for (const ConfigEntry& entry : check_.table) explainValues(entry);
    }

    void explainValues(const ConfigEntry& entry) {
        for (const char* property : {property::kVendorID, property::kProductID, property::kUsagePage,
                                     property::kUsage}) {
            const std::string& text = writtenValue(entry.written, property);
            int line = entry.lines.at(property);
            NumberShape shape = numberShape(text, true);
            std::int32_t value = readInteger(text, 16).value;
            std::optional<std::int32_t> id;  // the ID as the entry holds it
            if (std::string_view(property) == property::kVendorID) id = entry.properties.vendorId;
            if (std::string_view(property) == property::kProductID) id = entry.properties.productId;
            if (!shape.hasDigits) {
                add(line, "hex-not-number", Severity::Ignored,
                    std::string(property) + " " + quoted(text) + " is not a hexadecimal number: the library reads 0");
                continue;
            }
            if (!shape.clean()) {
                add(line, "hex-trailing-text", Severity::Ignored,
                    std::string(property) + " " + quoted(text) + " is read as " + hex4(value) + "; " +
                        quoted(shape.rest) + " after the number is ignored");
            }
            if (id && *id != value) {
                add(line, "id-too-wide", Severity::Warning,
                    std::string(property) + " " + hex4(value) + " has more than 16 bits: only the low 16 bits (" +
                        hex4(*id) + ") are compared");
            } else if (!id && !isReportableUsage(value)) {
                add(line, "usage-out-of-range", Severity::Warning,
                    std::string(property) + " " + hex4(value) +
                        " is not a 16-bit value, so this entry never matches any interface");
            }
        }
        for (const char* property : {property::kProductName, property::kDeviceName}) {
            const std::string& text = writtenValue(entry.written, property);
            if (trimmed(text).size() != text.size()) {
                add(entry.lines.at(property), "value-blanks", Severity::Warning,
                    std::string(property) + " " + quoted(text) +
                        " keeps its leading or trailing blanks; the product string must equal it exactly");
            }
        }
    }

    void explainSeeThrough() {
        if (!seeThroughValue_) {
            add(std::nullopt, "see-through-missing", Severity::Note,
                std::string("there is no ") + kEnableSeeThrough + ": the library refuses see-through");
            return;
        }
        const std::string& text = *seeThroughValue_;
        int line = *check_.seeThroughLine;
        NumberShape shape = numberShape(text, false);
        if (!shape.hasDigits) {
            add(line, "see-through-not-number", Severity::Ignored,
                std::string(kEnableSeeThrough) + " " + quoted(text) +
                    " is not a number: the library reads 0 and refuses see-through (write 1 to allow it)");
        } else if (!shape.clean()) {
            add(line, "number-trailing-text", Severity::Ignored,
                std::string(kEnableSeeThrough) + " " + quoted(text) + " is read as " +
                    std::to_string(readInteger(text, 10).value) + "; " + quoted(shape.rest) +
                    " after the number is ignored");
        }
    }

    void finish() {
        std::stable_sort(check_.findings.begin(), check_.findings.end(),
                         [](const ConfigFinding& a, const ConfigFinding& b) {
                             if (a.line.has_value() != b.line.has_value()) return a.line.has_value();
                             return a.line.value_or(0) < b.line.value_or(0);
                         });
        check_.verdict = verdict();
    }

    ConfigVerdict verdict() const {
        if (check_.file == ConfigFileState::Missing) return ConfigVerdict::NoFile;
        if (check_.file != ConfigFileState::Read) return ConfigVerdict::Ignored;
        if (check_.table.empty()) return ConfigVerdict::EmptyTable;
        bool ignored = std::any_of(check_.findings.begin(), check_.findings.end(),
                                   [](const ConfigFinding& f) { return f.severity == Severity::Ignored; });
        return ignored ? ConfigVerdict::PartlyIgnored : ConfigVerdict::UsedAsWritten;
    }

    std::wstring path_;
    ConfigCheck check_;
    std::vector<SourceLine> lines_;
    std::map<std::string, int> lineOfKey_;
    std::map<int, std::vector<int>> entryKeyLines_;  // entry number -> lines of its keys
    std::vector<std::pair<int, std::string>> dropped_;  // entry number, first missing key
    std::optional<int> count_;                          // NUM_OF_CONFIG as the library read it
    int countLine_ = 0;
    std::optional<std::string> seeThroughValue_;
    int openError_ = 0;  // errno of the tool's own attempt to open the file
    Encoding encoding_ = Encoding::EightBit;
};

const char* fileStateName(ConfigFileState state) {
    switch (state) {
    case ConfigFileState::Missing:
        return "missing";
    case ConfigFileState::Unreadable:
        return "unreadable";
    case ConfigFileState::Malformed:
        return "malformed";
    case ConfigFileState::Read:
        return "read";
    }
    return "?";
}

const char* verdictName(ConfigVerdict verdict) {
    switch (verdict) {
    case ConfigVerdict::UsedAsWritten:
        return "used_as_written";
    case ConfigVerdict::NoFile:
        return "no_file";
    case ConfigVerdict::PartlyIgnored:
        return "partly_ignored";
    case ConfigVerdict::Ignored:
        return "ignored";
    case ConfigVerdict::EmptyTable:
        return "empty_table";
    }
    return "?";
}

std::string entrySummary(const ConfigEntry& entry) {
    auto value = [&](const char* key) { return quoted(writtenValue(entry.written, key)); };
    return "VendorID " + value(property::kVendorID) + ", ProductID " + value(property::kProductID) + ", Usage " +
           value(property::kUsage) + ", UsagePage " + value(property::kUsagePage) + ", ProductName " +
           value(property::kProductName) + ", ReportID " + value(property::kReportID) + ", DeviceName " +
           value(property::kDeviceName);
}

// Lines the library prints, with each run of lines that differ only in a
// number counting up by one ("Cannot find the key:VENDORID_002" to "_999")
// taken together: a 9-line file can make it print a thousand of them.
struct PrintedRun {
    std::string text;  // the line, or for a run the line with its number as "nnn"
    std::size_t count = 1;
    long from = 0, to = 0;  // a run's first and last number
};

// A line as text and the number it ends in, when it ends in digits.
struct NumberedLine {
    std::string_view head;
    std::string_view digits;
    long number = 0;
};

std::optional<NumberedLine> numberedLine(std::string_view line) {
    std::size_t at = line.find_last_not_of("0123456789") + 1;
    std::string_view digits = line.substr(at);
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    return NumberedLine{line.substr(0, at), digits, std::stol(std::string(digits))};
}

bool continues(const NumberedLine& previous, const NumberedLine& next) {
    return next.head == previous.head && next.digits.size() == previous.digits.size() &&
           next.number == previous.number + 1;
}

std::vector<PrintedRun> runsOf(const std::vector<std::string>& lines) {
    constexpr std::size_t kShortestRun = 3;
    std::vector<PrintedRun> runs;
    for (std::size_t i = 0; i < lines.size();) {
        std::optional<NumberedLine> first = numberedLine(lines[i]);
        std::size_t end = i + 1;
        for (std::optional<NumberedLine> previous = first; first && end < lines.size(); ++end) {
            std::optional<NumberedLine> next = numberedLine(lines[end]);
            if (!next || !continues(*previous, *next)) break;
            previous = next;
        }
        if (end - i < kShortestRun) {
            runs.push_back({lines[i]});
            ++i;
            continue;
        }
        std::string text = std::string(first->head) + std::string(first->digits.size(), 'n');
        runs.push_back({std::move(text), end - i, first->number, first->number + static_cast<long>(end - i) - 1});
        i = end;
    }
    return runs;
}

void appendLines(std::vector<std::string>& out, const std::string& heading, const std::vector<std::string>& lines) {
    out.push_back(heading + (lines.empty() ? " nothing" : ""));
    for (const PrintedRun& run : runsOf(lines)) {
        if (run.count == 1) {
            out.push_back("    " + run.text);
            continue;
        }
        std::string placeholder(run.text.substr(run.text.find_last_not_of('n') + 1));
        out.push_back("    " + run.text + " for " + placeholder + " = " + std::to_string(run.from) + " to " +
                      std::to_string(run.to) + " (" + std::to_string(run.count) + " lines)");
    }
}

Json printedJson(const std::vector<std::string>& lines) {
    Json out = Json::array();
    for (const PrintedRun& run : runsOf(lines)) {
        Json item = Json::object();
        item.set("text", run.text);
        item.set("count", static_cast<int>(run.count));
        if (run.count > 1) {
            item.set("from", static_cast<int>(run.from));
            item.set("to", static_cast<int>(run.to));
        }
        out.push(std::move(item));
    }
    return out;
}

std::string entriesText(std::size_t count) { return std::to_string(count) + (count == 1 ? " entry" : " entries"); }

std::string tableText(const ConfigCheck& check) {
    std::size_t size = check.table.size();
    if (check.builtInTable) return "its built-in table of " + entriesText(size);
    if (check.numOfConfig && static_cast<long long>(size) < *check.numOfConfig) {
        return std::to_string(size) + " of the " + entriesText(static_cast<std::size_t>(*check.numOfConfig)) +
               " the file announces";
    }
    return "the file's table of " + entriesText(size);
}

// NUM_OF_CONFIG as written and, where the library reads it otherwise, as used.
std::string countText(const ConfigCheck& check) {
    std::string text = "NUM_OF_CONFIG=" + visibleText(check.numOfConfigText);
    std::string used = std::to_string(check.numOfConfig.value_or(0));
    return used == check.numOfConfigText ? text : text + ", read as " + used;
}

}  // namespace

ConfigCheck checkConfigFile(const std::wstring& windowsPath, const std::string& displayPath) {
    return Checker(windowsPath, displayPath).run();
}

std::string summaryOf(const ConfigCheck& check) {
    std::string seeThrough = check.seeThroughAllowed ? "allows see-through" : "refuses see-through";
    switch (check.verdict) {
    case ConfigVerdict::NoFile:
        return "there is no file: the library uses " + tableText(check) + " and " + seeThrough;
    case ConfigVerdict::Ignored:
        return "the library ignores this file and uses " + tableText(check) + "; it " + seeThrough;
    case ConfigVerdict::EmptyTable:
        return "the device table is empty: no headset can be found; the library " + seeThrough;
    case ConfigVerdict::PartlyIgnored:
        return "the library ignores part of this file: it uses " + tableText(check) + " and " + seeThrough;
    case ConfigVerdict::UsedAsWritten:
        break;
    }
    return "the library uses " + tableText(check) + " and " + seeThrough;
}

ExitStatus exitStatusOf(const ConfigCheck& check) {
    switch (check.verdict) {
    case ConfigVerdict::UsedAsWritten:
    case ConfigVerdict::NoFile:
        return kExitSuccess;
    case ConfigVerdict::PartlyIgnored:
        return kExitConfigPartlyIgnored;
    case ConfigVerdict::Ignored:
        return kExitConfigIgnored;
    case ConfigVerdict::EmptyTable:
        return kExitConfigEmptyTable;
    }
    return kExitToolFailure;
}

const char* severityName(Severity severity) {
    switch (severity) {
    case Severity::Ignored:
        return "ignored";
    case Severity::Warning:
        return "warning";
    case Severity::Note:
        return "note";
    }
    return "?";
}

std::string visibleText(const std::string& text) {
    std::string out;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            out += c;
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            std::array<char, 8> buffer{};
            std::snprintf(buffer.data(), buffer.size(), "\\x%02X", byte);
            out += buffer.data();
        }
    }
    return out;
}

std::string quoted(const std::string& text) {
    std::string out(1, '\'');
    out += visibleText(text);
    out += '\'';
    return out;
}

std::vector<std::string> describeConfigCheck(const ConfigCheck& check) {
    std::vector<std::string> out;
    out.push_back("file: " + check.path + " (" + fileStateName(check.file) +
                  (check.file == ConfigFileState::Missing || check.file == ConfigFileState::Unreadable
                       ? ")"
                       : ", " + std::to_string(check.lineCount) + (check.lineCount == 1 ? " line)" : " lines)")));
    out.push_back("summary: " + summaryOf(check));
    if (check.builtInTable) {
        out.push_back("device table: the built-in table of " + entriesText(check.table.size()));
    } else {
        out.push_back("device table: " + entriesText(check.table.size()) + " from the file (" + countText(check) +
                      ")");
    }
    for (const ConfigEntry& entry : check.table) {
        std::string where;
        if (!entry.lines.empty()) {
            std::vector<int> lines;
            for (const auto& [property, line] : entry.lines) lines.push_back(line);
            where = " (" + lineList(lines) + ")";
        }
        out.push_back("  entry " + std::to_string(entry.index) + where + ": " + entrySummary(entry));
    }
    out.push_back(std::string("see-through: ") + (check.seeThroughAllowed ? "allowed" : "refused") +
                  (check.seeThroughLine ? " (ENABLE_SEE_THROUGH on line " + std::to_string(*check.seeThroughLine) + ")"
                                        : ""));
    if (check.findings.empty()) out.push_back("findings: none");
    for (const ConfigFinding& finding : check.findings) {
        std::string where = finding.line ? "line " + std::to_string(*finding.line) : "file";
        out.push_back(where + ": " + severityName(finding.severity) + " [" + finding.reason + "] " + finding.message);
    }
    appendLines(out, "the library prints, building its device table:", check.tableLines);
    appendLines(out, "the library prints, asking for the see-through switch:", check.seeThroughLines);
    return out;
}

Json configCheckJson(const ConfigCheck& check) {
    Json json = Json::object();
    json.set("path", check.path);
    json.set("file", fileStateName(check.file));
    json.set("lines", check.lineCount);
    json.set("verdict", verdictName(check.verdict));
    json.set("summary", summaryOf(check));
    Json table = Json::object();
    table.set("source", check.builtInTable ? "built-in" : "file");
    table.set("num_of_config", check.numOfConfig ? Json(*check.numOfConfig) : Json());
    table.set("num_of_config_text", check.numOfConfig ? Json(check.numOfConfigText) : Json());
    Json entries = Json::array();
    for (const ConfigEntry& entry : check.table) {
        Json item = tableEntryJson(entry.properties, entry.written);
        item.set("index", entry.index);
        Json lines = Json::object();
        for (const auto& [property, line] : entry.lines) lines.set(tableMemberName(property), line);
        item.set("lines", std::move(lines));
        entries.push(std::move(item));
    }
    table.set("entries", std::move(entries));
    json.set("device_table", std::move(table));
    Json seeThrough = Json::object();
    seeThrough.set("allowed", check.seeThroughAllowed);
    seeThrough.set("line", check.seeThroughLine ? Json(*check.seeThroughLine) : Json());
    json.set("see_through", std::move(seeThrough));
    Json findings = Json::array();
    for (const ConfigFinding& finding : check.findings) {
        Json item = Json::object();
        item.set("line", finding.line ? Json(*finding.line) : Json());
        item.set("reason", finding.reason);
        item.set("severity", severityName(finding.severity));
        item.set("message", finding.message);
        findings.push(std::move(item));
    }
    json.set("findings", std::move(findings));
    Json printed = Json::object();
    printed.set("device_table", printedJson(check.tableLines));
    printed.set("see_through", printedJson(check.seeThroughLines));
    json.set("library_prints", std::move(printed));
    return json;
}

}  // namespace tamo::tool
