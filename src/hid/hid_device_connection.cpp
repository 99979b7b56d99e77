// Discovery and opening: enumerate the present HID interfaces, open each in
// turn, keep the first that matches the device table.
#include "hid/hid_device_connection.h"

#include "hid/device_access.h"
#include "platform/console.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace tamo {
namespace {

using namespace device_access;
constexpr const char* kNoDevice = "No Device";

// A record of variable length: the C heap, not an exception-throwing new,
// since running out here only skips the interface.
struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};
using DetailBlock = std::unique_ptr<SP_DEVICE_INTERFACE_DETAIL_DATA_W, FreeBlock>;

}  // namespace

HidDeviceConnection::HidDeviceConnection(const DeviceConfigList& table, const HidLibrary& hid)
    : hid_(hid), deviceTable_(table), deviceName_(kNoDevice) {}

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

    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData); ++index) {
        if (OpenDeviceInterface(interfaceData)) {
            openedInterface_ = index;
            break;
        }
    }
    return deviceHandle_.valid();
}

bool HidDeviceConnection::OpenDeviceInterface(SP_DEVICE_INTERFACE_DATA& interfaceData) {
    // Asked only for the size, so its failure is the expected answer.
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(deviceInfoSet_.get(), &interfaceData, nullptr, 0, &required, nullptr);
    // Less than the fixed part means the call failed for another reason; a
    // block that small could not even take the size field.
    if (required < kDetailFixedSize) {
        printLine("Error: SetupDiGetInterfaceDeviceDetail failed");
        return false;
    }
    DetailBlock detail(static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(std::malloc(required)));
    if (!detail) {
        printLine("Error: OpenDeviceInterface: malloc failed");
        return false;
    }
    detail->cbSize = kDetailFixedSize;
    if (!SetupDiGetDeviceInterfaceDetailW(deviceInfoSet_.get(), &interfaceData, detail.get(), required, nullptr,
                                          nullptr)) {
        printLine("Error: SetupDiGetInterfaceDeviceDetail failed");
        return false;
    }

    // An interface that cannot be opened for reading and writing (a
    // keyboard, a mouse, one held exclusively) is skipped without a word.
    UniqueFileHandle device(CreateFileW(detail->DevicePath, kAccess, kSharing, nullptr, OPEN_EXISTING,
                                        kFlags, nullptr));
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
