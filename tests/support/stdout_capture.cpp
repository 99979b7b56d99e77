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
    // Compare the bytes the library wrote, without the CRT's LF -> CR LF.
    savedMode_ = _setmode(tamo_fileno(stdout), _O_BINARY);
#endif
}

StdoutCapture::~StdoutCapture() { stop(); }

void StdoutCapture::stop() {
    if (stopped_) return;
    stopped_ = true;
    std::fflush(stdout);
    if (!file_) return;
#if defined(_WIN32)
    _setmode(tamo_fileno(stdout), savedMode_);
#endif
    tamo_dup2(savedStdout_, tamo_fileno(stdout));
    tamo_close(savedStdout_);
    std::rewind(file_);
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text_.append(buffer, n);
    std::fclose(file_);
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
