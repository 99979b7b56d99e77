// Integers written as text: decimal in the configuration file, hexadecimal
// in the device table. One reading of them, used by the library and by
// every tool that explains what the library read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tamo {

struct IntegerText {
    // Clamped to the 32-bit range; 0 when there are no digits.
    std::int32_t value = 0;
    bool hasDigits = false;
    // Where the number ended: the first character after its digits (0 when
    // there are none, as strtol's end pointer would say).
    std::size_t end = 0;
    // The digits named a number outside the 32-bit range.
    bool clamped = false;
};

// Reads `text` as strtol does with a 32-bit long in `base` (10 or 16):
// leading white space, an optional sign, in base 16 an optional 0x or 0X,
// then digits up to the first other character; the rest is ignored. A
// magnitude out of range gives the largest or smallest 32-bit value.
IntegerText readInteger(std::string_view text, int base) noexcept;

}  // namespace tamo
