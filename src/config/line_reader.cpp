#include "config/line_reader.h"

namespace tamo {
namespace {

constexpr char kEndOfText = '\x1A';

}  // namespace

LineReader::LineReader(std::FILE* file) : file_(file) {}

LineReader::LineReader(std::string_view bytes) : rest_(bytes.substr(0, bytes.find(kEndOfText))) {}

bool LineReader::fill() {
    if (file_ == nullptr || ended_) return false;
    rest_ = std::string_view(buffer_.data(), std::fread(buffer_.data(), 1, buffer_.size(), file_));
    if (std::size_t end = rest_.find(kEndOfText); end != std::string_view::npos) {
        rest_ = rest_.substr(0, end);
        ended_ = true;
    }
    return !rest_.empty();
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
