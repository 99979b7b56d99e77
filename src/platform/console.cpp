#include "platform/console.h"

#include "platform/diagnostics_sink.h"
#include "platform/line_redirect.h"
#include "platform/win32.h"

// _WIN32 here chooses the C runtime the lines go through, not the Windows
// API: the simulator DLL runs on the emulated Windows but writes to the
// real stdout through the Windows C runtime, as the real DLL does.
#if !defined(_WIN32)
#include "platform/emulated/utf8.h"

#include <cerrno>
#include <sys/uio.h>
#endif

#include <array>
#include <cstdio>
#include <memory>
#include <new>

namespace tamo {

std::atomic<LineRedirect*> LineRedirect::current_{nullptr};

namespace {

// Lines of different threads reach a redirect one at a time. A spin lock,
// because the 32-bit Windows build has no std::mutex; it is only ever held
// for one line.
std::atomic_flag redirecting = ATOMIC_FLAG_INIT;

class RedirectLock {
public:
    RedirectLock() {
        while (redirecting.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~RedirectLock() { redirecting.clear(std::memory_order_release); }
    RedirectLock(const RedirectLock&) = delete;
    RedirectLock& operator=(const RedirectLock&) = delete;
};

// Holds stdout's own lock for one whole line, so that the stream calls of
// another thread cannot come between its parts.
class StdoutLock {
public:
#if defined(_WIN32)
    StdoutLock() { _lock_file(stdout); }
    ~StdoutLock() { _unlock_file(stdout); }
#else
    StdoutLock() { flockfile(stdout); }
    ~StdoutLock() { funlockfile(stdout); }
#endif
    StdoutLock(const StdoutLock&) = delete;
    StdoutLock& operator=(const StdoutLock&) = delete;
};

#if defined(_WIN32)
// Through the stream, which in text mode turns each line end into CR LF.
// The C runtime writes its text-mode output in pieces of its own size, so a
// line longer than that reaches the file in several writes; the stream's
// lock keeps another thread's output from coming between them.
void writeWholeLine(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
#else
// The line and its end in one write to the stream's descriptor, however
// long: a reader of a pipe or a log gets it whole, never mixed with another
// process's output. What the stream holds goes first.
void writeWholeLine(std::string_view text) {
    std::fflush(stdout);
    char lineEnd = '\n';
    std::array<iovec, 2> parts{{{const_cast<char*>(text.data()), text.size()}, {&lineEnd, 1}}};
    std::size_t first = 0;  // the first part not yet written whole
    while (first < parts.size()) {
        const ssize_t written = ::writev(fileno(stdout), &parts[first], static_cast<int>(parts.size() - first));
        if (written < 0) {
            if (errno == EINTR) continue;
            return;  // nowhere to write to: the line is lost, as fwrite would lose it
        }
        // A write cut short (a full pipe, a signal) goes on where it stopped.
        auto rest = static_cast<std::size_t>(written);
        while (first < parts.size() && rest >= parts[first].iov_len) rest -= parts[first++].iov_len;
        if (first < parts.size()) {
            parts[first].iov_base = static_cast<char*>(parts[first].iov_base) + rest;
            parts[first].iov_len -= rest;
        }
    }
}
#endif

// A line and its end as one string for OutputDebugString: on the stack
// when it is short, since a shortage of memory must not cost the line that
// reports it. The debugger's string ends at a NUL, as a C string does.
template <class Char, class Output>
void sendToDebugger(std::basic_string_view<Char> text, Output output) {
    constexpr std::size_t kShortLine = 512;
    std::array<Char, kShortLine + 2> small{};
    std::unique_ptr<Char[]> large;
    Char* line = small.data();
    if (text.size() > kShortLine) {
        large.reset(new (std::nothrow) Char[text.size() + 2]);
        if (!large) return;
        line = large.get();
    }
    std::copy(text.begin(), text.end(), line);
    line[text.size()] = Char('\n');
    line[text.size() + 1] = Char(0);
    output(line);
}

// The one place a narrow line leaves the library. Written as bytes: a line
// may hold any byte, NUL included.
void writeLine(std::string_view text) {
    if (LineRedirect::deliver(text)) return;
    switch (diagnosticsSink()) {
    case DiagnosticsSink::Off:
        return;
    case DiagnosticsSink::Debugger:
        sendToDebugger(text, [](const char* line) { OutputDebugStringA(line); });
        return;
    case DiagnosticsSink::Stdout:
        break;
    }
    StdoutLock lock;
    writeWholeLine(text);
}

#if defined(_WIN32)
// What a redirect receives of a wide line: each unit's low byte, the way
// the library narrows all wide text.
std::string narrowed(const std::wstring& text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (wchar_t unit : text) narrow.push_back(static_cast<char>(static_cast<unsigned char>(unit & 0xFF)));
    return narrow;
}
#endif

}  // namespace

bool LineRedirect::deliver(std::string_view line) {
    LineRedirect* redirect = current_.load();
    if (redirect == nullptr) return false;
    RedirectLock lock;
    redirect->receive(line);
    return true;
}

void printLine(std::string_view text) { writeLine(text); }

void printWideLine(const std::wstring& text) {
#if defined(_WIN32)
    if (LineRedirect::deliver(narrowed(text))) return;
    if (diagnosticsSink() == DiagnosticsSink::Off) return;
    if (diagnosticsSink() == DiagnosticsSink::Debugger) {
        sendToDebugger(std::wstring_view(text), [](const wchar_t* line) { OutputDebugStringW(line); });
        return;
    }
    StdoutLock lock;
    // What wprintf's "%ls\n" writes, unit by unit through the stream, without
    // linking a formatter for it: up to the first NUL, then the line end.
    std::fputws(text.c_str(), stdout);
    std::fputwc(L'\n', stdout);
    std::fflush(stdout);
#else
    writeLine(utf8FromUtf16(text));
#endif
}

}  // namespace tamo
