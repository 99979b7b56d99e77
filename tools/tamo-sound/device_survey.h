// devices: every HID interface the system enumerates, and how the library's
// matching treats it.
//
// The interfaces are enumerated with SetupAPI and queried through hid.dll
// (resolved as the library resolves it), and each is tested against every
// entry of the library's device table by the library's own matching, which
// names the first test an entry fails (vendor ID, product ID, product
// string, capabilities, usage page, usage). Which interface the library
// keeps is the library's own answer.
#pragma once

#include "config/device_config.h"
#include "exit_status.h"
#include "json.h"
#include "platform/win32.h"

#include <optional>
#include <string>
#include <vector>

namespace tamo::tool {

struct EntryOutcome {
    int entry = 0;      // 1-based position in the device table
    bool matched = false;
    std::string test;   // the first failing test: "vendor", "product", "product-string", ...
    std::string detail; // "product string differs: 'TAMO  Prime'"
};

struct InterfaceReport {
    std::string path;
    bool openedReadWrite = false;  // as the library opens it
    DWORD openError = 0;           // why that failed
    bool queried = false;          // opened at all, for reading its properties
    bool attributesRead = false;
    USHORT vendorId = 0;
    USHORT productId = 0;
    USHORT versionNumber = 0;
    std::string productString;  // UTF-8
    bool capabilitiesRead = false;
    HIDP_CAPS caps{};
    std::vector<EntryOutcome> outcomes;  // one per table entry, in table order
    std::optional<int> matchedEntry;     // the first entry that matches
    bool libraryOpensThis = false;       // the first match the library can open
};

struct DeviceSurvey {
    // Where the device table came from: the file examined and what the
    // library makes of it.
    std::string configPath;
    std::string configSummary;
    bool hidAvailable = false;
    bool enumerated = false;
    DWORD enumerationError = 0;
    DeviceConfigList table;
    std::vector<WrittenEntry> written;  // the table's values as written, entry by entry
    std::vector<std::string> tableLines;  // the library's lines while building the table
    std::vector<InterfaceReport> interfaces;
    // The library's own open over the same table.
    bool libraryFound = false;
    std::string libraryDeviceName;
    std::vector<std::string> openLines;
};

// The interfaces against the table the library makes of the file at
// `configPath` (shown as `displayPath`).
DeviceSurvey surveyDevices(const std::wstring& configPath, const std::string& displayPath);

ExitStatus exitStatusOf(const DeviceSurvey& survey);
std::vector<std::string> describeDeviceSurvey(const DeviceSurvey& survey);
Json deviceSurveyJson(const DeviceSurvey& survey);

}  // namespace tamo::tool
