#include "platform/line_redirect.h"

namespace tamo {

LineRedirect::LineRedirect() : previous_(current_.exchange(this)) {}

LineRedirect::~LineRedirect() { current_.store(previous_); }

std::vector<std::string> LineRedirect::lines() const {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text_.size()) {
        std::size_t end = text_.find('\n', start);
        if (end == std::string::npos) end = text_.size();
        lines.push_back(text_.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void LineRedirect::receive(std::string_view line) {
    text_.append(line);
    text_.push_back('\n');
}

}  // namespace tamo
