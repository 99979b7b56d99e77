#include "stdout_capture.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#define tamo_dup _dup
#define tamo_dup2 _dup2
#define tamo_close _close
#define tamo_fileno _fileno
#else
#include <unistd.h>
#define tamo_dup dup
#define tamo_dup2 dup2
#define tamo_close close
#define tamo_fileno fileno
#endif

namespace tamo::test {

StdoutCapture::StdoutCapture() {
    std::fflush(stdout);
    file_ = std::tmpfile();
    if (!file_) return;
    savedStdout_ = tamo_dup(tamo_fileno(stdout));
    tamo_dup2(tamo_fileno(file_), tamo_fileno(stdout));
#if defined(_WIN32)
    // The duplicate inherits the temporary file's binary mode; a host's
    // stdout is in text mode, the only mode in which wide output becomes
    // narrow text.
    _setmode(tamo_fileno(stdout), _O_TEXT);
#endif
}

StdoutCapture::~StdoutCapture() { stop(); }

void StdoutCapture::stop() {
    if (stopped_) return;
    stopped_ = true;
    std::fflush(stdout);
    if (!file_) return;
    tamo_dup2(savedStdout_, tamo_fileno(stdout));
    tamo_close(savedStdout_);
    std::rewind(file_);
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text_.append(buffer, n);
    std::fclose(file_);
#if defined(_WIN32)
    // Stdout is in text mode, as in a host (wide output is only converted to
    // narrow text in that mode): undo its LF -> CR LF to get the library's
    // own bytes back.
    std::string own;
    for (std::size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') continue;
        own += text_[i];
    }
    text_ = std::move(own);
#endif
}

std::string StdoutCapture::text() {
    stop();
    return text_;
}

std::vector<std::string> StdoutCapture::lines() { return splitLines(text()); }

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace tamo::test
