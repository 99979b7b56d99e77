// Collecting the library's diagnostic lines instead of letting them reach
// standard output.
//
// The library writes its lines to C stdio's stdout (file descriptor 1). For
// the --json output, and for the sections of devices and check-config that
// show what the library would print, the tool moves descriptor 1 to a
// temporary file for the duration of a call and reads the lines back
// afterwards.
#pragma once

#include <cstdio>
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

    // Whether the output is being captured: false when no temporary file
    // could be made, and the lines then go to standard error instead, so
    // they can never mix with a JSON document on standard output.
    bool capturing() const { return captured_; }

    // Ends the capture (once) and returns the lines written meanwhile,
    // without their line ends. A last line without a line end counts.
    std::vector<std::string> finish();

private:
    std::FILE* file_ = nullptr;
    int savedStdout_ = -1;
    bool captured_ = false;
    bool finished_ = false;
    std::vector<std::string> lines_;
};

// Lines of `text`, split at "\n"; a "\r" before it is dropped.
std::vector<std::string> splitLines(const std::string& text);

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
