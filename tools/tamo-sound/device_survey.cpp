#include "device_survey.h"

#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "config_check.h"
#include "hid/device_access.h"
#include "hid/device_match.h"
#include "hid/hid_device_connection.h"
#include "hid/hid_library.h"
#include "hid/interface_enumeration.h"
#include "hid/unique_handle.h"
#include "platform/line_redirect.h"
#include "table_entry_json.h"
#include "text_paths.h"
#include "windows_error.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tamo::tool {
namespace {

using namespace device_access;

std::string hex4(long value) {
    std::array<char, 16> buffer{};
    if (value < 0) {
        std::snprintf(buffer.data(), buffer.size(), "-%04lX", -value);
    } else {
        std::snprintf(buffer.data(), buffer.size(), "%04lX", value);
    }
    return buffer.data();
}

// The library's test names, as the report spells them.
const char* testId(MatchTest test) {
    switch (test) {
    case MatchTest::Vendor: return "vendor";
    case MatchTest::Product: return "product";
    case MatchTest::ProductString: return "product_string";
    case MatchTest::Capabilities: return "capabilities";
    case MatchTest::UsagePage: return "usage_page";
    case MatchTest::Usage: return "usage";
    }
    return "";
}

// "vendor ID differs: 1234 (the entry has '045E')"
std::string differs(const char* what, std::int64_t found, const WrittenEntry& entry, const char* key) {
    return std::string(what) + " differs: " + hex4(static_cast<long>(found)) + " (the entry has " +
           quoted(writtenValue(entry, key)) + ")";
}

// What the library's matching says of this entry, in the report's words.
EntryOutcome outcomeOf(const MatchResult& result, const WrittenEntry& entry, int position) {
    EntryOutcome outcome;
    outcome.entry = position;
    outcome.matched = result.matched();
    if (outcome.matched) return outcome;
    outcome.test = testId(*result.failed);
    switch (*result.failed) {
    case MatchTest::Vendor: outcome.detail = differs("vendor ID", result.found, entry, property::kVendorID); break;
    case MatchTest::Product: outcome.detail = differs("product ID", result.found, entry, property::kProductID); break;
    case MatchTest::ProductString:
        outcome.detail = "product string differs: " + quoted(result.foundText) + " (the entry has " +
                         quoted(writtenValue(entry, property::kProductName)) + ")";
        break;
    case MatchTest::Capabilities: outcome.detail = "the capabilities cannot be read"; break;
    case MatchTest::UsagePage: outcome.detail = differs("usage page", result.found, entry, property::kUsagePage); break;
    case MatchTest::Usage: outcome.detail = differs("usage", result.found, entry, property::kUsage); break;
    }
    return outcome;
}

// Opens one interface as the library does, or failing that for queries
// only, reads what the library reads and tests it against the table.
InterfaceReport inspect(const HidLibrary& hid, const std::wstring& path, const DeviceSurvey& survey) {
    InterfaceReport report;
    report.path = utf8FromWide(path);
    UniqueFileHandle device(
        CreateFileW(path.c_str(), kAccess, kSharing, nullptr, OPEN_EXISTING, kFlags, nullptr));
    report.openedReadWrite = device.valid();
    if (!device) {
        report.openError = GetLastError();
        device.reset(CreateFileW(path.c_str(), 0, kSharing, nullptr, OPEN_EXISTING, kFlags, nullptr));
    }
    report.queried = device.valid();
    if (!device) return report;

    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    report.attributesRead = hid.getAttributes(device.get(), &attributes) != FALSE;
    report.vendorId = attributes.VendorID;
    report.productId = attributes.ProductID;
    report.versionNumber = attributes.VersionNumber;
    report.productString = utf8FromWide(readProductUnits(hid, device.get()));
    if (std::optional<HIDP_CAPS> caps = readCapabilities(hid, device.get())) {
        report.capabilitiesRead = true;
        report.caps = *caps;
    }
    if (!report.attributesRead) return report;
    for (std::size_t i = 0; i < survey.table.size(); ++i) {
        EntryOutcome outcome = outcomeOf(matchEntry(hid, device.get(), attributes, survey.table[i]), survey.written[i],
                                         static_cast<int>(i + 1));
        if (outcome.matched && !report.matchedEntry) report.matchedEntry = outcome.entry;
        report.outcomes.push_back(std::move(outcome));
    }
    return report;
}

void enumerate(DeviceSurvey& survey, const HidLibrary& hid) {
    GUID hidGuid{};
    hid.getHidGuid(&hidGuid);
    UniqueDeviceInfoSet set(SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, kPresentInterfaces));
    if (!set) {
        survey.enumerationError = GetLastError();
        return;
    }
    survey.enumerated = true;
    // What the library prints on the way comes with its own search below.
    LineRedirect unheard;
    visitInterfaces(set.get(), hidGuid, [&](DWORD, const wchar_t* devicePath) {
        if (devicePath) {
            survey.interfaces.push_back(inspect(hid, devicePath, survey));
        } else {
            InterfaceReport unreadable;
            unreadable.path = "(the interface's path cannot be read)";
            survey.interfaces.push_back(std::move(unreadable));
        }
        return false;
    });
}

