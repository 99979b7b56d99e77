// SetupAPI: device-information sets over the virtual HID bus.
#include "platform/emulated/device_file.h"

#include <cstddef>
#include <cstring>

using namespace emulated::kernel;
using emulated::ObjectKind;
using emulated::bus::PluggedInterface;

namespace {

constexpr DWORD kInterfaceActive = 0x00000001;  // SPINT_ACTIVE

// A snapshot of the interfaces taken when the set was created: later plugs
// and unplugs do not change it, as on Windows.
struct DeviceInfoSet final : Object {
    std::vector<std::shared_ptr<PluggedInterface>> interfaces;
    ObjectKind kind() const override { return ObjectKind::DeviceInfoSet; }
};

std::shared_ptr<DeviceInfoSet> lookupSet(HDEVINFO set) {
    return lookupAs<DeviceInfoSet>(set, ObjectKind::DeviceInfoSet);
}

template <class Result>
Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

// The interface an SP_DEVICE_INTERFACE_DATA of `set` stands for: its
// Reserved field carries the position in the set, counted from 1.
std::shared_ptr<PluggedInterface> interfaceOf(const DeviceInfoSet& set, const SP_DEVICE_INTERFACE_DATA& data) {
    if (data.Reserved == 0 || data.Reserved > set.interfaces.size()) return nullptr;
    return set.interfaces[data.Reserved - 1];
}

// The fixed part of the detail record: its size field and the terminator.
constexpr DWORD kDetailFixedSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);

DWORD detailSizeFor(const std::wstring& path) {
    return static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                              (path.size() + 1) * sizeof(WCHAR));
}

}  // namespace

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* classGuid, LPCWSTR enumerator, HWND, DWORD flags) {
    if (auto fault = enter("SetupDiGetClassDevsW")) return failWith(*fault, INVALID_HANDLE_VALUE);
    // Enumerator filters are not emulated; the library never passes one.
    if (classGuid == nullptr || enumerator != nullptr) return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::lock_guard guard(lock());
    auto set = std::make_shared<DeviceInfoSet>();
    // Without DIGCF_DEVICEINTERFACE the GUID names a setup class, and the
    // HID interface class is none: the set is empty.
    if ((flags & DIGCF_DEVICEINTERFACE) && emulated::bus::isHidClass(classGuid)) {
        set->interfaces = (flags & DIGCF_PRESENT) ? emulated::bus::presentInterfaces() : emulated::bus::allInterfaces();
    }
    SetLastError(ERROR_SUCCESS);
    return addHandle(set);
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO setHandle, PSP_DEVINFO_DATA deviceInfo, const GUID* interfaceClassGuid,
                                        DWORD memberIndex, PSP_DEVICE_INTERFACE_DATA interfaceData) {
    if (auto fault = enter("SetupDiEnumDeviceInterfaces")) return failWith(*fault, FALSE);
    std::lock_guard guard(lock());
    auto set = lookupSet(setHandle);
    if (!set) return failWith(ERROR_INVALID_HANDLE, FALSE);
    // Per-device filtering needs device elements, which are not emulated.
    if (interfaceData == nullptr || interfaceClassGuid == nullptr || deviceInfo != nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return failWith(ERROR_INVALID_USER_BUFFER, FALSE);
    if (!emulated::bus::isHidClass(interfaceClassGuid) || memberIndex >= set->interfaces.size()) {
        return failWith(ERROR_NO_MORE_ITEMS, FALSE);
    }
    interfaceData->InterfaceClassGuid = emulated::bus::hidClassGuid();
    interfaceData->Flags = set->interfaces[memberIndex]->present ? kInterfaceActive : 0;
    interfaceData->Reserved = ULONG_PTR{memberIndex} + 1;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(HDEVINFO setHandle, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                             LPDWORD requiredSize, PSP_DEVINFO_DATA deviceInfo) {
    if (auto fault = enter("SetupDiGetDeviceInterfaceDetailW")) return failWith(*fault, FALSE);
    std::lock_guard guard(lock());
    auto set = lookupSet(setHandle);
    if (!set) return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    auto plugged = interfaceOf(*set, *interfaceData);
    if (!plugged) return failWith(ERROR_INVALID_PARAMETER, FALSE);
    if (detail == nullptr && detailSize != 0) return failWith(ERROR_INVALID_USER_BUFFER, FALSE);
    // The size field is only read from a block large enough to hold it.
    if (detail != nullptr && (detailSize < kDetailFixedSize || detail->cbSize != kDetailFixedSize)) {
        return failWith(ERROR_INVALID_USER_BUFFER, FALSE);
    }
    if (deviceInfo != nullptr && deviceInfo->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return failWith(ERROR_INVALID_USER_BUFFER, FALSE);
    }

    const std::wstring& path = plugged->description.path;
    DWORD needed = detailSizeFor(path);
    if (requiredSize) *requiredSize = needed;
    if (detail == nullptr || detailSize < needed) return failWith(ERROR_INSUFFICIENT_BUFFER, FALSE);

    // The path runs past the one-element array that declares it.
    auto* pathBytes = reinterpret_cast<unsigned char*>(detail) + offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    std::memcpy(pathBytes, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
    if (deviceInfo) {
        // The HIDClass setup class; device instances are numbered by position.
        deviceInfo->ClassGuid = GUID{0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};
        deviceInfo->DevInst = static_cast<DWORD>(interfaceData->Reserved);
        deviceInfo->Reserved = interfaceData->Reserved;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO setHandle) {
    if (auto fault = enter("SetupDiDestroyDeviceInfoList")) return failWith(*fault, FALSE);
    std::lock_guard guard(lock());
    if (!lookupSet(setHandle)) return failWith(ERROR_INVALID_HANDLE, FALSE);
    removeHandle(setHandle);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
