// The headset configuration: the device table and the see-through switch,
// both from hmd_config.ini beside the host's executable.
//
// Each question is answered by a decision that says why, as well as what,
// and prints nothing: the library acts on it and then prints its lines; a
// tool asks the same question and explains the answer.
#pragma once

#include "config/config_reader.h"
#include "config/config_text.h"
#include "config/device_config.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {

// Keys of hmd_config.ini that are not per entry.
namespace config_key {
inline constexpr const char* kEnableSeeThrough = "ENABLE_SEE_THROUGH";
inline constexpr const char* kNumOfConfig = "NUM_OF_CONFIG";
}  // namespace config_key

// The per-entry keys, in the order they are looked up: the key at position
// k fills property kProperties[k].
inline constexpr std::size_t kEntryKeyCount = kPropertyCount;
inline constexpr std::array<const char*, kEntryKeyCount> kEntryKeys = {
    "VENDORID_%03d",    "PRODUCTID_%03d", "USAGE_%03d",      "USAGEPAGE_%03d",
    "PRODUCTNAME_%03d", "REPORTID_%03d",  "DEVICENAME_%03d",
};

// The key that the table looks up for field `field` (a position in
// kEntryKeys) of entry `index`: "VENDORID_007", "VENDORID_1000".
std::string entryKey(std::size_t field, int index);
// What all keys of a field begin with: "VENDORID_".
constexpr std::string_view entryKeyPrefix(std::size_t field) {
    std::string_view pattern(kEntryKeys[field]);
    return pattern.substr(0, pattern.find('%'));
}

struct EntryKeyRef {
    std::size_t field = 0;
    int index = 0;
};
// Which field of which entry `key` is, when it is a key the table looks up
// ("VENDORID_007"; not "VENDORID_7" or "VENDORID_0007"). Index 0 is a key
// of its own that the table never looks up: entries are numbered from 1.
std::optional<EntryKeyRef> entryKeyOf(std::string_view key);

// The line a look-up of an absent key prints.
std::string missingKeyLine(const std::string& key);

// The built-in entries, in the order of kProperties.
inline constexpr std::array<EntryText, 3> kBuiltInEntries = {{
    {"2E5C", "0712", "0001", "FF00", "Tamo Mk2", "0", "HMD#0"},
    {"2E5C", "0712", "0001", "FF00", "TAMO_Zenith", "0", "HMD#0"},
    {"2E5C", "0712", "0001", "FF00", "TAMO Prime", "0", "HMD#0"},
}};

// Where a table entry came from.
struct EntryOrigin {
    // The file's entry index; 0 for a built-in entry.
    int index = 0;
    // The line of each key, in the order of kEntryKeys (file entries only).
    std::array<LineNumber, kEntryKeyCount> lines{};
};

// An entry index the library looked at and dropped, and the first of its
// keys that the file did not hold (a position in kEntryKeys).
struct DroppedIndex {
    int index = 0;
    std::size_t missingField = 0;
};

struct DeviceTableDecision {
    FileReading file;
    // NUM_OF_CONFIG as read, and its line; absent when the file was not used
    // or lacks the key.
    std::optional<int> count;
    LineNumber countLine = 0;
    bool builtIn = true;
    // The file's indices dropped, in the order visited.
    std::vector<DroppedIndex> dropped;
    DeviceConfigList table;
    // One per table entry read from the file; none for the built-in ones,
    // which the DLL would otherwise pay for on every call without a file.
    std::vector<EntryOrigin> origins;
    // The lines the library prints about the decision, in order.
    std::vector<std::string> lines;
};

struct SeeThroughDecision {
    FileReading file;
    // ENABLE_SEE_THROUGH as written, and its line; absent when the file was
    // not used or lacks the key.
    std::optional<std::string> value;
    LineNumber line = 0;
    bool allowed = false;
    std::vector<std::string> lines;
};

// The decisions over the pairs of `source` (ReaderSource: the file a reader
// names; TextSource: text in memory), made silently into `decision`. When
// memory runs out, std::bad_alloc leaves in `decision` what was decided
// until then, its lines included, for the caller to print.
void decideDeviceTable(const PairSource& source, DeviceTableDecision& decision);
void decideSeeThrough(const PairSource& source, SeeThroughDecision& decision);
DeviceTableDecision decideDeviceTable(const PairSource& source);
SeeThroughDecision decideSeeThrough(const PairSource& source);

// Whether the see-through command may be used: ENABLE_SEE_THROUGH holds a
// nonzero number. False when the file is missing or malformed.
bool isSeeThroughEnabled();

// Appends the device table to `list`: the complete entries 1 to
// NUM_OF_CONFIG of the file in index order, or the built-in entries when the
// file is missing, malformed, or has no positive NUM_OF_CONFIG.
void loadDeviceConfigs(DeviceConfigList& list);

// Appends the three built-in entries.
void addDefaultDeviceConfigs(DeviceConfigList& list);

}  // namespace tamo
