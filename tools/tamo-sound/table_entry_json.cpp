#include "table_entry_json.h"

#include <array>
#include <cstdio>
#include <utility>

namespace tamo::tool {
namespace {

// The members of "written", in the order of the table's properties.
constexpr std::array<std::pair<const char*, const char*>, 7> kWrittenMembers = {{
    {property::kVendorID, "vendor_id"},
    {property::kProductID, "product_id"},
    {property::kUsagePage, "usage_page"},
    {property::kUsage, "usage"},
    {property::kProductName, "product_name"},
    {property::kReportID, "report_id"},
    {property::kDeviceName, "device_name"},
}};

template <class T>
Json orNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json();
}

}  // namespace

std::string hexId(std::uint16_t id) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%04X", static_cast<unsigned>(id));
    return text.data();
}

std::string tableMemberName(const std::string& property) {
    for (const auto& [name, member] : kWrittenMembers) {
        if (property == name) return member;
    }
    return property;
}

const std::string& writtenValue(const WrittenEntry& written, std::string_view property) {
    return written.at(propertyIndex(property));
}

Json tableEntryJson(const DeviceConfig& entry, const WrittenEntry& written) {
    Json json = Json::object();
    json.set("vendor_id", entry.vendorId);
    json.set("vendor_id_hex", hexId(entry.vendorId));
    json.set("product_id", entry.productId);
    json.set("product_id_hex", hexId(entry.productId));
    json.set("usage_page", orNull(entry.usagePage));
    json.set("usage", orNull(entry.usage));
    json.set("product_name", orNull(entry.productName));
    json.set("device_name", entry.deviceName);
    Json members = Json::object();
    for (const auto& [property, member] : kWrittenMembers) members.set(member, writtenValue(written, property));
    json.set("written", std::move(members));
    return json;
}

}  // namespace tamo::tool
