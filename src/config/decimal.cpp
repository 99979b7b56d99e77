#include "config/decimal.h"

#include <climits>
#include <cstdint>

namespace tamo {
namespace {

// The C locale's isspace, without depending on the process's locale.
bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int parseDecimal(std::string_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Once the magnitude passes 2^31 the result is a limit whatever follows,
    // so it stops growing there and cannot overflow.
    constexpr std::int64_t saturated = std::int64_t{INT_MAX} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (magnitude < saturated) magnitude = magnitude * 10 + (text[i] - '0');
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace tamo
