#include "output_capture.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#define tool_dup _dup
#define tool_dup2 _dup2
#define tool_close _close
#define tool_fileno _fileno
#else
#include <unistd.h>
#define tool_dup dup
#define tool_dup2 dup2
#define tool_close close
#define tool_fileno fileno
#endif

#include "platform/win32.h"

#include <array>

namespace tamo::tool {

#if defined(_WIN32)
namespace {

// A temporary file that goes away when it is closed. On Windows the C
// library's tmpfile() creates its file in the root of the current drive,
// where a user may not write; the user's temporary directory is used.
std::FILE* temporaryFile() {
    std::array<wchar_t, MAX_PATH + 1> directory{};
    DWORD length = GetTempPathW(static_cast<DWORD>(directory.size()), directory.data());
    std::array<wchar_t, MAX_PATH> name{};
    if (length == 0 || length >= directory.size() || !GetTempFileNameW(directory.data(), L"tms", 0, name.data())) {
        return std::tmpfile();
    }
    // "D": deleted when closed.
    std::FILE* file = _wfopen(name.data(), L"w+bD");
    if (!file) DeleteFileW(name.data());
    return file;
}

// Lines of `text`, split at "\n"; a "\r" before it (text mode) is dropped.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace

OutputCapture::OutputCapture() {
    std::fflush(stdout);
    savedStdout_ = tool_dup(tool_fileno(stdout));
    if (savedStdout_ < 0) return;
    file_ = temporaryFile();
    int target = file_ ? tool_fileno(file_) : tool_fileno(stderr);
    tool_dup2(target, tool_fileno(stdout));
    // The duplicate takes over the target's binary mode; wide output only
    // becomes narrow text in text mode, as on a host's stdout.
    _setmode(tool_fileno(stdout), _O_TEXT);
}

OutputCapture::~OutputCapture() { finish(); }

std::vector<std::string> OutputCapture::finish() {
    if (finished_) return lines_;
    finished_ = true;
    std::fflush(stdout);
    if (savedStdout_ >= 0) {
        tool_dup2(savedStdout_, tool_fileno(stdout));
        tool_close(savedStdout_);
    }
    if (!file_) return lines_;
    std::rewind(file_);
    std::string text;
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), file_)) > 0) text.append(buffer.data(), count);
    std::fclose(file_);
    file_ = nullptr;
    lines_ = splitLines(text);
    return lines_;
}

#else

OutputCapture::OutputCapture() { redirect_.emplace(); }

OutputCapture::~OutputCapture() { finish(); }

std::vector<std::string> OutputCapture::finish() {
    if (finished_) return lines_;
    finished_ = true;
    lines_ = redirect_->lines();
    redirect_.reset();
    return lines_;
}

#endif

}  // namespace tamo::tool

#if defined(_WIN32)
#define tool_fdopen _fdopen
#else
#define tool_fdopen fdopen
#endif

namespace tamo::tool {

ReservedStdout::ReservedStdout() {
    std::fflush(stdout);
    int saved = tool_dup(tool_fileno(stdout));
    if (saved < 0) return;
    stream_ = tool_fdopen(saved, "w");
    if (!stream_) {
        tool_close(saved);
        return;
    }
    tool_dup2(tool_fileno(stderr), tool_fileno(stdout));
}

ReservedStdout::~ReservedStdout() {
    if (!stream_) return;
    std::fflush(stdout);
    std::fflush(stream_);
    tool_dup2(tool_fileno(stream_), tool_fileno(stdout));
    std::fclose(stream_);
}

}  // namespace tamo::tool
