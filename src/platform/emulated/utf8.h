#pragma once

#include <string>
#include <string_view>

namespace tamo {

// UTF-8 from a sequence of UTF-16 code units (one unit per element, however
// wide the element type). Unpaired surrogates are encoded as they stand.
std::string utf8FromUtf16(std::wstring_view units);

}  // namespace tamo
