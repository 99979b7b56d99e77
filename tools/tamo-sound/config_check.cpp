#include "config_check.h"

#include "inspect/text_forms.h"
#include "table_entry_json.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace tamo::tool {
namespace {

using inspect::ConfigEntry;
using inspect::ConfigFileState;
using inspect::ConfigVerdict;
using inspect::Finding;
using inspect::lineList;
using inspect::quoted;
using inspect::visibleText;
using inspect::fileStateName;
using inspect::reasonName;
using inspect::severityName;
using inspect::verdictName;

std::string entrySummary(const ConfigEntry& entry) {
    auto value = [&](const char* key) { return quoted(writtenValue(entry.written, key)); };
    return "VendorID " + value(property::kVendorID) + ", ProductID " + value(property::kProductID) + ", Usage " +
           value(property::kUsage) + ", UsagePage " + value(property::kUsagePage) + ", ProductName " +
           value(property::kProductName) + ", ReportID " + value(property::kReportID) + ", DeviceName " +
           value(property::kDeviceName);
}

// Lines the library prints, with each run of lines that differ only in a
// number counting up by one ("Cannot find the key:VENDORID_002" to "_999")
// taken together: a 9-line file can make it print a thousand of them.
struct PrintedRun {
    std::string text;  // the line, or for a run the line with its number as "nnn"
    std::size_t count = 1;
    long from = 0, to = 0;  // a run's first and last number
};

// A line as text and the number it ends in, when it ends in digits.
struct NumberedLine {
    std::string_view head;
    std::string_view digits;
    long number = 0;
};

std::optional<NumberedLine> numberedLine(std::string_view line) {
    std::size_t at = line.find_last_not_of("0123456789") + 1;
    std::string_view digits = line.substr(at);
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    return NumberedLine{line.substr(0, at), digits, std::stol(std::string(digits))};
}

bool continues(const NumberedLine& previous, const NumberedLine& next) {
    return next.head == previous.head && next.digits.size() == previous.digits.size() &&
           next.number == previous.number + 1;
}

std::vector<PrintedRun> runsOf(const std::vector<std::string>& lines) {
    constexpr std::size_t kShortestRun = 3;
    std::vector<PrintedRun> runs;
    for (std::size_t i = 0; i < lines.size();) {
        std::optional<NumberedLine> first = numberedLine(lines[i]);
        std::size_t end = i + 1;
        for (std::optional<NumberedLine> previous = first; first && end < lines.size(); ++end) {
            std::optional<NumberedLine> next = numberedLine(lines[end]);
            if (!next || !continues(*previous, *next)) break;
            previous = next;
        }
        if (end - i < kShortestRun) {
            runs.push_back({lines[i]});
            ++i;
            continue;
        }
        std::string text = std::string(first->head) + std::string(first->digits.size(), 'n');
        runs.push_back({std::move(text), end - i, first->number, first->number + static_cast<long>(end - i) - 1});
        i = end;
    }
    return runs;
}

void appendLines(std::vector<std::string>& out, const std::string& heading, const std::vector<std::string>& lines) {
    out.push_back(heading + (lines.empty() ? " nothing" : ""));
    for (const PrintedRun& run : runsOf(lines)) {
        if (run.count == 1) {
            out.push_back("    " + run.text);
            continue;
        }
        std::string placeholder(run.text.substr(run.text.find_last_not_of('n') + 1));
        out.push_back("    " + run.text + " for " + placeholder + " = " + std::to_string(run.from) + " to " +
                      std::to_string(run.to) + " (" + std::to_string(run.count) + " lines)");
    }
}

Json printedJson(const std::vector<std::string>& lines) {
    Json out = Json::array();
    for (const PrintedRun& run : runsOf(lines)) {
        Json item = Json::object();
        item.set("text", run.text);
        item.set("count", static_cast<int>(run.count));
        if (run.count > 1) {
            item.set("from", static_cast<int>(run.from));
            item.set("to", static_cast<int>(run.to));
        }
        out.push(std::move(item));
    }
    return out;
}

std::string entriesText(std::size_t count) { return std::to_string(count) + (count == 1 ? " entry" : " entries"); }

std::string tableText(const ConfigReport& report) {
    std::size_t size = report.table.size();
    if (report.builtInTable) return "its built-in table of " + entriesText(size);
    if (report.numOfConfig && static_cast<long long>(size) < *report.numOfConfig) {
        return std::to_string(size) + " of the " + entriesText(static_cast<std::size_t>(*report.numOfConfig)) +
               " the file announces";
    }
    return "the file's table of " + entriesText(size);
}

// NUM_OF_CONFIG as written and, where the library reads it otherwise, as used.
std::string countText(const ConfigReport& report) {
    std::string text = "NUM_OF_CONFIG=" + visibleText(report.numOfConfigText);
    std::string used = std::to_string(report.numOfConfig.value_or(0));
    return used == report.numOfConfigText ? text : text + ", read as " + used;
}

}  // namespace

