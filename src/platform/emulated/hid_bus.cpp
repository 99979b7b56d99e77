// The interfaces plugged into the virtual HID bus and the handles open on them.
#include "platform/emulated/device_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>

namespace emulated::bus {
namespace {

struct Bus {
    std::vector<std::shared_ptr<PluggedInterface>> interfaces;
    std::vector<std::wstring> openRequests;
    std::vector<HidRequest> requests;
    HidSession lastSession = 0;
};

Bus& theBus() {
    static Bus bus;
    return bus;
}

const bool registered = [] {
    kernel::onReset([] {
        std::lock_guard guard(kernel::lock());
        theBus() = Bus{};
    });
    return true;
}();

// A device without a model: it never sends an input report, swallows output
// reports and stalls every feature request.
class SilentDevice final : public HidDeviceModel {
public:
    DWORD setFeature(HidSession, std::span<const std::uint8_t>) override { return ERROR_GEN_FAILURE; }
    DWORD getFeature(HidSession, std::span<std::uint8_t>) override { return ERROR_GEN_FAILURE; }
    TransferReply write(HidSession, std::span<const std::uint8_t>) override { return TransferReply::now(); }
    TransferReply read(HidSession) override { return TransferReply::never(); }
};

bool samePath(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
           });
}

}  // namespace

GUID hidClassGuid() { return GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}}; }

bool isHidClass(const GUID* guid) {
    const GUID hid = hidClassGuid();
    return guid && std::memcmp(guid, &hid, sizeof hid) == 0;
}

HidDeviceModel& PluggedInterface::device() const {
    static SilentDevice silent;
    return description.device ? *description.device : silent;
}

std::vector<std::shared_ptr<PluggedInterface>> presentInterfaces() {
    std::vector<std::shared_ptr<PluggedInterface>> present;
    for (const auto& plugged : theBus().interfaces) {
        if (plugged->present) present.push_back(plugged);
    }
    return present;
}

std::vector<std::shared_ptr<PluggedInterface>> allInterfaces() { return theBus().interfaces; }

std::shared_ptr<PluggedInterface> findPresent(std::wstring_view path) {
    for (const auto& plugged : theBus().interfaces) {
        if (plugged->present && samePath(plugged->description.path, path)) return plugged;
    }
    return nullptr;
}

void recordOpenRequest(std::wstring_view path) { theBus().openRequests.emplace_back(path); }

HidSession newSession() { return ++theBus().lastSession; }

void recordRequest(HidRequest::Kind kind, const PluggedInterface& plugged, DWORD length) {
    theBus().requests.push_back(HidRequest{kind, plugged.description.path, length});
}

DeviceFile::~DeviceFile() {
    if (!plugged) return;
    plugged->openings.erase(session);
    plugged->device().closed(session);
}

std::shared_ptr<DeviceFile> lookupFile(HANDLE handle) { return kernel::lookupAs<DeviceFile>(handle, ObjectKind::File); }

DWORD connectionError(const DeviceFile& file) {
    return file.plugged->present ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
}

}  // namespace emulated::bus

namespace emulated {

void HidBus::plug(HidInterface hidInterface) {
    auto plugged = std::make_shared<bus::PluggedInterface>();
    plugged->description = std::move(hidInterface);
    std::lock_guard guard(kernel::lock());
    bus::theBus().interfaces.push_back(std::move(plugged));
}

bool HidBus::unplug(const std::wstring& path) {
    std::lock_guard guard(kernel::lock());
    auto plugged = bus::findPresent(path);
    if (!plugged) return false;
    plugged->present = false;
    return true;
}

std::size_t HidBus::presentCount() {
    std::lock_guard guard(kernel::lock());
    return bus::presentInterfaces().size();
}

std::vector<std::wstring> HidBus::openRequests() {
    std::lock_guard guard(kernel::lock());
    return bus::theBus().openRequests;
}

std::vector<HidRequest> HidBus::requests() {
    std::lock_guard guard(kernel::lock());
    return bus::theBus().requests;
}

std::size_t HidBus::openHandleCount(const std::wstring& path) {
    std::lock_guard guard(kernel::lock());
    std::size_t count = 0;
    for (const auto& plugged : bus::theBus().interfaces) {
        if (bus::samePath(plugged->description.path, path)) count += plugged->openings.size();
    }
    return count;
}

}  // namespace emulated
