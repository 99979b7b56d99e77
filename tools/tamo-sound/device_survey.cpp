#include "device_survey.h"

#include "config_check.h"
#include "inspect/text_forms.h"
#include "table_entry_json.h"
#include "text_paths.h"
#include "windows_error.h"

#include <algorithm>

namespace tamo::tool {
namespace {

using inspect::ConfigEntry;
using inspect::EntryOutcome;
using inspect::InterfaceReport;
using inspect::hexDigits;
using inspect::quoted;

std::string hex4(std::uint64_t value) { return hexDigits(value, 4); }

std::string pathText(const InterfaceReport& report) {
    return report.path.empty() ? "(the interface's path cannot be read)" : utf8FromWide(report.path);
}

// The tests that an interface of another device fails.
bool failsOnIdentity(const EntryOutcome& outcome) {
    return outcome.failed == MatchTest::Vendor || outcome.failed == MatchTest::Product;
}

std::string interfaceLine(const InterfaceReport& report) {
    std::string line = "vendor " + hex4(report.vendorId) + ", product " + hex4(report.productId) +
                       ", product string " + quoted(utf8FromWide(report.productString));
    if (report.capabilitiesRead) {
        line += ", usage page " + hex4(report.caps.UsagePage) + ", usage " + hex4(report.caps.Usage) +
                ", report lengths in " + std::to_string(report.caps.InputReportByteLength) + " / out " +
                std::to_string(report.caps.OutputReportByteLength) + " / feature " +
                std::to_string(report.caps.FeatureReportByteLength);
    } else {
        line += ", capabilities unreadable";
    }
    return line;
}

void describeOutcomes(std::vector<std::string>& out, const InterfaceReport& report) {
    if (!report.queried) {
        out.push_back("    cannot be opened at all (Windows error " + std::to_string(report.openError) + ")");
        return;
    }
    if (!report.attributesRead) {
        out.push_back("    its attributes cannot be read: the library skips it (\"Error: HidD_GetAttributes failed\")");
        return;
    }
    if (report.matchedEntry) {
        std::string line = "    matches entry " + std::to_string(*report.matchedEntry);
        if (report.libraryOpensThis) {
            line += ": the library opens this interface";
        } else if (!report.openedReadWrite) {
            line += ", but the library cannot open it for reading and writing and skips it";
        } else {
            line += ", but the library opens an earlier interface";
        }
        out.push_back(line);
    }
    // Near misses: entries whose vendor and product IDs fit.
    bool nearMiss = false;
    for (const EntryOutcome& outcome : report.outcomes) {
        if (outcome.matched() || failsOnIdentity(outcome)) continue;
        if (report.matchedEntry && outcome.entry > *report.matchedEntry) continue;
        out.push_back("    entry " + std::to_string(outcome.entry) + ": near miss: " + outcome.detail);
        nearMiss = true;
    }
    if (!report.matchedEntry && !nearMiss) {
        auto idMatch = std::find_if(report.outcomes.begin(), report.outcomes.end(),
                                    [](const EntryOutcome& o) { return o.failed == MatchTest::Product; });
        if (report.outcomes.empty()) {
            out.push_back("    no entry: the device table is empty");
        } else if (idMatch != report.outcomes.end()) {
            out.push_back("    no entry: entry " + std::to_string(idMatch->entry) + ": " + idMatch->detail);
        } else {
            out.push_back("    no entry: vendor ID " + hex4(report.vendorId) + " is not in the device table");
        }
    }
}

}  // namespace

ExitStatus exitStatusOf(const DeviceSurvey& survey) {
    if (!survey.hidAvailable || !survey.enumerated) return kExitToolFailure;
    if (survey.libraryFound) return kExitSuccess;
    // -1997 either way for the library; the survey can tell the two apart.
    const bool matches = std::any_of(survey.interfaces.begin(), survey.interfaces.end(),
                                     [](const InterfaceReport& report) { return report.matchedEntry.has_value(); });
    return matches ? kExitHeadsetNotOpened : kExitNotFound;
}

std::vector<std::string> describeDeviceSurvey(const DeviceSurvey& survey) {
    std::vector<std::string> out;
    const inspect::ConfigReport& config = survey.config;
    out.push_back("device table: " + std::to_string(config.table.size()) + " entries, from " + config.path + ": " +
                  summaryOf(config));
    int position = 0;
    for (const ConfigEntry& entry : config.table) {
        std::string line = "  entry " + std::to_string(++position) + ":";
        for (const char* key : {property::kVendorID, property::kProductID, property::kUsagePage, property::kUsage,
                                property::kProductName, property::kDeviceName}) {
            line += std::string(" ") + key + " " + quoted(writtenValue(entry.written, key));
        }
        out.push_back(line);
    }
    for (const std::string& line : config.tableLines) out.push_back("  the library prints: " + line);
    if (!survey.hidAvailable) {
        out.push_back("hid.dll cannot be loaded from the system directory: no interface can be told apart");
        return out;
    }
    if (!survey.enumerated) {
        out.push_back("SetupDiGetClassDevsW failed: " + describeWindowsError(survey.enumerationError));
        return out;
    }
    out.push_back(std::to_string(survey.interfaces.size()) + " HID interface" +
                  (survey.interfaces.size() == 1 ? "" : "s") + ", in the order the system enumerates them");
    int number = 0;
    for (const InterfaceReport& report : survey.interfaces) {
        out.push_back(std::to_string(++number) + ". " +
                      pathText(report));
        if (report.queried) out.push_back("    " + interfaceLine(report));
        out.push_back(report.openedReadWrite ? "    opens for reading and writing"
                                             : "    cannot be opened for reading and writing, so the library skips "
                                                   "it: " + describeWindowsError(report.openError));
        describeOutcomes(out, report);
    }
    out.push_back(std::string("the library's own search: ") +
                  (survey.libraryFound ? "found " + quoted(survey.libraryDeviceName) : "no headset found"));
    for (const std::string& line : survey.openLines) out.push_back("  the library prints: " + line);
    return out;
}

Json deviceSurveyJson(const DeviceSurvey& survey) {
    Json json = Json::object();
    json.set("hid_available", survey.hidAvailable);
    json.set("enumerated", survey.enumerated);
    json.set("enumeration_error", survey.enumerated ? Json() : Json(survey.enumerationError));
    json.set("config_file", survey.config.path);
    json.set("config_summary", summaryOf(survey.config));
    Json table = Json::array();
    for (const ConfigEntry& entry : survey.config.table) table.push(tableEntryJson(entry.properties, entry.written));
    json.set("device_table", std::move(table));
    Json interfaces = Json::array();
    for (const InterfaceReport& report : survey.interfaces) {
        Json item = Json::object();
        item.set("path", pathText(report));
        item.set("opened_read_write", report.openedReadWrite);
        item.set("open_error", report.openedReadWrite ? Json() : Json(report.openError));
        item.set("vendor_id", report.attributesRead ? Json(report.vendorId) : Json());
        item.set("vendor_id_hex", report.attributesRead ? Json(hexId(report.vendorId)) : Json());
        item.set("product_id", report.attributesRead ? Json(report.productId) : Json());
        item.set("product_id_hex", report.attributesRead ? Json(hexId(report.productId)) : Json());
        item.set("product_string", report.queried ? Json(utf8FromWide(report.productString)) : Json());
        item.set("usage_page", report.capabilitiesRead ? Json(report.caps.UsagePage) : Json());
        item.set("usage", report.capabilitiesRead ? Json(report.caps.Usage) : Json());
        item.set("input_report_length", report.capabilitiesRead ? Json(report.caps.InputReportByteLength) : Json());
        item.set("output_report_length", report.capabilitiesRead ? Json(report.caps.OutputReportByteLength) : Json());
        item.set("feature_report_length",
                 report.capabilitiesRead ? Json(report.caps.FeatureReportByteLength) : Json());
        item.set("matched_entry", report.matchedEntry ? Json(*report.matchedEntry) : Json());
        item.set("library_opens_this", report.libraryOpensThis);
        Json outcomes = Json::array();
        for (const EntryOutcome& outcome : report.outcomes) {
            Json entry = Json::object();
            entry.set("entry", outcome.entry);
            entry.set("matched", outcome.matched());
            entry.set("failed_test", outcome.matched() ? Json() : Json(inspect::matchTestName(*outcome.failed)));
            entry.set("detail", outcome.matched() ? Json() : Json(outcome.detail));
            outcomes.push(std::move(entry));
        }
        item.set("entries", std::move(outcomes));
        interfaces.push(std::move(item));
    }
    json.set("interfaces", std::move(interfaces));
    json.set("library_found", survey.libraryFound);
    json.set("library_device_name", survey.libraryDeviceName);
    Json printed = Json::object();
    Json tableLines = Json::array();
    for (const std::string& line : survey.config.tableLines) tableLines.push(line);
    Json openLines = Json::array();
    for (const std::string& line : survey.openLines) openLines.push(line);
    printed.set("device_table", std::move(tableLines));
    printed.set("open", std::move(openLines));
    json.set("library_prints", std::move(printed));
    return json;
}

}  // namespace tamo::tool
