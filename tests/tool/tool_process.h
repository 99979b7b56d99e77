// Runs tamo-sound as a separate process and collects what it did.
#pragma once

#include "scratch_directory.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tamo::test {

struct ToolRun {
    int exitStatus = -1;  // -1: the process did not exit normally
    std::string out;
    std::string err;
};

// Runs the tool with `arguments`, standard input empty, and the given
// variables added to (or, with an empty value, removed from) the
// environment.
ToolRun runTool(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment = {});

// The same with standard output opened on `stdoutPath` (a device such as
// /dev/full); `out` stays empty.
ToolRun runToolWithStdout(const std::vector<std::string>& arguments, const std::filesystem::path& stdoutPath,
                          const std::map<std::string, std::string>& environment = {});

// The same with standard input and output on a pseudo-terminal (standard
// error, too; everything is in `out`).
ToolRun runToolOnTerminal(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment = {});

// Runs a program (not through a shell) with `input` as its standard input.
ToolRun runProgram(const std::vector<std::string>& argv, const std::string& input);

}  // namespace tamo::test
