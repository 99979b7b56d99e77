// The device table: which HID interfaces count as the headset.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tamo {

// Property names: the keys of a DeviceConfig entry and of the capability
// map. Compile-time constants, so loading the library costs nothing.
namespace property {
inline constexpr const char* kVendorID = "VendorID";
inline constexpr const char* kProductID = "ProductID";
inline constexpr const char* kReportID = "ReportID";
inline constexpr const char* kUsage = "Usage";
inline constexpr const char* kUsagePage = "UsagePage";
inline constexpr const char* kProductName = "ProductName";
inline constexpr const char* kDeviceName = "DeviceName";
inline constexpr const char* kInputReportByteLength = "InputReportByteLength";
inline constexpr const char* kOutputReportByteLength = "OutputReportByteLength";
inline constexpr const char* kFeatureReportByteLength = "FeatureReportByteLength";
}  // namespace property

// One entry: property name -> text value, exact and case-sensitive keys.
using DeviceConfig = std::map<std::string, std::string>;
// The table, in the order of the file's entry indices or the built-in order.
using DeviceConfigList = std::vector<DeviceConfig>;

}  // namespace tamo
