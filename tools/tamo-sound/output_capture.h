// Collecting the diagnostic lines of the six exported functions instead of
// letting them reach standard output.
//
// The natively linked library's lines are redirected inside the process.
// The Windows program calls tamo_settings.dll, which writes to the
// process's standard output (file descriptor 1) like in any host, so there
// descriptor 1 is moved to a temporary file for the duration of a call and
// the lines are read back afterwards. The tool's own uses of the library's
// configuration and HID code take its lines with a LineRedirect directly.
#pragma once

#include "platform/line_redirect.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tamo::tool {

class OutputCapture {
public:
    // Starts capturing at once.
    OutputCapture();
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Ends the capture (once) and returns the lines written meanwhile,
    // without their line ends. A last line without a line end counts.
    std::vector<std::string> finish();

private:
#if defined(_WIN32)
    // When no temporary file can be made, the DLL's lines go to standard
    // error instead, so they can never mix with a JSON document.
    std::FILE* file_ = nullptr;
    int savedStdout_ = -1;
#else
    std::optional<LineRedirect> redirect_;
#endif
    bool finished_ = false;
    std::vector<std::string> lines_;
};

}  // namespace tamo::tool

namespace tamo::tool {

// Keeps standard output for one document: while it lives, whatever anyone
// writes to stdout (descriptor 1) goes to standard error instead, and
// stream() writes to the real standard output.
class ReservedStdout {
public:
    ReservedStdout();
    ~ReservedStdout();
    ReservedStdout(const ReservedStdout&) = delete;
    ReservedStdout& operator=(const ReservedStdout&) = delete;

    std::FILE* stream() const { return stream_ ? stream_ : stdout; }

private:
    std::FILE* stream_ = nullptr;
};

}  // namespace tamo::tool