// The library's own discovery over the same table: whether it finds a
// headset, under which name, and which of the interfaces it keeps.
void askTheLibrary(DeviceSurvey& survey) {
    LineRedirect capture;
    HidDeviceConnection connection(survey.table);
    survey.libraryFound = connection.open();
    survey.libraryDeviceName = connection.deviceName();
    std::optional<DWORD> opened = connection.openedInterface();
    if (opened && *opened < survey.interfaces.size()) survey.interfaces[*opened].libraryOpensThis = true;
    connection.close();
    survey.openLines = capture.lines();
}

std::string interfaceLine(const InterfaceReport& report) {
    std::string line = "vendor " + hex4(report.vendorId) + ", product " + hex4(report.productId) +
                       ", product string " + quoted(report.productString);
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
        if (outcome.matched || outcome.test == "vendor" || outcome.test == "product") continue;
        if (report.matchedEntry && outcome.entry > *report.matchedEntry) continue;
        out.push_back("    entry " + std::to_string(outcome.entry) + ": near miss: " + outcome.detail);
        nearMiss = true;
    }
    if (!report.matchedEntry && !nearMiss) {
        auto idMatch = std::find_if(report.outcomes.begin(), report.outcomes.end(),
                                    [](const EntryOutcome& o) { return o.test == "product"; });
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

DeviceSurvey surveyDevices(const std::wstring& configPath, const std::string& displayPath) {
    DeviceSurvey survey;
    survey.configPath = displayPath;
    survey.configSummary = summaryOf(checkConfigFile(configPath, displayPath));
    FileConfigReader reader(configPath);
    DeviceTableDecision table = decideDeviceTable(ReaderSource(reader), false);
    survey.table = std::move(table.table);
    survey.tableLines = std::move(table.lines);
    for (EntryOrigin& origin : table.origins) survey.written.push_back(std::move(origin.written));
    const HidLibrary& hid = HidLibrary::instance();
    survey.hidAvailable = hid.available();
    if (!survey.hidAvailable) return survey;
    enumerate(survey, hid);
    askTheLibrary(survey);
    return survey;
}

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
    out.push_back("device table: " + std::to_string(survey.table.size()) + " entries, from " + survey.configPath +
                  ": " + survey.configSummary);
    int position = 0;
    for (const WrittenEntry& entry : survey.written) {
        std::string line = "  entry " + std::to_string(++position) + ":";
        for (const char* key : {property::kVendorID, property::kProductID, property::kUsagePage, property::kUsage,
                                property::kProductName, property::kDeviceName}) {
            line += std::string(" ") + key + " " + quoted(writtenValue(entry, key));
        }
        out.push_back(line);
    }
    for (const std::string& line : survey.tableLines) out.push_back("  the library prints: " + line);
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
        out.push_back(std::to_string(++number) + ". " + report.path);
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
    json.set("config_file", survey.configPath);
    json.set("config_summary", survey.configSummary);
    Json table = Json::array();
    for (std::size_t i = 0; i < survey.table.size(); ++i) {
        table.push(tableEntryJson(survey.table[i], survey.written[i]));
    }
    json.set("device_table", std::move(table));
    Json interfaces = Json::array();
    for (const InterfaceReport& report : survey.interfaces) {
        Json item = Json::object();
        item.set("path", report.path);
        item.set("opened_read_write", report.openedReadWrite);
        item.set("open_error", report.openedReadWrite ? Json() : Json(report.openError));
        item.set("vendor_id", report.attributesRead ? Json(report.vendorId) : Json());
        item.set("vendor_id_hex", report.attributesRead ? Json(hexId(report.vendorId)) : Json());
        item.set("product_id", report.attributesRead ? Json(report.productId) : Json());
        item.set("product_id_hex", report.attributesRead ? Json(hexId(report.productId)) : Json());
        item.set("product_string", report.queried ? Json(report.productString) : Json());
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
            entry.set("matched", outcome.matched);
            entry.set("failed_test", outcome.matched ? Json() : Json(outcome.test));
            entry.set("detail", outcome.matched ? Json() : Json(outcome.detail));
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
    for (const std::string& line : survey.tableLines) tableLines.push(line);
    Json openLines = Json::array();
    for (const std::string& line : survey.openLines) openLines.push(line);
    printed.set("device_table", std::move(tableLines));
    printed.set("open", std::move(openLines));
    json.set("library_prints", std::move(printed));
    return json;
}

}  // namespace tamo::tool
