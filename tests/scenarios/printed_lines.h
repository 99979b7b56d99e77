// The lines the library prints while an object of this class lives: the one
// place the scenario hosts know how those lines are captured. The emulated
// host collects them through the library's own redirect; the real DLL under
// Wine prints to the process's standard output, so that is what is read.
#pragma once

#if defined(_WIN32)
#include "stdout_capture.h"
#else
#include "platform/line_redirect.h"
#endif

#include <string>
#include <vector>

namespace tamo::test {

class PrintedLines {
public:
    // The lines printed since this object was made.
    std::vector<std::string> take() { return capture_.lines(); }

private:
#if defined(_WIN32)
    StdoutCapture capture_;
#else
    LineRedirect capture_;
#endif
};

}  // namespace tamo::test
