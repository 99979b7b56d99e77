#include "device_survey.h"

#include "config/hmd_config.h"
#include "config/integer_text.h"
#include "config_check.h"
#include "hid/device_access.h"
#include "hid/hid_device_connection.h"
#include "hid/hid_library.h"
#include "hid/unique_handle.h"
#include "platform/line_redirect.h"
#include "text_paths.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tamo::tool {
namespace {

using namespace device_access;
// As the library reads it: 128 UTF-16 units, terminator included.
constexpr std::size_t kProductStringUnits = 128;

std::string hex4(long value) {
    std::array<char, 16> buffer{};
    if (value < 0) {
        std::snprintf(buffer.data(), buffer.size(), "-%04lX", -value);
    } else {
        std::snprintf(buffer.data(), buffer.size(), "%04lX", value);
    }
    return buffer.data();
}

const std::string* valueOf(const DeviceConfig& entry, const char* key) {
    auto it = entry.find(key);
    return it == entry.end() ? nullptr : &it->second;
}

// The device path of one enumerated interface.
std::optional<std::wstring> devicePathOf(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &required, nullptr);
    if (required < kDetailFixedSize) return std::nullopt;
    // DWORD elements keep the record aligned.
    std::vector<DWORD> block((required + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(block.data());
    detail->cbSize = kDetailFixedSize;
    if (!SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, required, nullptr, nullptr)) {
        return std::nullopt;
    }
    return std::wstring(detail->DevicePath);
}

// What the library compares: the product string narrowed to the low byte of
// each unit.
struct ProductString {
    std::string narrowed;
    std::string utf8;
};

ProductString readProductString(const HidLibrary& hid, HANDLE device) {
    std::array<WCHAR, kProductStringUnits> units{};
    hid.getProductString(device, units.data(), static_cast<ULONG>(sizeof units));
    ProductString text;
    std::wstring wide;
    for (WCHAR unit : units) {
        if (unit == 0) break;
        text.narrowed.push_back(static_cast<char>(static_cast<unsigned char>(unit & 0xFF)));
        wide.push_back(unit);
    }
    text.utf8 = utf8FromWide(wide);
    return text;
}

bool readCapabilities(const HidLibrary& hid, HANDLE device, HIDP_CAPS& caps) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!hid.getPreparsedData(device, &preparsed)) return false;
    caps = HIDP_CAPS{};
    NTSTATUS status = hid.getCaps(preparsed, &caps);
    hid.freePreparsedData(preparsed);
    return status == HIDP_STATUS_SUCCESS;
}

// One entry's tests, in the library's order; the first failure is named.
EntryOutcome testEntry(const DeviceConfig& entry, int position, const InterfaceReport& device,
                       const std::string& narrowedName) {
    EntryOutcome outcome;
    outcome.entry = position;
    auto fail = [&](const char* test, std::string detail) {
        outcome.test = test;
        outcome.detail = std::move(detail);
        return outcome;
    };
    auto idTest = [&](const char* key, USHORT actual, const char* test, const char* what) -> std::optional<EntryOutcome> {
        const std::string* text = valueOf(entry, key);
        if (!text) return fail(test, std::string("the entry has no ") + key);
        auto wanted = static_cast<std::uint16_t>(readInteger(*text, 16).value);
        if (wanted != actual) {
            return fail(test, std::string(what) + " differs: " + hex4(actual) + " (the entry has " + quoted(*text) + ")");
        }
        return std::nullopt;
    };
    if (auto failed = idTest(property::kVendorID, device.vendorId, "vendor", "vendor ID")) return *failed;
    if (auto failed = idTest(property::kProductID, device.productId, "product", "product ID")) return *failed;
    if (const std::string* name = valueOf(entry, property::kProductName); name && *name != narrowedName) {
        return fail("product-string", "product string differs: " + quoted(narrowedName) + " (the entry has " +
                                          quoted(*name) + ")");
    }
    if (!device.capabilitiesRead) return fail("capabilities", "the capabilities cannot be read");
    auto usageTest = [&](const char* key, USAGE actual, const char* test, const char* what) -> std::optional<EntryOutcome> {
        const std::string* text = valueOf(entry, key);
        if (text && readInteger(*text, 16).value != static_cast<std::int32_t>(actual)) {
            return fail(test, std::string(what) + " differs: " + hex4(actual) + " (the entry has " + quoted(*text) + ")");
        }
        return std::nullopt;
    };
    if (auto failed = usageTest(property::kUsagePage, device.caps.UsagePage, "usage-page", "usage page")) return *failed;
    if (auto failed = usageTest(property::kUsage, device.caps.Usage, "usage", "usage")) return *failed;
    outcome.matched = true;
    return outcome;
}

// Opens one interface as the library does, or failing that for queries
// only, reads what the library reads and tests it against the table.
InterfaceReport inspect(const HidLibrary& hid, const std::wstring& path, const DeviceConfigList& table) {
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
    ProductString name = readProductString(hid, device.get());
    report.productString = name.utf8;
    report.capabilitiesRead = readCapabilities(hid, device.get(), report.caps);
    if (!report.attributesRead) return report;
    int position = 0;
    for (const DeviceConfig& entry : table) {
        EntryOutcome outcome = testEntry(entry, ++position, report, name.narrowed);
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
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    bool chosen = false;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set.get(), nullptr, &hidGuid, index, &interfaceData); ++index) {
        std::optional<std::wstring> path = devicePathOf(set.get(), interfaceData);
        if (!path) {
            InterfaceReport unreadable;
            unreadable.path = "(the interface's path cannot be read)";
            survey.interfaces.push_back(std::move(unreadable));
            continue;
        }
        InterfaceReport report = inspect(hid, *path, survey.table);
        if (!chosen && report.matchedEntry && report.openedReadWrite) {
            report.libraryOpensThis = true;
            chosen = true;
        }
        survey.interfaces.push_back(std::move(report));
    }
}

