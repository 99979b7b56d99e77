#include "platform/emulated/utf8.h"

namespace tamo {
namespace {

void appendUtf8(std::string& out, unsigned long c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isHighSurrogate(unsigned long c) { return c >= 0xD800 && c < 0xDC00; }
bool isLowSurrogate(unsigned long c) { return c >= 0xDC00 && c < 0xE000; }

}  // namespace

std::string utf8FromUtf16(std::wstring_view units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        unsigned long c = static_cast<unsigned long>(units[i]) & 0xFFFFu;
        if (isHighSurrogate(c) && i + 1 < units.size()) {
            unsigned long low = static_cast<unsigned long>(units[i + 1]) & 0xFFFFu;
            if (isLowSurrogate(low)) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        appendUtf8(out, c);
    }
    return out;
}

}  // namespace tamo
