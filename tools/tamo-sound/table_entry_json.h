// A device table entry in the tool's JSON: what matching compares, as the
// library reads it, and every value as written.
#pragma once

#include "inspect/config_report.h"
#include "json.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tamo::tool {

// {vendor_id, vendor_id_hex, product_id, product_id_hex, usage_page, usage,
//  product_name, device_name, written: {vendor_id, ..., report_id}}; a test
// the entry does not make is null.
Json tableEntryJson(const DeviceConfig& entry, const WrittenEntry& written);

// The value of `property` ("VendorID") as written.
const std::string& writtenValue(const WrittenEntry& written, std::string_view property);

// "2E5C": a USB vendor or product ID as tables and Windows write it.
std::string hexId(std::uint16_t id);

// The member that stands for a table property ("VendorID" -> "vendor_id").
std::string tableMemberName(const std::string& property);

}  // namespace tamo::tool
