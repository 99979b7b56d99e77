// Decimal numbers in configuration values.
#pragma once

#include <string_view>

namespace tamo {

// Reads `text` as strtol does in base 10 and clamps the result to the int
// range: leading white space, an optional sign, then digits up to the first
// other character. A text that does not start with a number gives 0.
// Never throws, whatever the text.
int parseDecimal(std::string_view text) noexcept;

}  // namespace tamo
