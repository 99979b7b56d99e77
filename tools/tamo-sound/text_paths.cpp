#include "text_paths.h"

#include "platform/win32.h"

#include <vector>

#if !defined(_WIN32)
#include <filesystem>
#include <system_error>
#endif

namespace tamo::tool {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
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

void appendUtf16(std::wstring& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<wchar_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (c >> 10));
    out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
}

// The code point at the start of `text` and its length in bytes; an invalid
// byte gives U+FFFD and length 1.
char32_t decodeUtf8(std::string_view text, std::size_t& length) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    length = 1;
    if (lead < 0x80) return lead;
    std::size_t extra = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : 0;
    if (extra == 0 || text.size() <= extra) return kReplacement;
    char32_t c = lead & (0x3F >> extra);
    for (std::size_t i = 1; i <= extra; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    length = extra + 1;
    return c;
}

}  // namespace

std::string utf8FromWide(std::wstring_view units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t unit = static_cast<char32_t>(units[i]) & 0xFFFF;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size()) {
            char32_t low = static_cast<char32_t>(units[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    return out;
}

std::wstring wideFromUtf8(std::string_view text) {
    std::wstring out;
    while (!text.empty()) {
        std::size_t length = 1;
        appendUtf16(out, decodeUtf8(text, length));
        text.remove_prefix(length);
    }
    return out;
}

#if defined(_WIN32)

std::wstring programDirectoryWide() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return L".";
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            return path.substr(0, path.find_last_of(L'\\'));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring windowsPathOf(const std::string& argument) { return wideFromUtf8(argument); }

#else

std::string programDirectoryHost() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error).string();
    return self.parent_path().string();
}

std::wstring emulatedWindowsPath(const std::string& hostPath) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(hostPath, error);
    std::string text = (error ? std::filesystem::path(hostPath) : absolute.lexically_normal()).string();
    // A trailing separator would leave an empty last component.
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    std::wstring path = L"Z:";
    for (wchar_t c : wideFromUtf8(text)) path += c == L'/' ? L'\\' : c;
    return path;
}

std::wstring programDirectoryWide() { return emulatedWindowsPath(programDirectoryHost()); }

std::wstring windowsPathOf(const std::string& argument) { return emulatedWindowsPath(argument); }

#endif

}  // namespace tamo::tool
