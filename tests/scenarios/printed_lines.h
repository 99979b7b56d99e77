// The lines the library prints while an object of this class lives: the one
// place the scenario hosts know how those lines are captured.
#pragma once

#include "stdout_capture.h"

#include <string>
#include <vector>

namespace tamo::test {

class PrintedLines {
public:
    // Stops capturing (once) and returns the lines printed meanwhile.
    std::vector<std::string> take() { return capture_.lines(); }

private:
    StdoutCapture capture_;
};

}  // namespace tamo::test
