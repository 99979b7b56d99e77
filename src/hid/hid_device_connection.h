// One short-lived connection to the headset: discovery, matching, opening,
// report transfer and closing.
#pragma once

#include "config/device_config.h"
#include "hid/hid_library.h"
#include "platform/win32.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>

namespace tamo {

inline constexpr std::size_t kReportSize = 64;
inline constexpr DWORD kTransferTimeoutMs = 10000;

using Report = std::span<std::uint8_t, kReportSize>;
using ConstReport = std::span<const std::uint8_t, kReportSize>;

class HidDeviceConnection {
public:
    // Keeps a copy of the entries that have both VendorID and ProductID.
    explicit HidDeviceConnection(const DeviceConfigList& table, const HidLibrary& hid = HidLibrary::instance());
    ~HidDeviceConnection();
    HidDeviceConnection(const HidDeviceConnection&) = delete;
    HidDeviceConnection& operator=(const HidDeviceConnection&) = delete;

    // Enumerates the present HID interfaces and keeps the first that matches
    // the table open. True when a device is open afterwards.
    bool open();
    // Closes the device handle, then the device-information set.
    void close();

    HANDLE deviceHandle() const;
    const std::string& deviceName() const;
    const HidLibrary& hid() const;

    // One 64-byte input or output report, waiting at most 10000 ms. True
    // when the transfer completed in time.
    bool readInputReport(Report buffer);
    bool writeOutputReport(ConstReport buffer);

private:
    // Implementation detail owned by the HID layer.
    struct State;
    State* state_;
};

}  // namespace tamo
