#include "tool_fixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace tamo::test {
namespace {

// Loads the document with Python's json module (a parser independent of the
// tool's writer) and prints one line per fact the tests look at.
constexpr const char* kFlattener = R"py(
import json, sys
d = json.load(sys.stdin)
def text(item):
    if item is None:
        return "null"
    if isinstance(item, bool):
        return "true" if item else "false"
    return str(item)
def show(*items):
    print(" ".join(text(item) for item in items))
show("format_version", d["format_version"])
show("tool", d["tool"]["name"], d["tool"]["version"])
show("exit_status", d["exit_status"])
v = d.get("virtual")
if v is not None:
    show("state_file_was", v["state_file_was"])
    for i in v["interfaces"]:
        if i["kind"] == "headset":
            show("headset", i["product"], i["audioMode"], i["hiPower"], i["seeThrough"])
for w in d["warnings"]:
    show("warning", w)
for r in d["results"]:
    keys = set(r)
    needed = {"command", "argument", "text", "implicit", "before", "called", "not_run_because", "code", "name",
              "explanation", "attempts", "exit_status", "diagnostics"}
    if not needed <= keys:
        raise SystemExit("missing fields: %s" % sorted(needed - keys))
    label = r["command"] + ("(implicit)" if r["implicit"] else "")
    show("result", label, r["called"], r["code"], r["name"], r["attempts"], r["exit_status"])
    if r["command"] == "state" and not r["implicit"]:
        show("state", r["hiPower"], r["audioMode"])
    for line in r["diagnostics"]:
        show("diagnostic", label, line)
    c = r.get("config")
    if c is not None:
        show("config", c["file"], c["verdict"], c["device_table"]["source"], len(c["device_table"]["entries"]),
             c["see_through"]["allowed"])
        for f in c["findings"]:
            show("finding", f["line"], f["reason"], f["severity"])
    dv = r.get("devices")
    if dv is not None:
        for i in dv["interfaces"]:
            show("interface", i["product_string"], i["matched_entry"], i["library_opens_this"])
            for e in i["entries"]:
                show("entry", e["entry"], e["matched"], e["failed_test"], e["detail"])
)py";

}  // namespace

ToolTest::ToolTest() { std::filesystem::create_directories(hostDirectory()); }

ToolRun ToolTest::tool(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--state-file", stateFile().string(), "--exe-dir", hostDirectory().string()});
    return runTool(arguments, {{"TAMO_VIRTUAL_STATE", ""}, {"NO_COLOR", ""}});
}

void ToolTest::writeConfig(const std::string& text) const {
    std::ofstream(hostDirectory() / "hmd_config.ini", std::ios::binary) << text;
}

std::vector<std::string> ToolTest::flatten(const ToolRun& run) const {
    if (std::string(TAMO_PYTHON3).empty()) {
        ADD_FAILURE() << "python3 was not found when the tests were configured";
        return {};
    }
    ToolRun python = runProgram({TAMO_PYTHON3, "-c", kFlattener}, run.out);
    EXPECT_EQ(python.exitStatus, 0) << "not the documented JSON document:\n" << run.out << "\n" << python.err;
    if (python.exitStatus != 0) return {};
    return linesOf(python.out);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

long lineIndex(const std::vector<std::string>& lines, const std::string& fragment) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(fragment) != std::string::npos) return static_cast<long>(i);
    }
    return -1;
}

}  // namespace tamo::test
