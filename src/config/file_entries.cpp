#include "config/file_entries.h"

#include <algorithm>
#include <limits>
#include <new>

namespace tamo {
namespace {

// Room for a file of a few entries without growing; no file, no room.
constexpr std::size_t kSmallFileValues = 256;

}  // namespace

void FileEntries::add(LineNumber line, std::string_view key, std::string_view value) {
    if (text_.capacity() < kSmallFileValues) text_.reserve(kSmallFileValues);
    if (key == config_key::kNumOfConfig) {
        count_ = keep(line, value);
        return;
    }
    std::optional<EntryKeyRef> entryKey = entryKeyOf(key);
    if (!entryKey) return;
    const Field field = keep(line, value);
    if (!keyLines_.empty() && keyLines_.back().index > entryKey->index) ordered_ = false;
    keyLines_.push_back(KeyLine{line, entryKey->index, field.offset, field.size, static_cast<std::uint8_t>(entryKey->field)});
}

void FileEntries::finish() {
    if (ordered_) return;
    // Lines are unique, so this order is total and needs no stable sort
    // (which would want a buffer as large as the records).
    std::sort(keyLines_.begin(), keyLines_.end(), [](const KeyLine& a, const KeyLine& b) {
        return a.index != b.index ? a.index < b.index : a.line < b.line;
    });
    ordered_ = true;
}

std::size_t FileEntries::completeEntriesUpTo(int last) const {
    std::size_t complete = 0;
    forEachEntry(1, last, [&complete](int, const EntryFields& fields) {
        if (std::all_of(fields.begin(), fields.end(), [](const Field& field) { return bool(field); })) ++complete;
    });
    return complete;
}

// The values share one buffer: a large file then costs no allocation per
// value. Past 4 GiB of values the file counts as too large to hold, as it
// does when memory runs out.
Field FileEntries::keep(LineNumber line, std::string_view value) {
    if (value.size() > std::numeric_limits<std::uint32_t>::max() - text_.size()) throw std::bad_alloc();
    Field field{static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(value.size()), line};
    text_.append(value);
    return field;
}

}  // namespace tamo
