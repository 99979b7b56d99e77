// The device table: which HID interfaces count as the headset.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {

// The property names of an entry, as hmd_config.ini's keys spell them
// ("VENDORID_001" fills "VendorID") and as a tool shows them.
namespace property {
inline constexpr const char* kVendorID = "VendorID";
inline constexpr const char* kProductID = "ProductID";
inline constexpr const char* kUsage = "Usage";
inline constexpr const char* kUsagePage = "UsagePage";
inline constexpr const char* kProductName = "ProductName";
inline constexpr const char* kReportID = "ReportID";
inline constexpr const char* kDeviceName = "DeviceName";
}  // namespace property

// The seven properties of an entry in the order they are looked up.
inline constexpr std::size_t kPropertyCount = 7;
inline constexpr std::array<const char*, kPropertyCount> kProperties = {
    property::kVendorID,    property::kProductID, property::kUsage,      property::kUsagePage,
    property::kProductName, property::kReportID,  property::kDeviceName,
};

// The position of `name` in kProperties; kPropertyCount for no property.
constexpr std::size_t propertyIndex(std::string_view name) {
    std::size_t index = 0;
    while (index < kPropertyCount && name != kProperties[index]) ++index;
    return index;
}

// An entry's values as written, in the order of kProperties; EntryText
// views them where they are held.
using WrittenEntry = std::array<std::string, kPropertyCount>;
using EntryText = std::array<std::string_view, kPropertyCount>;

// One entry, its numbers read once from the hexadecimal text. Vendor and
// product IDs keep the low 16 bits of what is written; usage page and usage
// the whole 32-bit number, so a value beyond 16 bits never matches. Every
// entry the configuration makes has all seven; matching skips an absent
// product name, usage page or usage test.
struct DeviceConfig {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::optional<std::int32_t> usagePage;
    std::optional<std::int32_t> usage;
    std::optional<std::string> productName;
    // Carried, never read.
    std::int32_t reportId = 0;
    std::string deviceName;

    bool operator==(const DeviceConfig&) const = default;
};

// The table, in the order of the file's entry indices or the built-in order.
using DeviceConfigList = std::vector<DeviceConfig>;

// The entry that `written` describes.
DeviceConfig deviceConfigOf(const EntryText& written);
DeviceConfig deviceConfigOf(const WrittenEntry& written);

}  // namespace tamo
