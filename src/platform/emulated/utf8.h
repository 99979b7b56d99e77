#pragma once

#include <string>
#include <string_view>

namespace tamo {

// UTF-8 from a sequence of UTF-16 code units (one unit per element, however
// wide the element type). Unpaired surrogates are encoded as they stand.
std::string utf8FromUtf16(std::wstring_view units);

// UTF-16 code units from UTF-8; a byte that does not begin a valid sequence
// becomes U+FFFD.
std::wstring utf16FromUtf8(std::string_view text);

}  // namespace tamo
