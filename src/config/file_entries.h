// The pairs of hmd_config.ini that the device table reads: each entry key
// under its index, and NUM_OF_CONFIG.
#pragma once

#include "config/config_text.h"
#include "config/hmd_config.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace tamo {

// A value of the file: where it stands in FileEntries' text, and its line
// (0 while the file has given none).
struct Field {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    LineNumber line = 0;

    explicit operator bool() const { return line > 0; }
};
using EntryFields = std::array<Field, kEntryKeyCount>;

// A later pair of a key replaces an earlier one.
//
// Whatever the file's layout, it costs a small record per entry key line
// and the bytes of its values, and never a copy of everything it holds: a
// file that gives each line a new index must not cost a whole entry per
// line. The records are kept in the order the file gives them and put in
// index order once, when the file has been read; a file whose entries come
// in order needs no sorting at all.
class FileEntries {
public:
    void add(LineNumber line, std::string_view key, std::string_view value);
    // Puts the records in index order, the lines of an index in file order.
    void finish();

    const std::optional<Field>& count() const { return count_; }
    std::string_view value(const Field& field) const { return std::string_view(text_).substr(field.offset, field.size); }

    // After finish: how many indices from 1 to last the file gives all
    // seven keys of.
    std::size_t completeEntriesUpTo(int last) const;

    // After finish: visit(index, fields) for every index from 1 to last,
    // with the entry's fields or null when the file names none of its keys.
    template <class Visit>
    void forEachIndexUpTo(int last, Visit visit) const {
        int next = 1;
        forEachEntry(1, last, [&](int index, const EntryFields& fields) {
            for (; next < index; ++next) visit(next, nullptr);
            visit(index, &fields);
            next = index + 1;
        });
        for (; next <= last; ++next) visit(next, nullptr);
    }

    // After finish: visit(index, fields) for the entries in (after, last]
    // for which the file holds a VENDORID key, in ascending order of index.
    template <class Visit>
    void forEachVendorEntry(int after, int last, Visit visit) const {
        if (after == std::numeric_limits<int>::max()) return;
        forEachEntry(after + 1, last, [&](int index, const EntryFields& fields) {
            if (fields[0]) visit(index, fields);
        });
    }

private:
    // One entry key's line.
    struct KeyLine {
        LineNumber line = 0;
        int index = 0;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
        std::uint8_t field = 0;
    };

    // visit(index, fields) for each index from first to last that the file
    // names a key of, in ascending order; each field from the last line
    // that gave it.
    template <class Visit>
    void forEachEntry(int first, int last, Visit visit) const {
        auto it = std::partition_point(keyLines_.begin(), keyLines_.end(),
                                       [first](const KeyLine& keyLine) { return keyLine.index < first; });
        while (it != keyLines_.end() && it->index <= last) {
            const int index = it->index;
            EntryFields fields{};
            for (; it != keyLines_.end() && it->index == index; ++it) {
                fields[it->field] = Field{it->offset, it->size, it->line};
            }
            visit(index, fields);
        }
    }

    Field keep(LineNumber line, std::string_view value);

    std::string text_;
    std::optional<Field> count_;
    // A deque grows by blocks: no moment holds the records twice.
    std::deque<KeyLine> keyLines_;
    bool ordered_ = true;
};

}  // namespace tamo
