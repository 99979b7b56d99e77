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

constexpr unsigned long kReplacement = 0xFFFD;

// The code point at the start of `text` and its length in bytes.
unsigned long decodeUtf8(std::string_view text, std::size_t& length) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    length = 1;
    if (lead < 0x80) return lead;
    const std::size_t extra = lead >= 0xF0 && lead <= 0xF4   ? 3
                              : lead >= 0xE0 && lead < 0xF0 ? 2
                              : lead >= 0xC2 && lead < 0xE0 ? 1
                                                            : 0;
    if (extra == 0 || text.size() <= extra) return kReplacement;
    unsigned long c = lead & (0x3Fu >> extra);
    for (std::size_t i = 1; i <= extra; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (byte(i) & 0x3Fu);
    }
    const bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    length = extra + 1;
    return c;
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

std::wstring utf16FromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    while (!text.empty()) {
        std::size_t length = 1;
        unsigned long c = decodeUtf8(text, length);
        text.remove_prefix(length);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

}  // namespace tamo
