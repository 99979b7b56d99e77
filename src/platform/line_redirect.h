// Collecting the library's diagnostic lines instead of writing them to
// standard output: for the tool's reports, for tests and for fuzzers. An
// internal facility; the DLL exports nothing of it.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {

// While an object lives, every line of printLine and printWideLine, from
// any thread, is handed to it instead of reaching standard output. The
// bytes are those standard output would have received: each line followed
// by "\n" (wide text as UTF-8, or on Windows narrowed to the low byte of
// each unit). Redirects nest: the one made last collects, and its end
// restores the one before.
class LineRedirect {
public:
    LineRedirect();
    virtual ~LineRedirect();
    LineRedirect(const LineRedirect&) = delete;
    LineRedirect& operator=(const LineRedirect&) = delete;

    // What was collected; read it once the printing threads are done.
    const std::string& text() const { return text_; }
    // The same split at "\n", without the "\n"; no empty piece after the
    // last line end.
    std::vector<std::string> lines() const;

    // Hands `line` to the redirect that lives, if one does; false when none
    // does. Called by the library's printing functions, a whole line at a
    // time.
    static bool deliver(std::string_view line);

protected:
    // One line, without its "\n"; calls never overlap. Kept by default. A
    // class that overrides it (a run too long to keep what it prints) must
    // not print library lines itself: the line being delivered holds the
    // lock.
    virtual void receive(std::string_view line);

private:
    // Defined beside deliver, so that the DLL needs nothing else of this
    // class.
    static std::atomic<LineRedirect*> current_;

    LineRedirect* previous_;
    std::string text_;
};

}  // namespace tamo
