// Collecting the library's diagnostic lines instead of writing them to
// standard output: for the tool's reports, for tests and for fuzzers. An
// internal facility; the DLL exports nothing of it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {

// While an object lives, every line of printLine and printWideLine, from
// any thread, is appended to it instead of reaching standard output. The
// bytes are those standard output would have received: each line followed
// by "\n" (wide text as UTF-8, or on Windows narrowed to the low byte of
// each unit). Redirects nest: the one made last collects, and its end
// restores the one before.
class LineRedirect {
public:
    // Receives one line at a time, without its "\n", instead of keeping it.
    using Receiver = std::function<void(std::string_view line)>;

    // Keeps the lines, for text() and lines().
    LineRedirect();
    // Hands each line to `receiver` as it comes (calls never overlap), for
    // a run too long to keep everything it prints. The receiver must not
    // print library lines itself: the line being delivered holds the lock.
    explicit LineRedirect(Receiver receiver);
    ~LineRedirect();
    LineRedirect(const LineRedirect&) = delete;
    LineRedirect& operator=(const LineRedirect&) = delete;

    // What was collected; read it once the printing threads are done.
    const std::string& text() const { return text_; }
    // The same split at "\n", without the "\n"; no empty piece after the
    // last line end.
    std::vector<std::string> lines() const;

    // Called by the library's printing functions, one whole line at a time.
    static bool deliver(std::string_view line);

private:
    void append(std::string_view line);

    Receiver receiver_;
    LineRedirect* previous_;
    std::string text_;
};

}  // namespace tamo
