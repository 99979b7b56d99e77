#include "config/file_entries.h"
#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "config/integer_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <new>
#include <string_view>
#include <vector>

namespace tamo {

namespace {

// "%03d": indices below 1000 are written with exactly three digits.
constexpr std::size_t kPaddedDigits = 3;

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

// The index that `digits` stand for when entryKey writes it so ("007",
// "1000"; not "7", "0007" or "+007"): only digits, at least three, and no
// leading zero beyond the padding.
std::optional<int> indexWrittenAs(std::string_view digits) {
    if (digits.size() < kPaddedDigits) return std::nullopt;
    if (digits.size() > kPaddedDigits && digits.front() == '0') return std::nullopt;
    long long index = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        index = index * 10 + (c - '0');
        if (index > std::numeric_limits<int>::max()) return std::nullopt;
    }
    return static_cast<int>(index);
}

void useBuiltInEntries(DeviceTableDecision& decision) {
    decision.builtIn = true;
    addDefaultDeviceConfigs(decision.table);
}

// Entry `index`: into the table when the file holds all seven of its keys;
// otherwise dropped at the first absent key, which is reported.
void visitIndex(const FileEntries& file, int index, const EntryFields* fields, DeviceTableDecision& decision) {
    EntryText written;
    EntryOrigin origin{index, {}};
    for (std::size_t k = 0; k < kEntryKeys.size(); ++k) {
        const Field* field = fields ? &(*fields)[k] : nullptr;
        if (!field || !*field) {
            decision.lines.push_back(missingKeyLine(entryKey(k, index)));
            decision.dropped.push_back({index, k});
            return;
        }
        written[k] = file.value(*field);
        origin.lines[k] = field->line;
    }
    decision.table.push_back(deviceConfigOf(written));
    decision.origins.push_back(origin);
}

std::uint16_t low16(std::string_view hex) { return static_cast<std::uint16_t>(readInteger(hex, 16).value); }

}  // namespace

std::string entryKey(std::size_t field, int index) {
    // As "%03d" writes it: the sign, then the digits padded with zeros to
    // three characters in all ("-01", "007", "1000").
    std::array<char, std::numeric_limits<int>::digits10 + 2> buffer{};
    std::string_view number(buffer.data(), std::to_chars(buffer.begin(), buffer.end(), index).ptr - buffer.data());
    std::string key(entryKeyPrefix(field));
    if (number.front() == '-') {
        key += '-';
        number.remove_prefix(1);
    }
    const std::size_t written = key.size() - entryKeyPrefix(field).size() + number.size();
    if (written < kPaddedDigits) key.append(kPaddedDigits - written, '0');
    key += number;
    return key;
}

std::optional<EntryKeyRef> entryKeyOf(std::string_view key) {
    // Every line of a file passes here: the prefixes are worked out once.
    static constexpr auto kPrefixes = [] {
        EntryText prefixes{};
        for (std::size_t field = 0; field < kEntryKeyCount; ++field) prefixes[field] = entryKeyPrefix(field);
        return prefixes;
    }();
    for (std::size_t field = 0; field < kEntryKeyCount; ++field) {
        const std::string_view prefix = kPrefixes[field];
        if (key.empty() || key.front() != prefix.front() || !key.starts_with(prefix)) continue;
        std::optional<int> index = indexWrittenAs(key.substr(prefix.size()));
        if (!index) return std::nullopt;
        return EntryKeyRef{field, *index};
    }
    return std::nullopt;
}

std::string missingKeyLine(const std::string& key) { return "Cannot find the key:" + key; }

void decideDeviceTable(const PairSource& source, DeviceTableDecision& decision) {
    decision = DeviceTableDecision{};
    FileEntries file;
    decision.file = source.read(
        [&file](LineNumber line, std::string_view key, std::string_view value) { file.add(line, key, value); });
    file.finish();
    addMalformedLines(decision.file, decision.lines);
    if (decision.file.state != FileState::Read) {
        useBuiltInEntries(decision);
        return;
    }
    if (!file.count()) {
        decision.lines.push_back(missingKeyLine(config_key::kNumOfConfig));
        useBuiltInEntries(decision);
        return;
    }
    const int count = readInteger(file.value(*file.count()), 10).value;
    decision.count = count;
    decision.countLine = file.count()->line;
    if (count <= 0) {
        useBuiltInEntries(decision);
        return;
    }
    decision.builtIn = false;
    const int visitedInFull = std::min(count, kIndicesAlwaysVisited);
    const std::size_t complete = file.completeEntriesUpTo(count);
    decision.table.reserve(complete);
    decision.origins.reserve(complete);
    file.forEachIndexUpTo(visitedInFull, [&](int index, const EntryFields* fields) {
        visitIndex(file, index, fields, decision);
    });
    file.forEachVendorEntry(visitedInFull, count, [&](int index, const EntryFields& fields) {
        visitIndex(file, index, &fields, decision);
    });
}

DeviceTableDecision decideDeviceTable(const PairSource& source) {
    DeviceTableDecision decision;
    decideDeviceTable(source, decision);
    return decision;
}

void loadDeviceConfigs(DeviceConfigList& list) {
    HMDConfigReader reader;
    DeviceTableDecision decision;
    // Memory that runs out while the file's table is made means a file that
    // could not be read, wherever it happens: the built-in entries instead,
    // and the lines decided until then.
    try {
        decideDeviceTable(ReaderSource(reader), decision);
    } catch (const std::bad_alloc&) {
        decision.table.clear();
        addDefaultDeviceConfigs(decision.table);
    }
    printLines(decision.lines);
    if (list.empty()) {
        list = std::move(decision.table);
        return;
    }
    std::move(decision.table.begin(), decision.table.end(), std::back_inserter(list));
}

void addDefaultDeviceConfigs(DeviceConfigList& list) {
    // Read from their text once: they never change, and most calls use them.
    static const DeviceConfigList builtIn = [] {
        DeviceConfigList entries;
        for (const EntryText& text : kBuiltInEntries) entries.push_back(deviceConfigOf(text));
        return entries;
    }();
    list.reserve(list.size() + builtIn.size());
    for (const DeviceConfig& entry : builtIn) list.push_back(entry);
}

DeviceConfig deviceConfigOf(const WrittenEntry& written) {
    EntryText views;
    std::copy(written.begin(), written.end(), views.begin());
    return deviceConfigOf(views);
}

DeviceConfig deviceConfigOf(const EntryText& written) {
    enum : std::size_t { kVendor, kProduct, kUsage, kUsagePage, kProductName, kReport, kDeviceName };
    static_assert(kProperties[kVendor] == property::kVendorID && kProperties[kProduct] == property::kProductID &&
                  kProperties[kUsage] == property::kUsage && kProperties[kUsagePage] == property::kUsagePage &&
                  kProperties[kProductName] == property::kProductName && kProperties[kReport] == property::kReportID &&
                  kProperties[kDeviceName] == property::kDeviceName);
    DeviceConfig entry;
    entry.vendorId = low16(written[kVendor]);
    entry.productId = low16(written[kProduct]);
    entry.usagePage = readInteger(written[kUsagePage], 16).value;
    entry.usage = readInteger(written[kUsage], 16).value;
    entry.productName = std::string(written[kProductName]);
    entry.reportId = readInteger(written[kReport], 16).value;
    entry.deviceName = written[kDeviceName];
    return entry;
}

}  // namespace tamo
