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
def call(label, r):
    show("result", label, r["called"], r["code"], r["name"], r["attempts"], r["exit_status"])
    for line in r["diagnostics"]:
        show("diagnostic", label, line)
    for p in r.get("reports", []):
        b = p["bytes"]
        n = len(b)
        while n > 0 and b[n - 1] == 0:
            n -= 1
        show("report", label, p["headset"], p["direction"], p["kind"], len(b), *["%02X" % x for x in b[:n]],
             p["refused_with"])
show("format_version", d["format_version"])
show("tool", d["tool"]["name"], d["tool"]["version"])
show("exit_status", d["exit_status"])
v = d.get("virtual")
if v is not None:
    show("state_file_was", v["state_file_was"])
    for i in v["interfaces"]:
        show("ids", i["product"], i["vendor_id"], i["vendor_id_hex"], i["product_id"], i["product_id_hex"])
        if i["kind"] == "headset":
            show("headset", i["product"], i["audio_mode"], i["hi_power"], i["see_through"])
for w in d["warnings"]:
    show("warning", w)
s = d["summary"]
show("summary", s["commands"], s["succeeded"], s["failed"], s["not_run"])
for r in d["results"]:
    if r["automatic_init"] is not None:
        call("init(before " + r["text"] + ")", r["automatic_init"])
    call(r["command"], r)
    if r["command"] == "state":
        show("state", r["hi_power"], r["audio_mode"])
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

void expectValidJson(const ToolRun& run) {
    if (std::string(TAMO_PYTHON3).empty()) {
        ADD_FAILURE() << "python3 was not found when the tests were configured";
        return;
    }
    ToolRun python = runProgram({TAMO_PYTHON3, TAMO_JSON_VALIDATOR, TAMO_SCHEMA_PATH}, run.out);
    EXPECT_EQ(python.exitStatus, 0) << "the document does not follow tamo-sound.schema.json:\n"
                                    << python.out << python.err << "\n" << run.out;
}

ToolTest::ToolTest() { std::filesystem::create_directories(hostDirectory()); }

ToolRun ToolTest::tool(std::vector<std::string> arguments) const {
    bool json = std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
    arguments.insert(arguments.begin(), {"--state-file", stateFile().string(), "--exe-dir", hostDirectory().string()});
    ToolRun run = runTool(arguments, {{"TAMO_VIRTUAL_STATE", ""}, {"NO_COLOR", ""}});
    // Every document the tests produce is checked against the schema.
    if (json) expectValidJson(run);
    return run;
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
