#include "inspect/text_forms.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace tamo::inspect {

std::string hexDigits(std::uint64_t value, std::size_t width) {
    std::array<char, 16> buffer{};
    char* end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, 16).ptr;
    std::string digits(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    std::transform(digits.begin(), digits.end(), digits.begin(),
                   [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c; });
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string hexNumber(std::int64_t value) {
    if (value < 0) return "-0x" + hexDigits(static_cast<std::uint64_t>(-value), 1);
    return "0x" + hexDigits(static_cast<std::uint64_t>(value), 4);
}

std::string visibleText(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            out += hexDigits(byte, 2);
        }
    }
    return out;
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) about a literal
// joined to a temporary string.
std::string quoted(std::string_view text) {
    std::string out(1, '\'');
    out += visibleText(text);
    out += '\'';
    return out;
}

std::string lineList(std::vector<int> lines) {
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    std::vector<std::string> runs;
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t j = i;
        while (j + 1 < lines.size() && lines[j + 1] == lines[j] + 1) ++j;
        // Two neighbours are listed apart; three or more make a run.
        runs.push_back(j > i + 1 ? std::to_string(lines[i]) + "-" + std::to_string(lines[j])
                                 : std::to_string(lines[i]));
        if (j == i + 1) runs.push_back(std::to_string(lines[j]));
        i = j + 1;
    }
    std::string text;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (i > 0) text += i + 1 == runs.size() ? " and " : ", ";
        text += runs[i];
    }
    return (lines.size() == 1 ? "line " : "lines ") + text;
}

}  // namespace tamo::inspect
