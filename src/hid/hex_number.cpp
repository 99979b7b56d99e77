#include "hid/hex_number.h"

#include <limits>
#include <string_view>

namespace tamo {
namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::int32_t parseHexInt32(std::string_view text) {
    std::size_t at = text.find_first_not_of(kWhiteSpace);
    if (at == std::string_view::npos) return 0;
    text.remove_prefix(at);

    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // A "0x" without a digit after it is the number 0 followed by an "x":
    // either way the value is 0.
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);

    // Past 2^31 the result is clamped whatever follows, so the magnitude
    // stops growing there.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    for (char c : text) {
        int digit = hexDigit(c);
        if (digit < 0) break;
        if (magnitude <= kLimit) magnitude = magnitude * 16 + static_cast<std::uint64_t>(digit);
    }

    if (negative) {
        if (magnitude >= kLimit) return std::numeric_limits<std::int32_t>::min();
        return -static_cast<std::int32_t>(magnitude);
    }
    if (magnitude >= kLimit) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(magnitude);
}

}  // namespace tamo
