// Device tables and bus set-ups shared by the connection tests.
#pragma once

#include "config/device_config.h"
#include "hid/hid_device_connection.h"
#include "platform/emulated/hid_bus.h"
#include "platform/emulated/system.h"
#include "platform/emulated/virtual_headset.h"
#include "platform/line_redirect.h"

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

// Two headsets behind each other, the first of which a fault makes the
// connection pass over.
struct SkippedAndKept {
    std::shared_ptr<emulated::VirtualHeadset> skipped = plugHeadset(L"Tamo Mk2", 1);
    std::shared_ptr<emulated::VirtualHeadset> kept = plugHeadset(L"Tamo Mk2", 2);
};

// A connection for the built-in headset entry, opened with the nth call of
// `function` failing with `error`, and what the open printed.
struct OpenedPastFault {
    OpenedPastFault(const char* function, int nth, DWORD error) {
        emulated::Faults::failCall(function, nth, error);
        LineRedirect out;
        opened = connection.open();
        lines = out.lines();
    }
    HidDeviceConnection connection{DeviceConfigList{headsetEntry()}};
    bool opened = false;
    std::vector<std::string> lines;
};

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