std::string summaryOf(const ConfigReport& report) {
    std::string seeThrough = report.seeThroughAllowed ? "allows see-through" : "refuses see-through";
    switch (report.verdict) {
    case ConfigVerdict::NoFile:
        return "there is no file: the library uses " + tableText(report) + " and " + seeThrough;
    case ConfigVerdict::Ignored:
        return "the library ignores this file and uses " + tableText(report) + "; it " + seeThrough;
    case ConfigVerdict::EmptyTable:
        return "the device table is empty: no headset can be found; the library " + seeThrough;
    case ConfigVerdict::PartlyIgnored:
        return "the library ignores part of this file: it uses " + tableText(report) + " and " + seeThrough;
    case ConfigVerdict::UsedAsWritten:
        break;
    }
    return "the library uses " + tableText(report) + " and " + seeThrough;
}

ExitStatus exitStatusOf(const ConfigReport& report) {
    switch (report.verdict) {
    case ConfigVerdict::UsedAsWritten:
    case ConfigVerdict::NoFile:
        return kExitSuccess;
    case ConfigVerdict::PartlyIgnored:
        return kExitConfigPartlyIgnored;
    case ConfigVerdict::Ignored:
        return kExitConfigIgnored;
    case ConfigVerdict::EmptyTable:
        return kExitConfigEmptyTable;
    }
    return kExitToolFailure;
}

std::vector<std::string> describeConfigReport(const ConfigReport& report) {
    std::vector<std::string> out;
    out.push_back("file: " + report.path + " (" + fileStateName(report.file) +
                  (report.file == ConfigFileState::Missing || report.file == ConfigFileState::Unreadable
                       ? ")"
                       : ", " + std::to_string(report.lineCount) + (report.lineCount == 1 ? " line)" : " lines)")));
    out.push_back("summary: " + summaryOf(report));
    if (report.builtInTable) {
        out.push_back("device table: the built-in table of " + entriesText(report.table.size()));
    } else {
        out.push_back("device table: " + entriesText(report.table.size()) + " from the file (" + countText(report) +
                      ")");
    }
    for (const ConfigEntry& entry : report.table) {
        std::string where;
        if (entry.lines) where = " (" + lineList(std::vector<int>(entry.lines->begin(), entry.lines->end())) + ")";
        out.push_back("  entry " + std::to_string(entry.index) + where + ": " + entrySummary(entry));
    }
    out.push_back(std::string("see-through: ") + (report.seeThroughAllowed ? "allowed" : "refused") +
                  (report.seeThroughLine ? " (ENABLE_SEE_THROUGH on line " + std::to_string(*report.seeThroughLine) + ")"
                                        : ""));
    if (report.findings.empty()) out.push_back("findings: none");
    for (const Finding& finding : report.findings) {
        std::string where = finding.line ? "line " + std::to_string(*finding.line) : "file";
        out.push_back(where + ": " + severityName(finding.severity) + " [" + reasonName(finding.reason) + "] " +
                      finding.message);
    }
    appendLines(out, "the library prints, building its device table:", report.tableLines);
    appendLines(out, "the library prints, asking for the see-through switch:", report.seeThroughLines);
    return out;
}

Json configReportJson(const ConfigReport& report) {
    Json json = Json::object();
    json.set("path", report.path);
    json.set("file", fileStateName(report.file));
    json.set("lines", report.lineCount);
    json.set("verdict", verdictName(report.verdict));
    json.set("summary", summaryOf(report));
    Json table = Json::object();
    table.set("source", report.builtInTable ? "built-in" : "file");
    table.set("num_of_config", report.numOfConfig ? Json(*report.numOfConfig) : Json());
    table.set("num_of_config_text", report.numOfConfig ? Json(report.numOfConfigText) : Json());
    Json entries = Json::array();
    for (const ConfigEntry& entry : report.table) {
        Json item = tableEntryJson(entry.properties, entry.written);
        item.set("index", entry.index);
        Json lines = Json::object();
        if (entry.lines) {
            for (std::size_t field = 0; field < kPropertyCount; ++field) {
                lines.set(tableMemberName(kProperties[field]), (*entry.lines)[field]);
            }
        }
        item.set("lines", std::move(lines));
        entries.push(std::move(item));
    }
    table.set("entries", std::move(entries));
    json.set("device_table", std::move(table));
    Json seeThrough = Json::object();
    seeThrough.set("allowed", report.seeThroughAllowed);
    seeThrough.set("line", report.seeThroughLine ? Json(*report.seeThroughLine) : Json());
    json.set("see_through", std::move(seeThrough));
    Json findings = Json::array();
    for (const Finding& finding : report.findings) {
        Json item = Json::object();
        item.set("line", finding.line ? Json(*finding.line) : Json());
        item.set("reason", reasonName(finding.reason));
        item.set("severity", severityName(finding.severity));
        item.set("message", finding.message);
        findings.push(std::move(item));
    }
    json.set("findings", std::move(findings));
    Json printed = Json::object();
    printed.set("device_table", printedJson(report.tableLines));
    printed.set("see_through", printedJson(report.seeThroughLines));
    json.set("library_prints", std::move(printed));
    return json;
}

}  // namespace tamo::tool
