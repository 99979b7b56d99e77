// Matching an opened interface against the device table.
#include "config/integer_text.h"
#include "hid/hid_device_connection.h"

#include "platform/console.h"

#include <array>

namespace tamo {
namespace {

// A product string holds at most 126 characters; the buffer has room for
// them and the terminator.
constexpr std::size_t kProductStringUnits = 128;

const std::string* valueOf(const DeviceConfig& entry, const char* key) {
    auto it = entry.find(key);
    return it == entry.end() ? nullptr : &it->second;
}

// Vendor and product IDs are compared by the low 16 bits of the number.
bool idMatches(const DeviceConfig& entry, const char* key, USHORT id) {
    const std::string* text = valueOf(entry, key);
    return text && static_cast<std::uint16_t>(readInteger(*text, 16).value) == id;
}

// Usage page and usage are compared as whole 32-bit numbers, so a table
// value beyond 16 bits never matches. An entry without the key skips it.
bool usageMatches(const DeviceConfig& entry, const char* key, const std::map<std::string, std::int32_t>& caps) {
    const std::string* text = valueOf(entry, key);
    if (!text) return true;
    auto it = caps.find(key);
    return it != caps.end() && readInteger(*text, 16).value == it->second;
}

}  // namespace

bool HidDeviceConnection::matchDevice(HANDLE device) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!hid_.getAttributes(device, &attributes)) {
        printLine("Error: HidD_GetAttributes failed");
        return false;
    }
    for (DeviceConfig& entry : deviceTable_) {
        if (!matchesEntry(device, attributes, entry)) continue;
        // An entry without a name gets an empty one, and so does the device.
        deviceName_ = entry[property::kDeviceName];
        return true;
    }
    return false;
}

bool HidDeviceConnection::matchesEntry(HANDLE device, const HIDD_ATTRIBUTES& attributes,
                                       const DeviceConfig& entry) const {
    if (!idMatches(entry, property::kVendorID, attributes.VendorID)) return false;
    if (!idMatches(entry, property::kProductID, attributes.ProductID)) return false;
    if (const std::string* name = valueOf(entry, property::kProductName)) {
        if (readProductString(device) != *name) return false;
    }
    CapabilityMap capabilities;
    if (!readCapabilities(device, capabilities)) return false;
    return usageMatches(entry, property::kUsagePage, capabilities) &&
           usageMatches(entry, property::kUsage, capabilities);
}

// Narrowed unit by unit to the low byte: ASCII names come out unchanged,
// and no code page is involved.
std::string HidDeviceConnection::readProductString(HANDLE device) const {
    std::array<WCHAR, kProductStringUnits> units{};
    // Not tested: a failed read leaves the buffer zero, the string empty.
    hid_.getProductString(device, units.data(), static_cast<ULONG>(sizeof units));
    std::string text;
    for (WCHAR unit : units) {
        if (unit == 0) break;
        text.push_back(static_cast<char>(static_cast<unsigned char>(unit & 0xFF)));
    }
    return text;
}

bool HidDeviceConnection::readCapabilities(HANDLE device, CapabilityMap& capabilities) const {
    capabilities.clear();
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!hid_.getPreparsedData(device, &preparsed)) return false;
    HIDP_CAPS caps{};
    NTSTATUS status = hid_.getCaps(preparsed, &caps);
    hid_.freePreparsedData(preparsed);
    if (status != HIDP_STATUS_SUCCESS) return false;
    capabilities[property::kUsagePage] = caps.UsagePage;
    capabilities[property::kUsage] = caps.Usage;
    capabilities[property::kInputReportByteLength] = caps.InputReportByteLength;
    capabilities[property::kOutputReportByteLength] = caps.OutputReportByteLength;
    capabilities[property::kFeatureReportByteLength] = caps.FeatureReportByteLength;
    return true;
}

}  // namespace tamo
