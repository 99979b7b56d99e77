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

// In the order of kProperties.
const std::array<std::array<const char*, kPropertyCount>, 3> kBuiltInEntries = {{
    {"2E5C", "0712", "0001", "FF00", "Tamo Mk2", "0", "HMD#0"},
    {"2E5C", "0712", "0001", "FF00", "TAMO_Zenith", "0", "HMD#0"},
    {"2E5C", "0712", "0001", "FF00", "TAMO Prime", "0", "HMD#0"},
}};

WrittenEntry builtInWritten(std::size_t entry) {
    WrittenEntry written;
    for (std::size_t k = 0; k < kPropertyCount; ++k) written[k] = kBuiltInEntries[entry][k];
    return written;
}

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
// "1000"; not "7", "0007" or "+007"): only digits, at least three, and no
// leading zero beyond the padding.
std::optional<int> indexWrittenAs(std::string_view digits) {
    if (digits.size() < kPaddedDigits) return std::nullopt;
    if (digits.size() > kPaddedDigits && digits.front() == '0') return std::nullopt;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    const IntegerText index = readInteger(digits, 10);
    if (index.clamped) return std::nullopt;
    return index.value;
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
    EntryFields* entry(int index) {
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
    for (std::size_t entry = 0; entry < kBuiltInEntries.size(); ++entry) {
        decision.origins.push_back(EntryOrigin{0, {}, builtInWritten(entry)});
    }
}

// Entry `index`: into the table when the file holds all seven of its keys;
// otherwise dropped at the first absent key, which is reported. The file's
// values move into the decision: each index is visited once.
void visitIndex(EntryKeysOfFile& file, int index, DeviceTableDecision& decision, DecisionLines& lines) {
    EntryFields* fields = file.entry(index);
    EntryOrigin origin;
    origin.index = index;
    for (std::size_t k = 0; k < kEntryKeys.size(); ++k) {
        std::optional<Field>* field = fields ? &(*fields)[k] : nullptr;
        if (!field || !*field) {
            std::string key = entryKey(k, index);
            lines.add(missingKeyLine(key));
            decision.visited.push_back({index, std::move(key)});
            return;
        }
        origin.written[k] = std::move((*field)->value);
        origin.lines[k] = (*field)->line;
    }
    decision.visited.push_back({index, std::nullopt});
    decision.table.push_back(deviceConfigOf(origin.written));
    decision.origins.push_back(std::move(origin));
}

std::uint16_t low16(const std::string& hex) { return static_cast<std::uint16_t>(readInteger(hex, 16).value); }

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
    for (std::size_t entry = 0; entry < kBuiltInEntries.size(); ++entry) {
        list.push_back(deviceConfigOf(builtInWritten(entry)));
    }
}

DeviceConfig deviceConfigOf(const WrittenEntry& written) {
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
    entry.productName = written[kProductName];
    entry.reportId = readInteger(written[kReport], 16).value;
    entry.deviceName = written[kDeviceName];
    return entry;
}

}  // namespace tamo
