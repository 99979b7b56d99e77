// Every HID interface the system enumerates, and how the library's matching
// treats it.
//
// The interfaces are enumerated with SetupAPI and queried through hid.dll
// (resolved as the library resolves it), and each is tested against every
// entry of the library's device table by the library's own matching, which
// names the first test an entry fails (vendor ID, product ID, product
// string, capabilities, usage page, usage). Which interface the library
// keeps is the library's own answer.
#pragma once

#include "hid/device_match.h"
#include "inspect/config_report.h"
#include "platform/win32.h"

#include <optional>
#include <string>
#include <vector>

namespace tamo::inspect {

struct EntryOutcome {
    int entry = 0;  // 1-based position in the device table
    std::optional<MatchTest> failed;
    std::string detail;  // "product string differs: 'TAMO  Prime' (the entry has 'TAMO Prime')"

    bool matched() const { return !failed; }
};

struct InterfaceReport {
    std::wstring path;             // empty when the system gives none
    bool openedReadWrite = false;  // as the library opens it
    DWORD openError = 0;           // why that failed
    bool queried = false;          // opened at all, for reading its properties
    bool attributesRead = false;
    USHORT vendorId = 0;
    USHORT productId = 0;
    USHORT versionNumber = 0;
    std::wstring productString;
    bool capabilitiesRead = false;
    HIDP_CAPS caps{};
    std::vector<EntryOutcome> outcomes;  // one per table entry, in table order
    std::optional<int> matchedEntry;     // the first entry that matches
    bool libraryOpensThis = false;       // the first match the library can open
};

struct DeviceSurvey {
    // The file the table came from, and all the library makes of it.
    ConfigReport config;
    bool hidAvailable = false;
    bool enumerated = false;
    DWORD enumerationError = 0;
    std::vector<InterfaceReport> interfaces;
    // The library's own open over the same table.
    bool libraryFound = false;
    std::string libraryDeviceName;
    std::vector<std::string> openLines;
};

// The interfaces against the table the library makes of the file at
// `configPath` (shown as `displayPath`).
DeviceSurvey surveyDevices(const std::wstring& configPath, const std::string& displayPath);

// The test's stable name: "vendor", "product_string", ...
const char* matchTestName(MatchTest test);

}  // namespace tamo::inspect
