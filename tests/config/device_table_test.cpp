// The device table from hmd_config.ini beside the executable, or built in.
#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "config_files.h"
#include "platform/line_redirect.h"

#include <array>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tamo::test {
namespace {

using Lines = std::vector<std::string>;

// The seven values of an entry, in the order of the file's keys.
using Values = std::array<std::string, 7>;
const std::array<std::string, 7> kKeyStems = {"VENDORID",    "PRODUCTID", "USAGE",     "USAGEPAGE",
                                               "PRODUCTNAME", "REPORTID",  "DEVICENAME"};

DeviceConfig entry(const Values& v) { return deviceConfigOf(v); }

const Values kMk2 = {"2E5C", "0712", "0001", "FF00", "Tamo Mk2", "0", "HMD#0"};
const Values kZenith = {"2E5C", "0712", "0001", "FF00", "TAMO_Zenith", "0", "HMD#0"};
const Values kPrime = {"2E5C", "0712", "0001", "FF00", "TAMO Prime", "0", "HMD#0"};
const Values kPad = {"045E", "0B12", "0005", "0001", "Pad One", "2", "PAD#1"};
const Values kVisor = {"1A2B", "3C4D", "0002", "FF01", "Visor", "4", "VISOR#7"};
const Values kLens = {"00ff", "ABCD", "0003", "FF02", "Lens X", "0", "LENS#2"};

const DeviceConfigList kBuiltIn = {entry(kMk2), entry(kZenith), entry(kPrime)};
const std::vector<Values> kBuiltInValues = {kMk2, kZenith, kPrime};

std::string keyOf(const std::string& stem, int index) {
    char name[64];
    std::snprintf(name, sizeof name, "%s_%03d", stem.c_str(), index);
    return name;
}

// The lines of entry `index`, leaving out the keys whose stems are listed.
std::string entryLines(int index, const Values& values, const std::set<std::string>& omitted = {}) {
    std::string text;
    for (std::size_t k = 0; k < kKeyStems.size(); ++k) {
        if (!omitted.count(kKeyStems[k])) text += keyOf(kKeyStems[k], index) + "=" + values[k] + "\n";
    }
    return text;
}

// The value that line `number` (from 1) of `file` gives its key; a Ctrl-Z
// ends the file.
std::string valueOnLine(const std::string& whole, LineNumber number) {
    const std::string file = whole.substr(0, whole.find('\x1A'));
    std::size_t start = 0;
    for (LineNumber line = 1; line < number && start != std::string::npos; ++line) {
        start = file.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos || number == 0) return "(no such line)";
    std::string text = file.substr(start, file.find('\n', start) - start);
    if (text.ends_with('\r')) text.pop_back();
    const LineSplit split = splitKeyValue(text);
    return split.value ? std::string(*split.value) : "(no value)";
}

std::string missing(const std::string& key) { return "Cannot find the key:" + key; }

// "Cannot find the key:VENDORID_nnn" for each index in [first, last].
Lines missingVendorIds(int first, int last) {
    Lines lines;
    for (int n = first; n <= last; ++n) lines.push_back(missing(keyOf("VENDORID", n)));
    return lines;
}

Lines concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using DeviceTableTest = HmdConfigTest;

TEST_F(DeviceTableTest, BuiltInEntriesAreAppendedInOrder) {
    DeviceConfigList list;
    addDefaultDeviceConfigs(list);
    EXPECT_EQ(list, kBuiltIn);

    DeviceConfigList existing = {entry(kPad)};
    addDefaultDeviceConfigs(existing);
    EXPECT_EQ(existing, (DeviceConfigList{entry(kPad), entry(kMk2), entry(kZenith), entry(kPrime)}));
}

struct TableCase {
    const char* what;
    std::optional<std::string> file;  // nothing: no hmd_config.ini
    std::vector<Values> table;  // as written
    Lines lines;
};

// The library prints the case's lines and builds the case's table: each
// value kept as written, and read as the entry the table holds.
void expectTable(const TableCase& c) {
    DeviceConfigList list;
    LineRedirect out;
    loadDeviceConfigs(list);
    EXPECT_EQ(out.lines(), c.lines) << c.what;
    DeviceConfigList expected;
    for (const Values& values : c.table) expected.push_back(entry(values));
    EXPECT_EQ(list, expected) << c.what;

    // Each entry's origin names the lines its values were written on.
    HMDConfigReader reader;
    DeviceTableDecision decision = decideDeviceTable(ReaderSource(reader));
    ASSERT_EQ(decision.origins.size(), decision.builtIn ? 0 : decision.table.size()) << c.what;
    std::vector<Values> written;
    for (std::size_t i = 0; i < decision.table.size(); ++i) {
        Values values;
        for (std::size_t k = 0; k < values.size(); ++k) {
            values[k] = decision.builtIn ? std::string(kBuiltInEntries[i][k])
                                         : valueOnLine(*c.file, decision.origins[i].lines[k]);
        }
        written.push_back(values);
    }
    EXPECT_EQ(written, c.table) << c.what;
}

TEST_F(DeviceTableTest, TableFollowsTheFile) {
    const std::string builtInFile = "ENABLE_SEE_THROUGH=1\n" + entryLines(3, kPrime) + entryLines(1, kMk2) +
                                    "NUM_OF_CONFIG=3\n" + entryLines(2, kZenith);
    std::string builtInFileCrLf;
    for (char c : builtInFile) builtInFileCrLf += c == '\n' ? std::string("\r\n") : std::string(1, c);

    const std::vector<TableCase> cases = {
        {"no file", std::nullopt, kBuiltInValues, {}},
        {"file reproducing the built-in table", builtInFile, kBuiltInValues, {}},
        {"the same with CR LF line ends", builtInFileCrLf, kBuiltInValues, {}},
        {"entries from the file", "NUM_OF_CONFIG=2\n" + entryLines(1, kPad) + entryLines(2, kVisor),
         {kPad, kVisor}, {}},
        {"entry 1 lacks its VENDORID",
         "NUM_OF_CONFIG=2\n" + entryLines(1, kPad, {"VENDORID"}) + entryLines(2, kVisor), {kVisor},
         {missing("VENDORID_001")}},
        {"only entry lacks DEVICENAME: empty table, no fallback",
         "NUM_OF_CONFIG=1\n" + entryLines(1, kPad, {"DEVICENAME"}), {}, {missing("DEVICENAME_001")}},
        {"only the first missing key is named",
         "NUM_OF_CONFIG=3\n" + entryLines(1, kPad, {"PRODUCTID", "USAGEPAGE", "DEVICENAME"}) +
             entryLines(2, kVisor, {"USAGE", "REPORTID"}) + entryLines(3, kLens, {"DEVICENAME"}),
         {}, {missing("PRODUCTID_001"), missing("USAGE_002"), missing("DEVICENAME_003")}},
        {"entries without a count", entryLines(1, kPad), kBuiltInValues, {missing("NUM_OF_CONFIG")}},
        {"NUM_OF_CONFIG=0", "NUM_OF_CONFIG=0\n" + entryLines(1, kPad), kBuiltInValues, {}},
        {"NUM_OF_CONFIG=-1", "NUM_OF_CONFIG=-1\n" + entryLines(1, kPad), kBuiltInValues, {}},
        {"NUM_OF_CONFIG=abc", "NUM_OF_CONFIG=abc\n" + entryLines(1, kPad), kBuiltInValues, {}},
        {"NUM_OF_CONFIG=-2147483649", "NUM_OF_CONFIG=-2147483649\n" + entryLines(1, kPad), kBuiltInValues, {}},
        {"an entry's key given again after other entries: the later value",
         "NUM_OF_CONFIG=2\n" + entryLines(2, kVisor) + entryLines(1, kLens) + "VENDORID_002=045E\n" +
             entryLines(1, kPad, {"VENDORID"}),
         {{kLens[0], kPad[1], kPad[2], kPad[3], kPad[4], kPad[5], kPad[6]},
          {"045E", kVisor[1], kVisor[2], kVisor[3], kVisor[4], kVisor[5], kVisor[6]}},
         {}},
        {"the later NUM_OF_CONFIG wins",
         "NUM_OF_CONFIG=1\n" + entryLines(1, kPad) + "NUM_OF_CONFIG=0\n", kBuiltInValues, {}},
        {"count of five with three entries",
         "NUM_OF_CONFIG=5\n" + entryLines(1, kPad) + entryLines(2, kVisor) + entryLines(3, kLens),
         {kPad, kVisor, kLens}, {missing("VENDORID_004"), missing("VENDORID_005")}},
        {"entries beyond the count are not read",
         "NUM_OF_CONFIG=1\n" + entryLines(1, kPad) + entryLines(2, kVisor), {kPad}, {}},
        {"count with leading blank and tail", "NUM_OF_CONFIG= 2 entries\n" + entryLines(1, kPad) +
                                                  entryLines(2, kVisor),
         {kPad, kVisor}, {}},
        {"positive count, nothing complete", "NUM_OF_CONFIG=2\n", {}, missingVendorIds(1, 2)},
        {"keys need three digits",
         "NUM_OF_CONFIG=1\nVENDORID_1=045E\nPRODUCTID_01=0B12\nUSAGE_001=0005\n", {},
         {missing("VENDORID_001")}},
        {"keys with four digits below 1000 are not found",
         "NUM_OF_CONFIG=1\n" + entryLines(1, kPad).replace(0, 12, "VENDORID_0001"), {},
         {missing("VENDORID_001")}},
        {"keys are case-sensitive", "NUM_OF_CONFIG=1\nvendorid_001=045E\n", {}, {missing("VENDORID_001")}},
        {"three-digit indices and 1000",
         "NUM_OF_CONFIG=1000\n" + entryLines(1000, kLens) + entryLines(1, kPad) + entryLines(999, kVisor),
         {kPad, kVisor, kLens}, missingVendorIds(2, 998)},
        {"index 1000 is out of a count of 999",
         "NUM_OF_CONFIG=999\n" + entryLines(999, kVisor) + entryLines(1000, kLens), {kVisor},
         missingVendorIds(1, 998)},
        {"values are taken verbatim",
         "NUM_OF_CONFIG=1\nVENDORID_001= 045e\nPRODUCTID_001=0x0B12\nUSAGE_001=5\nUSAGEPAGE_001=FF00\t\n"
         "PRODUCTNAME_001=Tamo Mk2 \nREPORTID_001=zero\nDEVICENAME_001=HMD#0=ignored\n",
         {{" 045e", "0x0B12", "5", "FF00\t", "Tamo Mk2 ", "zero", "HMD#0"}}, {}},
        {"malformed line", "NUM_OF_CONFIG=1\n" + entryLines(1, kPad) + "[section]\n", kBuiltInValues,
         {"strtok_r() is failed!!", "getKeyValueFromBuffer([section]) is failed!!"}},
        {"blank line", "NUM_OF_CONFIG=1\n\n" + entryLines(1, kPad), kBuiltInValues,
         {"strtok_r() is failed!!", "getKeyValueFromBuffer() is failed!!"}},
        {"Ctrl-Z on a line of its own after the entries", "NUM_OF_CONFIG=1\n" + entryLines(1, kPad) + "\x1A\n",
         {kPad}, {}},
        {"Ctrl-Z after the last value, twice",
         "NUM_OF_CONFIG=1\n" + entryLines(1, kPad, {"DEVICENAME"}) + "DEVICENAME_001=" + kPad[6] + "\x1A\x1A", {kPad},
         {}},
        {"Ctrl-Z before the last entry", "NUM_OF_CONFIG=2\n" + entryLines(1, kPad) + "\x1A" + entryLines(2, kVisor),
         {kPad}, {missing("VENDORID_002")}},
        {"byte-order mark before the count", "\xEF\xBB\xBFNUM_OF_CONFIG=1\n" + entryLines(1, kPad), kBuiltInValues,
         {missing("NUM_OF_CONFIG")}},
    };
    for (const TableCase& c : cases) {
        if (c.file)
            writeConfig(*c.file);
        else
            removeConfig();
        expectTable(c);
    }
}

// Counts far beyond the file: the table is what a visit of every index would
// give. Each index up to 999 still reports its missing entry; above that only
// indices that the file's VENDORID keys name are visited.
TEST_F(DeviceTableTest, HugeCountsStillGiveTheCompleteEntries) {
    const std::string entries = entryLines(1, kPad) + entryLines(2, kVisor) + entryLines(5000, kLens) +
                                entryLines(7000, kPad, {"USAGE"}) + entryLines(2147483647, kVisor) +
                                "VENDORID_02000=not an index of its own\n";
    const Lines upTo999 = missingVendorIds(3, 999);
    const std::vector<TableCase> cases = {
        {"NUM_OF_CONFIG=2147483647", "NUM_OF_CONFIG=2147483647\n" + entries,
         {kPad, kVisor, kLens, kVisor}, concat(upTo999, {missing("USAGE_7000")})},
        {"clamped count", "NUM_OF_CONFIG=99999999999999\n" + entries,
         {kPad, kVisor, kLens, kVisor}, concat(upTo999, {missing("USAGE_7000")})},
        {"count between named indices", "NUM_OF_CONFIG=6999\n" + entries,
         {kPad, kVisor, kLens}, upTo999},
        {"count of exactly a named index", "NUM_OF_CONFIG=7000\n" + entries,
         {kPad, kVisor, kLens}, concat(upTo999, {missing("USAGE_7000")})},
    };
    for (const TableCase& c : cases) {
        writeConfig(*c.file);
        expectTable(c);
    }
}

// The numbers of an entry are read once, as hexadecimal; the IDs keep
// their low 16 bits, the usages the whole clamped 32-bit value.
TEST(DeviceConfigOf, ReadsTheWrittenNumbers) {
    const std::vector<std::pair<Values, DeviceConfig>> cases = {
        {kMk2, {0x2E5C, 0x0712, 0xFF00, 0x0001, "Tamo Mk2", 0, "HMD#0"}},
        {{" 045e", "0x0B12", "5", "FF00\t", "Tamo Mk2 ", "zero", "HMD#0"},
         {0x045E, 0x0B12, 0xFF00, 0x0005, "Tamo Mk2 ", 0, "HMD#0"}},
        {{"12E5C", "-D1A4", "10001", "FFFFFFFFF", "x", "1f", "y"},
         {0x2E5C, 0x2E5C, 0x7FFFFFFF, 0x10001, "x", 0x1F, "y"}},
    };
    for (const auto& [written, expected] : cases) EXPECT_EQ(deviceConfigOf(written), expected) << written[0];
}

TEST_F(DeviceTableTest, BothPathsAppendToTheCallersList) {
    const DeviceConfig earlier = entry(kLens);

    removeConfig();
    DeviceConfigList fallback = {earlier};
    loadDeviceConfigs(fallback);
    EXPECT_EQ(fallback, (DeviceConfigList{earlier, entry(kMk2), entry(kZenith), entry(kPrime)}));

    writeConfig("NUM_OF_CONFIG=1\n" + entryLines(1, kPad));
    DeviceConfigList fromFile = {earlier};
    loadDeviceConfigs(fromFile);
    EXPECT_EQ(fromFile, (DeviceConfigList{earlier, entry(kPad)}));
}

TEST_F(DeviceTableTest, AnEditTakesEffectAtTheNextCall) {
    writeConfig("NUM_OF_CONFIG=1\n" + entryLines(1, kPad));
    DeviceConfigList first;
    loadDeviceConfigs(first);
    EXPECT_EQ(first, DeviceConfigList{entry(kPad)});

    writeConfig("NUM_OF_CONFIG=1\n" + entryLines(1, kVisor));
    DeviceConfigList second;
    loadDeviceConfigs(second);
    EXPECT_EQ(second, DeviceConfigList{entry(kVisor)});

    removeConfig();
    DeviceConfigList third;
    loadDeviceConfigs(third);
    EXPECT_EQ(third, kBuiltIn);
}

TEST_F(DeviceTableTest, PathNamesTheFileBesideTheExecutable) {
    HMDConfigReader reader;
    EXPECT_EQ(reader.configFileType, 0);
    int fileType = 0;
    EXPECT_EQ(reader.getConfigFilePath(fileType), platformPath(configDirectory() / "hmd_config.ini"));
    for (int other : {-1, 1, 2}) {
        fileType = other;
        EXPECT_EQ(reader.getConfigFilePath(fileType), L"") << other;
    }
}

}  // namespace
}  // namespace tamo::test
