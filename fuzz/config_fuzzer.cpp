// hmd_config.ini of arbitrary bytes: the device table, the see-through
// switch and every printed line must be what the file format says, and
// nothing may crash, hang or leak. The expected results come from a
// separate, deliberately plain reading of the format below.
//
// The same bytes also go to the line splitter directly, as one line.
#include "config/config_reader.h"
#include "config/hmd_config.h"
#include "fuzz_world.h"
#include "inspect/config_report.h"
#include "platform/line_redirect.h"

#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tamo;
using namespace tamo::fuzz;

constexpr const char* kMissingKey = "Cannot find the key:";
constexpr int kIndicesAlwaysVisited = 999;
// In the order of an entry's properties.
const char* const kEntryKeyPrefixes[kPropertyCount] = {"VENDORID_",    "PRODUCTID_", "USAGE_",      "USAGEPAGE_",
                                                       "PRODUCTNAME_", "REPORTID_",  "DEVICENAME_"};

struct Split {
    std::string key;
    std::string value;
};

// A line is a C string to the splitter: it ends at its first NUL. The key
// and the value are the first two runs of characters other than "=".
std::optional<Split> referenceSplit(const std::string& line) {
    std::string text = line.substr(0, line.find('\0'));
    std::size_t keyStart = text.find_first_not_of('=');
    if (keyStart == std::string::npos) return std::nullopt;
    std::size_t keyEnd = text.find('=', keyStart);
    if (keyEnd == std::string::npos) return std::nullopt;
    std::size_t valueStart = text.find_first_not_of('=', keyEnd);
    if (valueStart == std::string::npos) return std::nullopt;
    std::size_t valueEnd = text.find('=', valueStart);
    return Split{text.substr(keyStart, keyEnd - keyStart),
                 text.substr(valueStart, valueEnd == std::string::npos ? std::string::npos : valueEnd - valueStart)};
}

struct Load {
    bool ok = true;
    std::map<std::string, std::string> pairs;
};

// Nothing from the first Ctrl-Z on is read. Lines end at LF; an LF-ended line loses one CR
// before it; a last line without LF is still a line; an LF at the very end
// adds none.
Load referenceLoad(const std::string& bytes, std::vector<std::string>& lines) {
    const std::string file = bytes.substr(0, bytes.find('\x1A'));
    Load load;
    std::size_t at = 0;
    while (at < file.size()) {
        std::size_t end = file.find('\n', at);
        std::string line;
        if (end == std::string::npos) {
            line = file.substr(at);
            at = file.size();
        } else {
            line = file.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            at = end + 1;
        }
        std::optional<Split> split = referenceSplit(line);
        if (!split) {
            lines.push_back("strtok_r() is failed!!");
            lines.push_back("getKeyValueFromBuffer(" + line + ") is failed!!");
            load.ok = false;
            return load;
        }
        load.pairs[split->key] = split->value;
    }
    return load;
}

// strtol's base-10 reading, clamped to int.
// Numbers are read as strtol would with a 32-bit long.
int referenceInteger(const std::string& text, int base) {
    long long value = std::strtoll(text.c_str(), nullptr, base);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}
int referenceDecimal(const std::string& text) { return referenceInteger(text, 10); }

// The entry's numbers are hexadecimal; the IDs keep their low 16 bits.
DeviceConfig referenceEntryOf(const WrittenEntry& written) {
    DeviceConfig entry;
    entry.vendorId = static_cast<std::uint16_t>(referenceInteger(written[0], 16));
    entry.productId = static_cast<std::uint16_t>(referenceInteger(written[1], 16));
    entry.usage = referenceInteger(written[2], 16);
    entry.usagePage = referenceInteger(written[3], 16);
    entry.productName = written[4];
    entry.reportId = referenceInteger(written[5], 16);
    entry.deviceName = written[6];
    return entry;
}

const std::string* lookUp(const Load& load, const std::string& key, std::vector<std::string>& lines) {
    auto it = load.pairs.find(key);
    if (it != load.pairs.end()) return &it->second;
    lines.push_back(kMissingKey + key);
    return nullptr;
}

std::string keyName(const char* prefix, int index) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", index);
    return prefix + std::string(number);
}

using WrittenTable = std::vector<WrittenEntry>;

void referenceEntry(const Load& load, int index, WrittenTable& table, std::vector<std::string>& lines) {
    WrittenEntry entry;
    for (std::size_t k = 0; k < kPropertyCount; ++k) {
        const std::string* value = lookUp(load, keyName(kEntryKeyPrefixes[k], index), lines);
        if (!value) return;
        entry[k] = *value;
    }
    table.push_back(entry);
}

