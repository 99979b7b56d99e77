#include "table_entry_json.h"

#include "hid/device_match.h"

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

Json tableEntryJson(const DeviceConfig& entry) {
    Json json = Json::object();
    std::optional<MatchEntry> typed = matchEntryOf(entry);
    json.set("vendor_id", typed ? Json(typed->vendorId) : Json());
    json.set("vendor_id_hex", typed ? Json(hexId(typed->vendorId)) : Json());
    json.set("product_id", typed ? Json(typed->productId) : Json());
    json.set("product_id_hex", typed ? Json(hexId(typed->productId)) : Json());
    json.set("usage_page", typed ? orNull(typed->usagePage) : Json());
    json.set("usage", typed ? orNull(typed->usage) : Json());
    json.set("product_name", typed ? orNull(typed->productName) : Json());
    json.set("device_name", typed ? Json(typed->deviceName) : Json());
    Json written = Json::object();
    for (const auto& [property, member] : kWrittenMembers) {
        auto it = entry.find(property);
        written.set(member, it == entry.end() ? Json() : Json(it->second));
    }
    json.set("written", std::move(written));
    return json;
}

}  // namespace tamo::tool
