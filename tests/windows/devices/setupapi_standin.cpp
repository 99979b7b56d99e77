// Stand-in setupapi.dll for the Wine tests: the HID device interfaces of the
// pipe headset process, enumerated through the four calls the library makes.
//
// A device-information set is a snapshot of the interface paths taken when
// it is created, as on Windows: later additions do not change it. Without a
// headset process the set is valid and empty, like a system with no HID
// device.
// This is the DLL that defines the functions, not one that imports them.
#define _SETUPAPI_
#include "vhid_wire.h"

#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// GUID_DEVINTERFACE_HID.
constexpr GUID kHidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr DWORD kInterfaceActive = 0x00000001;  // SPINT_ACTIVE
constexpr std::uint32_t kSetTag = 0x56534554;   // marks a live set

struct DeviceInfoSet {
    std::uint32_t tag = kSetTag;
    std::vector<std::wstring> paths;
};

bool isHidClass(const GUID* guid) { return guid && std::memcmp(guid, &kHidInterfaceClass, sizeof(GUID)) == 0; }

DeviceInfoSet* setOf(HDEVINFO handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    auto* set = static_cast<DeviceInfoSet*>(handle);
    return set->tag == kSetTag ? set : nullptr;
}

template <class Result>
Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

std::vector<std::wstring> presentInterfaces() {
    auto answer = vhid::transact(vhid::currentNamespace(), vhid::Writer().op(vhid::Op::Enumerate).data());
    if (!answer) return {};
    vhid::Reader reader(*answer);
    if (reader.u32() != vhid::kOk) return {};
    std::vector<std::wstring> paths(reader.u32());
    for (auto& path : paths) path = reader.wide();
    if (reader.failed()) return {};
    return paths;
}

// The fixed part of the detail record: its size field and one character.
constexpr DWORD kDetailFixedSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);

DWORD detailSizeFor(const std::wstring& path) {
    return static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                              (path.size() + 1) * sizeof(WCHAR));
}

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND, DWORD flags) {
    if (classGuid == nullptr || enumerator != nullptr) return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    auto* set = new (std::nothrow) DeviceInfoSet;
    if (!set) return failWith(ERROR_NOT_ENOUGH_MEMORY, INVALID_HANDLE_VALUE);
    // Every interface the headset process has is present.
    if ((flags & DIGCF_DEVICEINTERFACE) && isHidClass(classGuid)) set->paths = presentInterfaces();
    SetLastError(ERROR_SUCCESS);
    return set;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA deviceInfo, const GUID* interfaceClassGuid,
                                        DWORD memberIndex, PSP_DEVICE_INTERFACE_DATA interfaceData) {
    DeviceInfoSet* set = setOf(handle);
    if (!set) return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (interfaceData == nullptr || interfaceClassGuid == nullptr || deviceInfo != nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return failWith(ERROR_INVALID_USER_BUFFER, FALSE);
    if (!isHidClass(interfaceClassGuid) || memberIndex >= set->paths.size()) {
        return failWith(ERROR_NO_MORE_ITEMS, FALSE);
    }
    interfaceData->InterfaceClassGuid = kHidInterfaceClass;
    interfaceData->Flags = kInterfaceActive;
    interfaceData->Reserved = ULONG_PTR{memberIndex} + 1;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                             PDWORD requiredSize, PSP_DEVINFO_DATA deviceInfo) {
    DeviceInfoSet* set = setOf(handle);
    if (!set) return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
        interfaceData->Reserved == 0 || interfaceData->Reserved > set->paths.size()) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (detail == nullptr && detailSize != 0) return failWith(ERROR_INVALID_USER_BUFFER, FALSE);
    if (detail != nullptr && (detailSize < kDetailFixedSize || detail->cbSize != kDetailFixedSize)) {
        return failWith(ERROR_INVALID_USER_BUFFER, FALSE);
    }
    if (deviceInfo != nullptr) return failWith(ERROR_INVALID_PARAMETER, FALSE);  // no device elements here

    const std::wstring& path = set->paths[interfaceData->Reserved - 1];
    DWORD needed = detailSizeFor(path);
    if (requiredSize) *requiredSize = needed;
    if (detail == nullptr || detailSize < needed) return failWith(ERROR_INSUFFICIENT_BUFFER, FALSE);
    // The path runs past the one-element array that declares it.
    auto* pathBytes = reinterpret_cast<unsigned char*>(detail) + offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    std::memcpy(pathBytes, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
    DeviceInfoSet* set = setOf(handle);
    if (!set) return failWith(ERROR_INVALID_HANDLE, FALSE);
    set->tag = 0;
    delete set;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // extern "C"