// Beyond index 999 only the indices that VENDORID keys of the file name are
// visited: any other would be dropped at its first look-up anyway.
std::vector<int> namedIndicesAbove(const Load& load, int last) {
    std::vector<int> indices;
    for (const auto& [key, value] : load.pairs) {
        if (key.rfind("VENDORID_", 0) != 0) continue;
        std::string digits = key.substr(9);
        if (digits.empty() || digits.size() > 10 || digits[0] == '0' ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        long long index = std::stoll(digits);
        if (index > kIndicesAlwaysVisited && index <= last) indices.push_back(static_cast<int>(index));
    }
    std::sort(indices.begin(), indices.end());
    return indices;
}

// The file's entries as written; nothing when the built-in table is used.
std::optional<WrittenTable> referenceTable(const std::string& file, std::vector<std::string>& lines) {
    WrittenTable table;
    Load load = referenceLoad(file, lines);
    const std::string* count = load.ok ? lookUp(load, "NUM_OF_CONFIG", lines) : nullptr;
    int entries = count ? referenceDecimal(*count) : 0;
    if (entries <= 0) return std::nullopt;
    for (int index = 1; index <= std::min(entries, kIndicesAlwaysVisited); ++index) {
        referenceEntry(load, index, table, lines);
    }
    for (int index : namedIndicesAbove(load, entries)) referenceEntry(load, index, table, lines);
    return table;
}

bool referenceSeeThrough(const std::string& file, std::vector<std::string>& lines) {
    Load load = referenceLoad(file, lines);
    if (!load.ok) return false;
    const std::string* value = lookUp(load, "ENABLE_SEE_THROUGH", lines);
    return value && referenceDecimal(*value) != 0;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

std::string describe(const WrittenTable& table) {
    std::string text = std::to_string(table.size()) + " entries";
    for (const WrittenEntry& entry : table) {
        text += "\n ";
        for (std::size_t k = 0; k < kPropertyCount; ++k) {
            text += std::string(" ") + kProperties[k] + "=" + escaped(entry[k]);
        }
    }
    return text;
}

void checkTable(const DeviceTableDecision& table, const inspect::ConfigReport& report,
                const std::optional<WrittenTable>& expected) {
    require(report.builtInTable == table.builtIn && report.table.size() == table.table.size(),
            "the report's table is the library's");
    if (!expected) {
        DeviceConfigList builtIn;
        addDefaultDeviceConfigs(builtIn);
        require(table.builtIn && table.table == builtIn, "the built-in table is used");
        return;
    }
    WrittenTable written;
    for (const inspect::ConfigEntry& entry : report.table) written.push_back(entry.written);
    require(!table.builtIn && written == *expected, "the device table is the file's",
            "got " + describe(written) + "\nexpected " + describe(*expected));
    DeviceConfigList typed;
    for (const WrittenEntry& entry : *expected) typed.push_back(referenceEntryOf(entry));
    require(table.table == typed, "each entry's numbers are read from its hexadecimal text");
}

// The decisions read the bytes from memory, as they would read the file:
// thousands of inputs a second instead of hundreds through the file system.
void checkFile(const std::string& file) {
    DeviceTableDecision table = decideDeviceTable(TextSource(file));
    SeeThroughDecision seeThrough = decideSeeThrough(TextSource(file));
    const std::string printed = joined(table.lines) + joined(seeThrough.lines);

    std::vector<std::string> lines;
    std::optional<WrittenTable> expectedTable = referenceTable(file, lines);
    bool expectedSeeThrough = referenceSeeThrough(file, lines);

    checkTable(table, inspect::inspectConfigText(file, "hmd_config.ini"), expectedTable);
    require(seeThrough.allowed == expectedSeeThrough, "the see-through switch is the file's");
    require(printed == joined(lines), "exactly the documented lines are printed",
            "got:\n" + escaped(printed) + "\nexpected:\n" + escaped(joined(lines)));
}

void checkLine(const std::string& line) {
    std::string key = "key before";
    std::string value = "value before";
    LineRedirect out;
    int result = ConfigReader::getKeyValueFromBuffer(line, key, value);
    const std::string printed = out.text();

    std::optional<Split> expected = referenceSplit(line);
    if (expected) {
        require(result == 0 && key == expected->key && value == expected->value && printed.empty(),
                "a line with a key and a value splits into them");
    } else {
        require(result == -1 && value == "value before" && printed == "strtok_r() is failed!!\n",
                "a line without a key and a value fails, leaves the value and says so");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    checkFile(bytes);
    checkLine(bytes);
    return 0;
}
