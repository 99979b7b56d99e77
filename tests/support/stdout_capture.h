// Captures what the library writes to standard output (C stdio or the
// process's file descriptor 1), for comparing line by line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tamo::test {

class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Stops capturing (once) and returns everything written meanwhile.
    std::string text();
    // The same, split at "\n" (the line feed is not kept; a final empty
    // piece after the last line feed is dropped).
    std::vector<std::string> lines();

private:
    void stop();
    std::FILE* file_ = nullptr;
    int savedStdout_ = -1;
    std::string text_;
    bool stopped_ = false;
};

std::vector<std::string> splitLines(const std::string& text);

}  // namespace tamo::test
