// Device tables and bus set-ups shared by the connection tests.
#pragma once

#include "config/device_config.h"
#include "platform/emulated/hid_bus.h"
#include "platform/emulated/virtual_headset.h"

#include <memory>
#include <string>
#include <vector>

namespace tamo::test {

// An entry like the built-in ones.
inline DeviceConfig headsetEntry(const std::string& productName = "Tamo Mk2", const std::string& deviceName = "HMD#0") {
    return DeviceConfig{{property::kVendorID, "2E5C"},      {property::kProductID, "0712"},
                        {property::kReportID, "0"},         {property::kUsage, "0001"},
                        {property::kUsagePage, "FF00"},     {property::kProductName, productName},
                        {property::kDeviceName, deviceName}};
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
