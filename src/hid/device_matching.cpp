// Matching an opened interface against the device table.
#include "hid/device_match.h"

#include "hid/hid_device_connection.h"
#include "platform/console.h"

#include <algorithm>
#include <array>

namespace tamo {
namespace {

// A product string holds at most 126 characters; the buffer has room for
// them and the terminator.
constexpr std::size_t kProductStringUnits = 128;

MatchResult failedAt(MatchTest test, std::int64_t wanted, std::int64_t found) {
    MatchResult result;
    result.failed = test;
    result.wanted = wanted;
    result.found = found;
    return result;
}

}  // namespace

MatchResult matchEntry(const HidLibrary& hid, HANDLE device, const HIDD_ATTRIBUTES& attributes,
                       const DeviceConfig& entry) {
    if (entry.vendorId != attributes.VendorID) return failedAt(MatchTest::Vendor, entry.vendorId, attributes.VendorID);
    if (entry.productId != attributes.ProductID) {
        return failedAt(MatchTest::Product, entry.productId, attributes.ProductID);
    }
    if (entry.productName) {
        std::string name = readProductString(hid, device);
        if (name != *entry.productName) {
            MatchResult result = failedAt(MatchTest::ProductString, 0, 0);
            result.foundText = std::move(name);
            return result;
        }
    }
    std::optional<HIDP_CAPS> caps = readCapabilities(hid, device);
    if (!caps) return failedAt(MatchTest::Capabilities, 0, 0);
    if (entry.usagePage && *entry.usagePage != caps->UsagePage) {
        return failedAt(MatchTest::UsagePage, *entry.usagePage, caps->UsagePage);
    }
    if (entry.usage && *entry.usage != caps->Usage) return failedAt(MatchTest::Usage, *entry.usage, caps->Usage);
    return {};
}

std::wstring readProductUnits(const HidLibrary& hid, HANDLE device) {
    std::array<WCHAR, kProductStringUnits> units{};
    // Not tested: a failed read leaves the buffer zero, the string empty.
    hid.getProductString(device, units.data(), static_cast<ULONG>(sizeof units));
    return std::wstring(units.data(), std::find(units.begin(), units.end(), L'\0') - units.begin());
}

// Narrowed unit by unit to the low byte: ASCII names come out unchanged,
// and no code page is involved.
std::string readProductString(const HidLibrary& hid, HANDLE device) {
    std::wstring units = readProductUnits(hid, device);
    std::string text;
    text.reserve(units.size());
    for (WCHAR unit : units) text.push_back(static_cast<char>(static_cast<unsigned char>(unit & 0xFF)));
    return text;
}

std::optional<HIDP_CAPS> readCapabilities(const HidLibrary& hid, HANDLE device) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!hid.getPreparsedData(device, &preparsed)) return std::nullopt;
    HIDP_CAPS caps{};
    NTSTATUS status = hid.getCaps(preparsed, &caps);
    hid.freePreparsedData(preparsed);
    if (status != HIDP_STATUS_SUCCESS) return std::nullopt;
    return caps;
}

bool HidDeviceConnection::matchDevice(HANDLE device) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!hid_.getAttributes(device, &attributes)) {
        printLine("Error: HidD_GetAttributes failed");
        return false;
    }
    for (const DeviceConfig& entry : deviceTable_) {
        if (!matchEntry(hid_, device, attributes, entry).matched()) continue;
        deviceName_ = entry.deviceName;
        return true;
    }
    return false;
}

}  // namespace tamo
