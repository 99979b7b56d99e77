#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace tamo {
namespace {

constexpr std::size_t kKeyNameCapacity = 128;

// The per-entry keys in the order they are looked up, each with the
// property it fills.
struct EntryKey {
    const char* pattern;
    const char* property;
};
constexpr std::array<EntryKey, 7> kEntryKeys = {{
    {"VENDORID_%03d", property::kVendorID},
    {"PRODUCTID_%03d", property::kProductID},
    {"USAGE_%03d", property::kUsage},
    {"USAGEPAGE_%03d", property::kUsagePage},
    {"PRODUCTNAME_%03d", property::kProductName},
    {"REPORTID_%03d", property::kReportID},
    {"DEVICENAME_%03d", property::kDeviceName},
}};
constexpr std::string_view kFirstKeyPrefix = "VENDORID_";

struct BuiltInEntry {
    const char* vendorId;
    const char* productId;
    const char* usage;
    const char* usagePage;
    const char* productName;
    const char* reportId;
    const char* deviceName;
};
constexpr std::array<BuiltInEntry, 3> kBuiltInEntries = {{
    {"2E5C", "0712", "0001", "FF00", "Tamo Mk2", "0", "HMD#0"},
    {"2E5C", "0712", "0001", "FF00", "TAMO_Zenith", "0", "HMD#0"},
    {"2E5C", "0712", "0001", "FF00", "TAMO Prime", "0", "HMD#0"},
}};

// Indices up to this one are each looked up, so every missing entry among
// them prints its line, however sparse the file.
//
// NUM_OF_CONFIG itself is not trusted as a loop bound: 2147483647 would cost
// two thousand million look-ups and as many printed lines. Above this index
// only the indices that the file's own VENDORID keys name are visited, in
// ascending order. Every other index would fail at its first look-up, so
// skipping it changes no table, only drops its "Cannot find the key:" line.
// The work is then bounded by this constant plus the size of the file. 999
// is the last index the three-digit key format was made for.
constexpr int kIndicesAlwaysVisited = 999;

std::string keyName(const char* pattern, int index) {
    std::array<char, kKeyNameCapacity> buffer{};
    std::snprintf(buffer.data(), buffer.size(), pattern, index);
    return buffer.data();
}

// Entry `index` when the file holds all seven of its keys. The look-ups stop
// at the first absent key, which the reader reports.
std::optional<DeviceConfig> readEntry(const HMDConfigReader& reader, int index) {
    DeviceConfig entry;
    for (const EntryKey& key : kEntryKeys) {
        std::string value;
        if (reader.getStringValue(keyName(key.pattern, index), value) != 0) return std::nullopt;
        entry.emplace(key.property, std::move(value));
    }
    return entry;
}

// The index that `key` names as a VENDORID key written the way keyName
// writes it ("VENDORID_007", not "VENDORID_7"), if it does.
std::optional<int> vendorKeyIndex(const std::string& key) {
    std::string_view digits = std::string_view(key).substr(kFirstKeyPrefix.size());
    int index = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size() || index < 1) return std::nullopt;
    if (keyName(kEntryKeys[0].pattern, index) != key) return std::nullopt;
    return index;
}

// The indices in (after, last] that the file's VENDORID keys name, ascending.
std::vector<int> namedIndices(const ConfigReader& reader, int after, int last) {
    std::vector<int> indices;
    for (auto it = reader.keyValues.lower_bound(std::string(kFirstKeyPrefix));
         it != reader.keyValues.end() && it->first.starts_with(kFirstKeyPrefix); ++it) {
        std::optional<int> index = vendorKeyIndex(it->first);
        if (index && *index > after && *index <= last) indices.push_back(*index);
    }
    // The map orders "VENDORID_1000" before "VENDORID_999".
    std::sort(indices.begin(), indices.end());
    return indices;
}

void appendEntry(const HMDConfigReader& reader, int index, DeviceConfigList& list) {
    if (std::optional<DeviceConfig> entry = readEntry(reader, index)) list.push_back(std::move(*entry));
}

}  // namespace

void loadDeviceConfigs(DeviceConfigList& list) {
    HMDConfigReader reader;
    int count = 0;
    if (reader.loadConfigFile() != 0 || reader.getIntValue(config_key::kNumOfConfig, count) != 0 || count <= 0) {
        addDefaultDeviceConfigs(list);
        return;
    }
    int visitedInFull = std::min(count, kIndicesAlwaysVisited);
    for (int index = 1; index <= visitedInFull; ++index) appendEntry(reader, index, list);
    for (int index : namedIndices(reader, visitedInFull, count)) appendEntry(reader, index, list);
}

void addDefaultDeviceConfigs(DeviceConfigList& list) {
    for (const BuiltInEntry& builtIn : kBuiltInEntries) {
        list.push_back(DeviceConfig{
            {property::kVendorID, builtIn.vendorId},
            {property::kProductID, builtIn.productId},
            {property::kUsage, builtIn.usage},
            {property::kUsagePage, builtIn.usagePage},
            {property::kProductName, builtIn.productName},
            {property::kReportID, builtIn.reportId},
            {property::kDeviceName, builtIn.deviceName},
        });
    }
}

}  // namespace tamo
