#include "config/line_reader.h"

namespace tamo {
namespace {

constexpr char kEndOfText = '\x1A';

}  // namespace

LineReader::LineReader(std::FILE* file) : file_(file) {}

LineReader::LineReader(std::string_view bytes) : rest_(bytes) {
    if (!rest_.empty() && rest_.back() == kEndOfText) rest_.remove_suffix(1);
}

bool LineReader::fill() {
    if (file_ == nullptr) return false;
    std::size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (got > 0 && buffer_[got - 1] == kEndOfText && isAtEnd()) --got;
    rest_ = std::string_view(buffer_.data(), got);
    return got > 0;
}

bool LineReader::isAtEnd() {
    int next = std::fgetc(file_);
    if (next == EOF) return true;
    std::ungetc(next, file_);
    return false;
}

bool LineReader::failed() const { return file_ != nullptr && std::ferror(file_); }

bool LineReader::next(std::string_view& line) {
    joined_.clear();
    bool spans = false;
    for (;;) {
        if (rest_.empty() && !fill()) {
            line = joined_;
            return spans && !failed();
        }
        std::size_t lineEnd = rest_.find('\n');
        if (lineEnd == std::string_view::npos) {
            joined_.append(rest_);
            rest_ = {};
            spans = true;
            continue;
        }
        line = rest_.substr(0, lineEnd);
        if (spans) line = joined_.append(line);
        rest_.remove_prefix(lineEnd + 1);
        // The CR may have come with the previous chunk; the line holds it.
        if (line.ends_with('\r')) line.remove_suffix(1);
        return true;
    }
}

}  // namespace tamo
