// Internals of the virtual HID bus shared by the SetupAPI, file and hid.dll
// emulations. Everything here is used with the kernel lock held.
#pragma once

#include "platform/emulated/hid_bus.h"
#include "platform/emulated/kernel.h"

#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace emulated::bus {

struct PluggedInterface {
    HidInterface description;
    bool present = true;
    struct Opening {
        DWORD access = 0;
        DWORD share = 0;
    };
    std::map<HidSession, Opening> openings;

    // The model, or one that answers nothing when the test gave none.
    HidDeviceModel& device() const;
};

// The HID device-interface class.
GUID hidClassGuid();
bool isHidClass(const GUID* guid);

std::vector<std::shared_ptr<PluggedInterface>> presentInterfaces();
// Present ones and those unplugged since reset, in plug order.
std::vector<std::shared_ptr<PluggedInterface>> allInterfaces();
std::shared_ptr<PluggedInterface> findPresent(std::wstring_view path);
void recordOpenRequest(std::wstring_view path);
HidSession newSession();
void recordRequest(HidRequest::Kind kind, const PluggedInterface& plugged, DWORD length);

// A handle opened on an interface. Its references are only held under the
// kernel lock, so the destructor, which leaves the interface, runs there too.
struct DeviceFile final : kernel::Object {
    std::shared_ptr<PluggedInterface> plugged;
    HidSession session = 0;
    DWORD access = 0;
    bool overlapped = false;

    ObjectKind kind() const override { return ObjectKind::File; }
    ~DeviceFile() override;
};

std::shared_ptr<DeviceFile> lookupFile(HANDLE handle);

// What a request on `file` must fail with before the device sees it: a
// file that is no longer connected. ERROR_SUCCESS when it may go on.
DWORD connectionError(const DeviceFile& file);

}  // namespace emulated::bus
