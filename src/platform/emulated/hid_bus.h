// The virtual HID bus: the HID interfaces present in the emulated system.
//
// Tests plug interfaces in; SetupDiGetClassDevsW takes a snapshot of them in
// plug order, which is the order SetupDiEnumDeviceInterfaces reports, and
// CreateFileW opens them by device path. System::reset() empties the bus.
#pragma once

#include "platform/emulated/hid_device_model.h"
#include "platform/win32.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace emulated {

struct HidInterface {
    std::wstring path;  // device path, compared without regard to case
    USHORT vendorId = 0;
    USHORT productId = 0;
    USHORT versionNumber = 0x0100;
    std::wstring productString;  // UTF-16 units, one per element
    USAGE usagePage = 0;
    USAGE usage = 0;
    USHORT inputReportByteLength = 64;
    USHORT outputReportByteLength = 64;
    USHORT featureReportByteLength = 64;
    // False: like a keyboard or mouse, the interface can be opened for
    // neither reading nor writing (ERROR_ACCESS_DENIED); an open with no
    // access still works.
    bool openable = true;
    // What answers the requests; none: a device that sends no input report
    // and fails every feature request.
    std::shared_ptr<HidDeviceModel> device;
};

// One request made on an open handle of an interface, as the caller made it.
struct HidRequest {
    enum class Kind { Read, Write, GetFeature, SetFeature };
    Kind kind;
    std::wstring path;
    DWORD length;  // the byte count the caller passed
};

struct HidBus {
    // Appends an interface; a second one with the same path replaces nothing,
    // it is simply never found by path before the first is unplugged.
    static void plug(HidInterface hidInterface);
    // Removes the interface from the present ones. Handles already open on it
    // stay open, but every request on them fails with
    // ERROR_DEVICE_NOT_CONNECTED. False when no such interface is present.
    static bool unplug(const std::wstring& path);
    static std::size_t presentCount();

    // The paths that CreateFileW was asked to open since reset, in order,
    // failed attempts included.
    static std::vector<std::wstring> openRequests();
    // Reads, writes and feature requests on open handles since reset, in
    // order, including those that failed.
    static std::vector<HidRequest> requests();
    // Handles open now on the interface with this path.
    static std::size_t openHandleCount(const std::wstring& path);

    // A device path of the form Windows gives HID interfaces.
    static std::wstring devicePath(USHORT vendorId, USHORT productId, unsigned instance = 0);
};

}  // namespace emulated
