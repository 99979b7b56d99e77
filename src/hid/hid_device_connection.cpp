// Discovery and opening: enumerate the present HID interfaces, open each in
// turn, keep the first that matches the device table.
#include "hid/hid_device_connection.h"

#include "hid/device_access.h"
#include "hid/interface_enumeration.h"
#include "platform/console.h"

#include <string>
#include <utility>

namespace tamo {
namespace {

using namespace device_access;
constexpr const char* kNoDevice = "No Device";

}  // namespace

HidDeviceConnection::HidDeviceConnection(DeviceConfigList table, const HidLibrary& hid)
    : hid_(hid), deviceTable_(std::move(table)), deviceName_(kNoDevice) {}

HidDeviceConnection::~HidDeviceConnection() { close(); }

bool HidDeviceConnection::open() {
    if (deviceHandle_) return true;
    // Without hid.dll no interface can be told apart from another: the
    // headset counts as absent.
    if (!hid_.available()) return false;
    // A set left by an earlier open that found nothing is released first.
    deviceInfoSet_.reset();

    GUID hidGuid{};
    hid_.getHidGuid(&hidGuid);
    HDEVINFO set = SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, kPresentInterfaces);
    if (set == INVALID_HANDLE_VALUE) {
        printLine("SetupDiGetClassDevs failed: " + std::to_string(GetLastError()));
        return false;
    }
    deviceInfoSet_.reset(set);

    openedInterface_ = visitInterfaces(
        set, hidGuid, [this](DWORD, const wchar_t* devicePath) { return devicePath && openIfMatching(devicePath); });
    return deviceHandle_.valid();
}

bool HidDeviceConnection::openIfMatching(const wchar_t* devicePath) {
    // An interface that cannot be opened for reading and writing (a
    // keyboard, a mouse, one held exclusively) is skipped without a word.
    UniqueFileHandle device(CreateFileW(devicePath, kAccess, kSharing, nullptr, OPEN_EXISTING, kFlags, nullptr));
    if (!device) return false;
    if (!matchDevice(device.get())) return false;
    deviceHandle_ = std::move(device);
    return true;
}

void HidDeviceConnection::close() {
    deviceHandle_.reset();
    deviceInfoSet_.reset();
}

HANDLE HidDeviceConnection::deviceHandle() const { return deviceHandle_.get(); }

const std::string& HidDeviceConnection::deviceName() const { return deviceName_; }

std::optional<DWORD> HidDeviceConnection::openedInterface() const { return openedInterface_; }

const HidLibrary& HidDeviceConnection::hid() const { return hid_; }

}  // namespace tamo
