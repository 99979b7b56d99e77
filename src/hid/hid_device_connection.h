// One short-lived connection to the headset: discovery, matching, opening,
// report transfer and closing.
#pragma once

#include "config/device_config.h"
#include "hid/device_match.h"
#include "hid/hid_library.h"
#include "hid/unique_handle.h"
#include "platform/win32.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tamo {

inline constexpr std::size_t kReportSize = 64;
inline constexpr DWORD kTransferTimeoutMs = 10000;

using Report = std::span<std::uint8_t, kReportSize>;
using ConstReport = std::span<const std::uint8_t, kReportSize>;

enum class TransferResult {
    Completed,           // in time, with success
    CompletedWithError,  // in time, with an error status
    NotCompleted,        // refused, not started, or still running at the limit
};

class HidDeviceConnection {
public:
    // Keeps the table: a caller that no longer needs it moves it in.
    explicit HidDeviceConnection(DeviceConfigList table, const HidLibrary& hid = HidLibrary::instance());
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
    // The enumeration index of the interface that open kept, if any.
    std::optional<DWORD> openedInterface() const;
    const HidLibrary& hid() const;

    // One 64-byte input or output report, waiting at most 10000 ms. A read
    // tells a transfer that completed in time with an error status (the
    // buffer holds no report) from one that did not complete; a write is
    // true only when it completed in time without error. A transfer that
    // timed out and cannot be cancelled is ended by closing the device.
    TransferResult readInputReport(Report buffer);
    bool writeOutputReport(ConstReport buffer);

private:
    // Opens one enumerated interface and keeps it when it matches.
    bool openIfMatching(const wchar_t* devicePath);
    // Tests an opened device against the table; sets deviceName_ on a match.
    bool matchDevice(HANDLE device);

    const HidLibrary& hid_;
    // Declared so that destruction, too, closes the device before the set.
    UniqueDeviceInfoSet deviceInfoSet_;
    UniqueFileHandle deviceHandle_;
    DeviceConfigList deviceTable_;
    std::string deviceName_;
    std::optional<DWORD> openedInterface_;
};

}  // namespace tamo
