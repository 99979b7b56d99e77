#include "config/line_reader.h"

#include <string_view>

namespace tamo {
namespace {

constexpr char kEndOfText = '\x1A';

}  // namespace

LineReader::LineReader(std::FILE* file) : file_(file) {}

bool LineReader::fill() {
    begin_ = 0;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (end_ > 0 && buffer_[end_ - 1] == kEndOfText && isAtEnd()) --end_;
    return end_ > 0;
}

bool LineReader::isAtEnd() {
    int next = std::fgetc(file_);
    if (next == EOF) return true;
    std::ungetc(next, file_);
    return false;
}

bool LineReader::next(std::string& line) {
    line.clear();
    bool extracted = false;
    for (;;) {
        if (begin_ == end_ && !fill()) return extracted && !std::ferror(file_);
        std::string_view chunk = std::string_view(buffer_.data(), end_).substr(begin_);
        std::size_t lineEnd = chunk.find('\n');
        if (lineEnd == std::string_view::npos) {
            line.append(chunk);
            begin_ = end_;
            extracted = true;
            continue;
        }
        line.append(chunk.substr(0, lineEnd));
        begin_ += lineEnd + 1;
        // The CR may have come with the previous chunk; the line holds it.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    }
}

}  // namespace tamo
