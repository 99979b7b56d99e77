#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "config/integer_text.h"
#include "platform/console.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string_view>

namespace tamo {

namespace {

constexpr std::size_t kKeyNameCapacity = 128;
// "%03d": indices below 1000 are written with exactly three digits.
constexpr std::size_t kPaddedDigits = 3;

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

struct Field {
    std::string value;
    int line = 0;
};
using EntryFields = std::array<std::optional<Field>, kEntryKeyCount>;

// The index that `digits` stand for when entryKey writes it so ("007",
// "1000"; not "7" or "0007").
std::optional<int> indexWrittenAs(std::string_view digits) {
    const int index = readInteger(digits, 10).value;
    std::string written = std::to_string(index);
    if (written.size() < kPaddedDigits) written.insert(0, kPaddedDigits - written.size(), '0');
    if (index < 0 || written != digits) return std::nullopt;
    return index;
}

// The file's pairs as the table needs them: each entry key under its index,
// and NUM_OF_CONFIG. A later pair of a key replaces an earlier one.
class EntryKeysOfFile {
public:
    void add(int line, std::string_view key, std::string_view value) {
        if (key == config_key::kNumOfConfig) {
            count_ = Field{std::string(value), line};
            return;
        }
        if (std::optional<EntryKeyRef> entryKey = entryKeyOf(key)) {
            fieldsOf(entryKey->index)[entryKey->field] = Field{std::string(value), line};
        }
    }

    const std::optional<Field>& count() const { return count_; }
    const EntryFields* entry(int index) const {
        auto found = entries_.find(index);
        return found == entries_.end() ? nullptr : &found->second;
    }
    // The indices in (after, last] for which the file holds a VENDORID key,
    // ascending.
    std::vector<int> vendorIndices(int after, int last) const {
        std::vector<int> indices;
        for (auto it = entries_.upper_bound(after); it != entries_.end() && it->first <= last; ++it) {
            if (it->second[0]) indices.push_back(it->first);
        }
        return indices;
    }

private:
    // A file usually gives an entry's keys together and its entries in
    // order, so the last entry is asked again and a new one goes at the end:
    // a large file then costs no search of the whole map per line.
    EntryFields& fieldsOf(int index) {
        if (last_ != nullptr && lastIndex_ == index) return *last_;
        auto at = !entries_.empty() && entries_.rbegin()->first < index ? entries_.end() : entries_.lower_bound(index);
        if (at == entries_.end() || at->first != index) at = entries_.emplace_hint(at, index, EntryFields{});
        lastIndex_ = index;
        last_ = &at->second;
        return *last_;
    }

    std::optional<Field> count_;
    std::map<int, EntryFields> entries_;
    int lastIndex_ = 0;
    EntryFields* last_ = nullptr;
};

// A line of a decision: printed at once by the library, kept for a tool.
class DecisionLines {
public:
    DecisionLines(bool print, std::vector<std::string>& kept) : print_(print), kept_(kept) {}

    void add(const std::string& line) {
        if (print_) printLine(line);
        else kept_.push_back(line);
    }
    // The lines of a file that could not be split, which the reader prints
    // itself when printing.
    void addMalformed(const FileReading& file) {
        if (print_ || file.state != FileState::Malformed) return;
        kept_.push_back(kSplitFailedLine);
        kept_.push_back(loadFailedLine(file.malformedLine));
    }

private:
    bool print_;
    std::vector<std::string>& kept_;
};

void useBuiltInEntries(DeviceTableDecision& decision) {
    decision.builtIn = true;
    addDefaultDeviceConfigs(decision.table);
    decision.origins.resize(decision.table.size());
}

// Entry `index`: into the table when the file holds all seven of its keys;
// otherwise dropped at the first absent key, which is reported.
void visitIndex(const EntryKeysOfFile& file, int index, DeviceTableDecision& decision, DecisionLines& lines) {
    const EntryFields* fields = file.entry(index);
    DeviceConfig entry;
    EntryOrigin origin;
    origin.index = index;
    for (std::size_t k = 0; k < kEntryKeys.size(); ++k) {
        const std::optional<Field>* field = fields ? &(*fields)[k] : nullptr;
        if (!field || !*field) {
            std::string key = entryKey(k, index);
            lines.add(missingKeyLine(key));
            decision.visited.push_back({index, std::move(key)});
            return;
        }
        entry.emplace(kEntryKeys[k].property, (*field)->value);
        origin.lines[k] = (*field)->line;
    }
    decision.visited.push_back({index, std::nullopt});
    decision.table.push_back(std::move(entry));
    decision.origins.push_back(origin);
}

}  // namespace

std::string entryKey(std::size_t field, int index) {
    std::array<char, kKeyNameCapacity> buffer{};
    std::snprintf(buffer.data(), buffer.size(), kEntryKeys[field].pattern, index);
    return buffer.data();
}

std::optional<EntryKeyRef> entryKeyOf(std::string_view key) {
    for (std::size_t field = 0; field < kEntryKeys.size(); ++field) {
        std::string_view prefix = entryKeyPrefix(field);
        if (!key.starts_with(prefix)) continue;
        std::optional<int> index = indexWrittenAs(key.substr(prefix.size()));
        if (!index) return std::nullopt;
        return EntryKeyRef{field, *index};
    }
    return std::nullopt;
}

std::string missingKeyLine(const std::string& key) { return "Cannot find the key:" + key; }

DeviceTableDecision decideDeviceTable(const PairSource& source, bool print) {
    DeviceTableDecision decision;
    DecisionLines lines(print, decision.lines);
    EntryKeysOfFile file;
    decision.file = source.read(
        [&file](int line, std::string_view key, std::string_view value) { file.add(line, key, value); }, print);
    lines.addMalformed(decision.file);
    if (decision.file.state != FileState::Read) {
        useBuiltInEntries(decision);
        return decision;
    }
    if (!file.count()) {
        lines.add(missingKeyLine(config_key::kNumOfConfig));
        useBuiltInEntries(decision);
        return decision;
    }
    const int count = readInteger(file.count()->value, 10).value;
    decision.count = count;
    decision.countLine = file.count()->line;
    if (count <= 0) {
        useBuiltInEntries(decision);
        return decision;
    }
    decision.builtIn = false;
    const int visitedInFull = std::min(count, kIndicesAlwaysVisited);
    for (int index = 1; index <= visitedInFull; ++index) visitIndex(file, index, decision, lines);
    for (int index : file.vendorIndices(visitedInFull, count)) visitIndex(file, index, decision, lines);
    return decision;
}

void loadDeviceConfigs(DeviceConfigList& list) {
    HMDConfigReader reader;
    DeviceTableDecision decision = decideDeviceTable(ReaderSource(reader), true);
    std::move(decision.table.begin(), decision.table.end(), std::back_inserter(list));
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
