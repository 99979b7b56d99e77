#include "config/integer_text.h"

#include <limits>

namespace tamo {
namespace {

// The C locale's isspace, without depending on the process's locale.
bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digitValue(char c, int base) {
    int value = base;
    if (c >= '0' && c <= '9') value = c - '0';
    else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return value < base ? value : -1;
}

bool hasHexPrefix(std::string_view text, std::size_t at) {
    return at + 2 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X') &&
           digitValue(text[at + 2], 16) >= 0;
}

}  // namespace

IntegerText readInteger(std::string_view text, int base) noexcept {
    std::size_t at = 0;
    while (at < text.size() && isWhiteSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // A "0x" without a digit after it is the number 0 followed by an "x".
    if (base == 16 && hasHexPrefix(text, at)) at += 2;

    // Past 2^31 the result is clamped whatever follows, so the magnitude
    // stops growing there and cannot overflow.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    const std::size_t first = at;
    for (int digit = 0; at < text.size() && (digit = digitValue(text[at], base)) >= 0; ++at) {
        if (magnitude <= kLimit) magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    }
    IntegerText result;
    if (at == first) return result;
    result.hasDigits = true;
    result.end = at;
    result.clamped = negative ? magnitude > kLimit : magnitude >= kLimit;
    if (negative) {
        result.value = magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                                           : -static_cast<std::int32_t>(magnitude);
    } else {
        result.value = magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max()
                                           : static_cast<std::int32_t>(magnitude);
    }
    return result;
}

}  // namespace tamo
