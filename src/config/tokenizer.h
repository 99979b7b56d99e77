// Cutting a line at "=" the way the configuration format has always been cut.
#pragma once

#include <optional>
#include <string_view>

namespace tamo {

// Splits a text into tokens separated by runs of one delimiter character,
// with strtok_r's rules: each call skips the delimiters in front of the
// next token, the token runs to the next delimiter or the end, and that
// delimiter is consumed. The position is the context shared by successive
// calls. Written out because the Windows C library has no strtok_r, and
// because it never writes into the text.
class Tokenizer {
public:
    Tokenizer(std::string_view text, char delimiter) : rest_(text), delimiter_(delimiter) {}

    // The next token, or nothing when only delimiters (or nothing) are left.
    std::optional<std::string_view> next() {
        std::size_t start = rest_.find_first_not_of(delimiter_);
        if (start == std::string_view::npos) {
            rest_ = {};
            return std::nullopt;
        }
        rest_.remove_prefix(start);
        std::size_t end = rest_.find(delimiter_);
        std::string_view token = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        return token;
    }

private:
    std::string_view rest_;
    char delimiter_;
};

}  // namespace tamo
