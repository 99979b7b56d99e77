// How the reports write the bytes and numbers of a configuration file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamo::inspect {

// Printable ASCII as it stands, a backslash doubled, every other byte as
// \xNN: a value's blanks, CRs and UTF-8 bytes stay visible and unambiguous.
std::string visibleText(std::string_view text);
// The same between single quotes.
std::string quoted(std::string_view text);

// `value` in upper-case hexadecimal digits, zero-padded to `width`.
std::string hexDigits(std::uint64_t value, std::size_t width);
// A table number as the configuration report writes it: "0x2E5C", "-0x1".
std::string hexNumber(std::int64_t value);

// "line 2", "lines 2 and 5", "lines 2, 5 and 9", "lines 2-5".
std::string lineList(std::vector<int> lines);

}  // namespace tamo::inspect
