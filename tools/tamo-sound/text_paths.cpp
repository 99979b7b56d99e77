#include "text_paths.h"

#include "platform/win32.h"

#include <vector>

#if !defined(_WIN32)
#include "platform/emulated/world.h"
#include "platform/emulated/utf8.h"

#include <filesystem>
#include <system_error>
#endif

namespace tamo::tool {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool isHigh(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLow(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Valid UTF-16: each unit that is half of no pair becomes U+FFFD.
std::wstring pairedOnly(std::wstring_view units) {
    std::wstring valid;
    valid.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const unsigned unit = static_cast<unsigned>(units[i]) & 0xFFFF;
        if (isHigh(unit) && i + 1 < units.size() && isLow(static_cast<unsigned>(units[i + 1]) & 0xFFFF)) {
            valid += static_cast<wchar_t>(unit);
            valid += static_cast<wchar_t>(static_cast<unsigned>(units[++i]) & 0xFFFF);
        } else {
            valid += isHigh(unit) || isLow(unit) ? kReplacement : static_cast<wchar_t>(unit);
        }
    }
    return valid;
}

}  // namespace

#if defined(_WIN32)

// Windows' own conversions; an invalid byte becomes U+FFFD.
std::string utf8FromWide(std::wstring_view units) {
    const std::wstring valid = pairedOnly(units);
    if (valid.empty()) return {};
    const int size = static_cast<int>(valid.size());
    std::string out(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, valid.data(), size, nullptr, 0, nullptr, nullptr)),
        '\0');
    WideCharToMultiByte(CP_UTF8, 0, valid.data(), size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

std::wstring wideFromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring out(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), static_cast<int>(out.size()));
    return out;
}

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

std::string utf8FromWide(std::wstring_view units) { return utf8FromUtf16(pairedOnly(units)); }

std::wstring wideFromUtf8(std::string_view text) { return utf16FromUtf8(text); }

std::wstring programDirectoryWide() { return emulated::windowsPathOf(programDirectoryHost()); }

std::wstring windowsPathOf(const std::string& argument) { return emulated::windowsPathOf(argument); }

#endif

}  // namespace tamo::tool
