// A scratch world for one run (or a few runs) of tamo-sound: its own state
// file, its own executable directory for hmd_config.ini, and a JSON reader.
#pragma once

#include <gtest/gtest.h>

#include "tool_process.h"

#include <string>
#include <vector>

namespace tamo::test {

class ToolTest : public ::testing::Test {
protected:
    ToolTest();

    // Runs the tool with the scratch state file and executable directory;
    // a --json run's document is validated against the schema.
    ToolRun tool(std::vector<std::string> arguments) const;

    // Writes hmd_config.ini into the executable directory.
    void writeConfig(const std::string& text) const;

    std::filesystem::path stateFile() const { return scratch_.path() / "state" / "virtual-headset.state"; }
    std::filesystem::path hostDirectory() const { return scratch_.path() / "host"; }
    const ScratchDirectory& scratch() const { return scratch_; }

    // The JSON document of a --json run, validated by Python's json module
    // and flattened into lines of the form "key value ..." (see
    // tool_fixture.cpp). Empty when it does not parse; the test fails then.
    std::vector<std::string> flatten(const ToolRun& run) const;

private:
    ScratchDirectory scratch_;
};

// A run of the tool, the exit status it ends with and a line its text output
// holds; its standard error stays empty.
struct ExitCase {
    const char* name;
    std::vector<std::string> arguments;
    int exitStatus;
    const char* line;
};

inline void PrintTo(const ExitCase& c, std::ostream* out) { *out << c.name; }

// The test of such cases is in tool_exit_status_test.cpp; tables of them
// are instantiated where their subject is tested.
class ToolExitStatus : public ToolTest, public ::testing::WithParamInterface<ExitCase> {};

// Fails the test unless the run's standard output is one JSON document that
// follows tamo-sound.schema.json. ToolTest::tool does this for every --json
// run.
void expectValidJson(const ToolRun& run);

// Lines of `text`.
std::vector<std::string> linesOf(const std::string& text);
bool contains(const std::vector<std::string>& lines, const std::string& line);
// The index of the first line containing `fragment`, or -1.
long lineIndex(const std::vector<std::string>& lines, const std::string& fragment);

}  // namespace tamo::test
