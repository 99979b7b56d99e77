// Device tables and bus set-ups shared by the connection tests.
#pragma once

#include "config/device_config.h"
#include "platform/emulated/hid_bus.h"
#include "platform/emulated/virtual_headset.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tamo::test {

// An entry like the built-in ones, as written and as read.
inline WrittenEntry headsetWritten(const std::string& productName = "Tamo Mk2",
                                   const std::string& deviceName = "HMD#0") {
    return {"2E5C", "0712", "0001", "FF00", productName, "0", deviceName};
}
inline DeviceConfig headsetEntry(const std::string& productName = "Tamo Mk2", const std::string& deviceName = "HMD#0") {
    return deviceConfigOf(headsetWritten(productName, deviceName));
}

// The headset's entry with some values written otherwise; a property
// given no value is a test the entry does not make (product name, usage
// page, usage).
using EntryChanges = std::vector<std::pair<const char*, std::optional<std::string>>>;
inline DeviceConfig headsetEntryWith(const EntryChanges& changes) {
    WrittenEntry written = headsetWritten();
    for (const auto& [key, value] : changes) {
        if (value) written.at(propertyIndex(key)) = *value;
    }
    DeviceConfig entry = deviceConfigOf(written);
    for (const auto& [key, value] : changes) {
        if (value) continue;
        if (key == std::string_view(property::kProductName)) entry.productName.reset();
        if (key == std::string_view(property::kUsagePage)) entry.usagePage.reset();
        if (key == std::string_view(property::kUsage)) entry.usage.reset();
    }
    return entry;
}

// An entry that makes only the two ID tests.
inline DeviceConfig idsOnly(std::uint16_t vendorId, std::uint16_t productId, const std::string& deviceName = {}) {
    DeviceConfig entry;
    entry.vendorId = vendorId;
    entry.productId = productId;
    entry.deviceName = deviceName;
    return entry;
}

// Plugs a virtual headset in; instances tell apart several of them.
inline std::shared_ptr<emulated::VirtualHeadset> plugHeadset(const std::wstring& productString = L"Tamo Mk2",
                                                             unsigned instance = 0) {
    auto headset = std::make_shared<emulated::VirtualHeadset>();
    emulated::HidBus::plug(emulated::VirtualHeadset::describe(headset, productString, instance));
    return headset;
}

inline std::wstring headsetPath(unsigned instance = 0) {
    return emulated::HidBus::devicePath(emulated::VirtualHeadset::kVendorId, emulated::VirtualHeadset::kProductId,
                                        instance);
}

// Some other HID interface (a mouse, a keyboard, a gamepad).
inline emulated::HidInterface otherInterface(USHORT vendorId, USHORT productId, bool openable = true) {
    emulated::HidInterface description;
    description.path = emulated::HidBus::devicePath(vendorId, productId);
    description.vendorId = vendorId;
    description.productId = productId;
    description.productString = L"USB Receiver";
    description.usagePage = 0x0001;
    description.usage = 0x0002;
    description.inputReportByteLength = 8;
    description.outputReportByteLength = 0;
    description.featureReportByteLength = 0;
    description.openable = openable;
    return description;
}

}  // namespace tamo::test