// The library's own discovery over the same table, for comparison.
void openAsTheLibrary(DeviceSurvey& survey) {
    LineRedirect capture;
    {
        HidDeviceConnection connection(survey.table);
        survey.libraryFound = connection.open();
        survey.libraryDeviceName = connection.deviceName();
    }
    survey.openLines = capture.lines();
    auto chosen = std::find_if(survey.interfaces.begin(), survey.interfaces.end(),
                               [](const InterfaceReport& report) { return report.libraryOpensThis; });
    bool found = chosen != survey.interfaces.end();
    if (found != survey.libraryFound) {
        survey.disagreement = std::string("the library ") + (survey.libraryFound ? "found" : "did not find") +
                              " a headset, unlike this survey";
    } else if (found) {
        const std::string* name = valueOf(survey.table[static_cast<std::size_t>(*chosen->matchedEntry - 1)],
                                          property::kDeviceName);
        if ((name ? *name : std::string()) != survey.libraryDeviceName) {
            survey.disagreement = "the library matched another entry (device name '" + survey.libraryDeviceName + "')";
        }
    }
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

DeviceSurvey surveyDevices() {
    DeviceSurvey survey;
    {
        LineRedirect capture;
        loadDeviceConfigs(survey.table);
        survey.tableLines = capture.lines();
    }
    const HidLibrary& hid = HidLibrary::instance();
    survey.hidAvailable = hid.available();
    if (!survey.hidAvailable) return survey;
    enumerate(survey, hid);
    openAsTheLibrary(survey);
    return survey;
}

ExitStatus exitStatusOf(const DeviceSurvey& survey) {
    if (survey.disagreement || !survey.hidAvailable || !survey.enumerated) return kExitToolFailure;
    bool found = std::any_of(survey.interfaces.begin(), survey.interfaces.end(),
                             [](const InterfaceReport& report) { return report.libraryOpensThis; });
    return found ? kExitSuccess : kExitNotFound;
}

std::vector<std::string> describeDeviceSurvey(const DeviceSurvey& survey) {
    std::vector<std::string> out;
    out.push_back("device table: " + std::to_string(survey.table.size()) + " entries");
    int position = 0;
    for (const DeviceConfig& entry : survey.table) {
        std::string line = "  entry " + std::to_string(++position) + ":";
        for (const char* key : {property::kVendorID, property::kProductID, property::kUsagePage, property::kUsage,
                                property::kProductName, property::kDeviceName}) {
            const std::string* value = valueOf(entry, key);
            line += std::string(" ") + key + " " + (value ? quoted(*value) : std::string("(none)"));
        }
        out.push_back(line);
    }
    for (const std::string& line : survey.tableLines) out.push_back("  the library prints: " + line);
    if (!survey.hidAvailable) {
        out.push_back("hid.dll cannot be loaded from the system directory: no interface can be told apart");
        return out;
    }
    if (!survey.enumerated) {
        out.push_back("SetupDiGetClassDevsW failed (Windows error " + std::to_string(survey.enumerationError) + ")");
        return out;
    }
    out.push_back(std::to_string(survey.interfaces.size()) + " HID interface" +
                  (survey.interfaces.size() == 1 ? "" : "s") + ", in the order the system enumerates them");
    int number = 0;
    for (const InterfaceReport& report : survey.interfaces) {
        out.push_back(std::to_string(++number) + ". " + report.path);
        if (report.queried) out.push_back("    " + interfaceLine(report));
        out.push_back(report.openedReadWrite ? "    opens for reading and writing"
                                             : "    cannot be opened for reading and writing (Windows error " +
                                                   std::to_string(report.openError) + "): the library skips it");
        describeOutcomes(out, report);
    }
    out.push_back(std::string("the library's own search: ") +
                  (survey.libraryFound ? "found " + quoted(survey.libraryDeviceName) : "no headset found"));
    for (const std::string& line : survey.openLines) out.push_back("  the library prints: " + line);
    if (survey.disagreement) out.push_back("internal error: " + *survey.disagreement);
    return out;
}

Json deviceSurveyJson(const DeviceSurvey& survey) {
    Json json = Json::object();
    json.set("hid_available", survey.hidAvailable);
    json.set("enumerated", survey.enumerated);
    json.set("enumeration_error", survey.enumerated ? Json() : Json(survey.enumerationError));
    Json table = Json::array();
    for (const DeviceConfig& entry : survey.table) {
        Json item = Json::object();
        for (const auto& [key, value] : entry) item.set(key, value);
        table.push(std::move(item));
    }
    json.set("device_table", std::move(table));
    Json interfaces = Json::array();
    for (const InterfaceReport& report : survey.interfaces) {
        Json item = Json::object();
        item.set("path", report.path);
        item.set("opened_read_write", report.openedReadWrite);
        item.set("open_error", report.openedReadWrite ? Json() : Json(report.openError));
        item.set("vendor_id", report.attributesRead ? Json(report.vendorId) : Json());
        item.set("product_id", report.attributesRead ? Json(report.productId) : Json());
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
    json.set("disagreement", survey.disagreement ? Json(*survey.disagreement) : Json());
    return json;
}

}  // namespace tamo::tool
