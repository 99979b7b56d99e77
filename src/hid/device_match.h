// Matching one opened HID interface against one device-table entry, with
// the reason when it does not match. The connection keeps the first
// interface that some entry matches; a tool asks the same question to say
// why an interface was passed over.
#pragma once

#include "config/device_config.h"
#include "hid/hid_library.h"
#include "platform/win32.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace tamo {

// The tests in the order they are made; the first that fails decides.
enum class MatchTest { Vendor, Product, ProductString, Capabilities, UsagePage, Usage };

struct MatchResult {
    // None when every test passed.
    std::optional<MatchTest> failed;
    // What the failed test compared: the entry's value and the device's.
    // Numbers for the numeric tests; the product string as text.
    std::int64_t wanted = 0;
    std::int64_t found = 0;
    std::string foundText;

    bool matched() const { return !failed; }
};

// Tests an opened interface, whose attributes were read, against `entry`.
// The product string and the capabilities are read from the device for
// this entry alone, each only when its test is reached.
MatchResult matchEntry(const HidLibrary& hid, HANDLE device, const HIDD_ATTRIBUTES& attributes,
                       const DeviceConfig& entry);

// Whether an interface can report `value` as its usage page or usage. Its
// capabilities hold 16 bits, so an entry whose value lies beyond them never
// matches any interface.
constexpr bool isReportableUsage(std::int32_t value) {
    return value >= 0 && value <= std::numeric_limits<USAGE>::max();
}

// The interface's product string as UTF-16 units, up to the first zero;
// empty when it cannot be read.
std::wstring readProductUnits(const HidLibrary& hid, HANDLE device);
// The same narrowed unit by unit to the low byte, as matching compares it.
std::string readProductString(const HidLibrary& hid, HANDLE device);

// The top-level collection's capabilities; nothing when they cannot be read.
std::optional<HIDP_CAPS> readCapabilities(const HidLibrary& hid, HANDLE device);

}  // namespace tamo
