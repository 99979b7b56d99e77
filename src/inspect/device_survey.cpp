#include "inspect/device_survey.h"

#include "hid/device_access.h"
#include "hid/hid_device_connection.h"
#include "hid/hid_library.h"
#include "hid/interface_enumeration.h"
#include "hid/unique_handle.h"
#include "inspect/text_forms.h"
#include "platform/line_redirect.h"

namespace tamo::inspect {
namespace {

using namespace device_access;

// "vendor ID differs: 1234 (the entry has '045E')"
std::string differs(const char* what, std::int64_t found, const ConfigEntry& entry, const char* property) {
    return std::string(what) + " differs: " + hexDigits(static_cast<std::uint64_t>(found), 4) + " (the entry has " +
           quoted(entry.written[propertyIndex(property)]) + ")";
}

// What the library's matching says of this entry, in the report's words.
EntryOutcome outcomeOf(const MatchResult& result, const ConfigEntry& entry, int position) {
    EntryOutcome outcome;
    outcome.entry = position;
    outcome.failed = result.failed;
    if (outcome.matched()) return outcome;
    switch (*result.failed) {
    case MatchTest::Vendor: outcome.detail = differs("vendor ID", result.found, entry, property::kVendorID); break;
    case MatchTest::Product: outcome.detail = differs("product ID", result.found, entry, property::kProductID); break;
    case MatchTest::ProductString:
        outcome.detail = "product string differs: " + quoted(result.foundText) + " (the entry has " +
                         quoted(entry.written[propertyIndex(property::kProductName)]) + ")";
        break;
    case MatchTest::Capabilities: outcome.detail = "the capabilities cannot be read"; break;
    case MatchTest::UsagePage: outcome.detail = differs("usage page", result.found, entry, property::kUsagePage); break;
    case MatchTest::Usage: outcome.detail = differs("usage", result.found, entry, property::kUsage); break;
    }
    return outcome;
}

// Opens one interface as the library does, or failing that for queries
// only, reads what the library reads and tests it against the table.
InterfaceReport inspectInterface(const HidLibrary& hid, const std::wstring& path, const ConfigReport& config) {
    InterfaceReport report;
    report.path = path;
    UniqueFileHandle device(CreateFileW(path.c_str(), kAccess, kSharing, nullptr, OPEN_EXISTING, kFlags, nullptr));
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
    report.productString = readProductUnits(hid, device.get());
    if (std::optional<HIDP_CAPS> caps = readCapabilities(hid, device.get())) {
        report.capabilitiesRead = true;
        report.caps = *caps;
    }
    if (!report.attributesRead) return report;
    for (std::size_t i = 0; i < config.table.size(); ++i) {
        const ConfigEntry& entry = config.table[i];
        EntryOutcome outcome =
            outcomeOf(matchEntry(hid, device.get(), attributes, entry.properties), entry, static_cast<int>(i + 1));
        if (outcome.matched() && !report.matchedEntry) report.matchedEntry = outcome.entry;
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
        survey.interfaces.push_back(devicePath ? inspectInterface(hid, devicePath, survey.config) : InterfaceReport{});
        return false;
    });
}

// The library's own discovery over the same table: whether it finds a
// headset, under which name, and which of the interfaces it keeps.
void askTheLibrary(DeviceSurvey& survey) {
    DeviceConfigList table;
    for (const ConfigEntry& entry : survey.config.table) table.push_back(entry.properties);
    LineRedirect capture;
    HidDeviceConnection connection(std::move(table));
    survey.libraryFound = connection.open();
    survey.libraryDeviceName = connection.deviceName();
    std::optional<DWORD> opened = connection.openedInterface();
    if (opened && *opened < survey.interfaces.size()) survey.interfaces[*opened].libraryOpensThis = true;
    connection.close();
    survey.openLines = capture.lines();
}

}  // namespace

DeviceSurvey surveyDevices(const std::wstring& configPath, const std::string& displayPath) {
    DeviceSurvey survey;
    survey.config = inspectConfigFile(configPath, displayPath);
    const HidLibrary& hid = HidLibrary::instance();
    survey.hidAvailable = hid.available();
    if (!survey.hidAvailable) return survey;
    enumerate(survey, hid);
    askTheLibrary(survey);
    return survey;
}

const char* matchTestName(MatchTest test) {
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

}  // namespace tamo::inspect
