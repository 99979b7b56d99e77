// Numbers in the device table are hexadecimal text.
#pragma once

#include <cstdint>
#include <string_view>

namespace tamo {

// Reads `text` as a signed 32-bit base-16 number the way the C library's
// strtol does with a 32-bit long: leading white space, an optional sign, an
// optional 0x or 0X, then hexadecimal digits up to the first other
// character. No digits gives 0; a magnitude out of range gives the largest
// or smallest 32-bit value.
std::int32_t parseHexInt32(std::string_view text);

}  // namespace tamo
