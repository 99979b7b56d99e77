// hid.dll: attributes, strings, capabilities and feature reports of the
// interfaces on the virtual HID bus.
#include "platform/emulated/device_file.h"

#include <algorithm>
#include <map>

using namespace emulated::kernel;
using emulated::HidRequest;
using emulated::bus::DeviceFile;

namespace {

constexpr DWORD kErrorInvalidFunction = 1;  // ERROR_INVALID_FUNCTION

// Preparsed data is platform-owned memory: the caller gives it back with
// HidD_FreePreparsedData, and the tests' leak check counts it.
struct PreparsedData {
    HIDP_CAPS caps{};
};

std::map<const void*, std::unique_ptr<PreparsedData>>& preparsedBlocks() {
    static std::map<const void*, std::unique_ptr<PreparsedData>> blocks;
    return blocks;
}

const bool registered = [] {
    onReset([] {
        std::lock_guard guard(lock());
        preparsedBlocks().clear();
    });
    return true;
}();

template <class Result>
Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

// The open, connected device file behind `handle`, or null with the last
// error set.
std::shared_ptr<DeviceFile> connectedFile(HANDLE handle) {
    auto file = emulated::bus::lookupFile(handle);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (DWORD error = emulated::bus::connectionError(*file); error != ERROR_SUCCESS) {
        SetLastError(error);
        return nullptr;
    }
    return file;
}

HIDP_CAPS capsOf(const emulated::HidInterface& description) {
    HIDP_CAPS caps{};
    caps.Usage = description.usage;
    caps.UsagePage = description.usagePage;
    caps.InputReportByteLength = description.inputReportByteLength;
    caps.OutputReportByteLength = description.outputReportByteLength;
    caps.FeatureReportByteLength = description.featureReportByteLength;
    caps.NumberLinkCollectionNodes = 1;
    // One vendor-defined value array per report kind that the device has.
    caps.NumberInputValueCaps = description.inputReportByteLength ? 1 : 0;
    caps.NumberOutputValueCaps = description.outputReportByteLength ? 1 : 0;
    caps.NumberFeatureValueCaps = description.featureReportByteLength ? 1 : 0;
    caps.NumberInputDataIndices = caps.NumberInputValueCaps;
    caps.NumberOutputDataIndices = caps.NumberOutputValueCaps;
    caps.NumberFeatureDataIndices = caps.NumberFeatureValueCaps;
    return caps;
}

// A feature request's length check, as for reads and writes.
DWORD featureLengthError(const DeviceFile& file, const void* buffer, ULONG length) {
    USHORT reportLength = file.plugged->description.featureReportByteLength;
    if (reportLength == 0) return kErrorInvalidFunction;
    if (buffer == nullptr || length < reportLength) return ERROR_INVALID_USER_BUFFER;
    return ERROR_SUCCESS;
}

}  // namespace

void NTAPI HidD_GetHidGuid(LPGUID hidGuid) {
    enter("HidD_GetHidGuid");  // it cannot fail
    if (hidGuid) *hidGuid = emulated::bus::hidClassGuid();
}

BOOLEAN NTAPI HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes) {
    if (auto fault = enter("HidD_GetAttributes")) return failWith(*fault, BOOLEAN{FALSE});
    std::lock_guard guard(lock());
    auto file = connectedFile(device);
    if (!file) return FALSE;
    if (attributes == nullptr) return failWith(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    const auto& description = file->plugged->description;
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    attributes->VendorID = description.vendorId;
    attributes->ProductID = description.productId;
    attributes->VersionNumber = description.versionNumber;
    return TRUE;
}

// The string is copied as far as it fits; the terminator only when there is
// room for it.
BOOLEAN NTAPI HidD_GetProductString(HANDLE device, PVOID buffer, ULONG bufferLength) {
    if (auto fault = enter("HidD_GetProductString")) return failWith(*fault, BOOLEAN{FALSE});
    std::lock_guard guard(lock());
    auto file = connectedFile(device);
    if (!file) return FALSE;
    if (buffer == nullptr) return failWith(ERROR_INVALID_USER_BUFFER, BOOLEAN{FALSE});
    const std::wstring& text = file->plugged->description.productString;
    std::size_t capacity = bufferLength / sizeof(WCHAR);
    auto* units = static_cast<WCHAR*>(buffer);
    std::size_t count = std::min(text.size(), capacity);
    std::copy_n(text.begin(), count, units);
    if (count < capacity) units[count] = L'\0';
    return TRUE;
}

BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) {
    if (auto fault = enter("HidD_GetPreparsedData")) return failWith(*fault, BOOLEAN{FALSE});
    std::lock_guard guard(lock());
    auto file = connectedFile(device);
    if (!file) return FALSE;
    if (preparsedData == nullptr) return failWith(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    auto block = std::make_unique<PreparsedData>();
    block->caps = capsOf(file->plugged->description);
    const void* key = block.get();
    trackAllocation(key);
    *preparsedData = reinterpret_cast<PHIDP_PREPARSED_DATA>(block.get());
    preparsedBlocks().emplace(key, std::move(block));
    return TRUE;
}

BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) {
    if (auto fault = enter("HidD_FreePreparsedData")) return failWith(*fault, BOOLEAN{FALSE});
    std::lock_guard guard(lock());
    auto it = preparsedBlocks().find(preparsedData);
    if (it == preparsedBlocks().end()) return failWith(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    releaseAllocation(it->first);
    preparsedBlocks().erase(it);
    return TRUE;
}

NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, PHIDP_CAPS capabilities) {
    if (enter("HidP_GetCaps")) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    std::lock_guard guard(lock());
    auto it = preparsedBlocks().find(preparsedData);
    if (it == preparsedBlocks().end() || capabilities == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    *capabilities = it->second->caps;
    return HIDP_STATUS_SUCCESS;
}

BOOLEAN NTAPI HidD_SetFeature(HANDLE device, PVOID reportBuffer, ULONG reportBufferLength) {
    if (auto fault = enter("HidD_SetFeature")) return failWith(*fault, BOOLEAN{FALSE});
    std::lock_guard guard(lock());
    auto file = emulated::bus::lookupFile(device);
    if (!file) return failWith(ERROR_INVALID_HANDLE, BOOLEAN{FALSE});
    emulated::bus::recordRequest(HidRequest::Kind::SetFeature, *file->plugged, reportBufferLength);
    DWORD error = featureLengthError(*file, reportBuffer, reportBufferLength);
    if (error == ERROR_SUCCESS) error = emulated::bus::connectionError(*file);
    if (error == ERROR_SUCCESS) {
        std::span report(static_cast<const std::uint8_t*>(reportBuffer),
                         file->plugged->description.featureReportByteLength);
        error = file->plugged->device().setFeature(file->session, report);
    }
    if (error != ERROR_SUCCESS) return failWith(error, BOOLEAN{FALSE});
    return TRUE;
}

BOOLEAN NTAPI HidD_GetFeature(HANDLE device, PVOID reportBuffer, ULONG reportBufferLength) {
    if (auto fault = enter("HidD_GetFeature")) return failWith(*fault, BOOLEAN{FALSE});
    std::lock_guard guard(lock());
    auto file = emulated::bus::lookupFile(device);
    if (!file) return failWith(ERROR_INVALID_HANDLE, BOOLEAN{FALSE});
    emulated::bus::recordRequest(HidRequest::Kind::GetFeature, *file->plugged, reportBufferLength);
    DWORD error = featureLengthError(*file, reportBuffer, reportBufferLength);
    if (error == ERROR_SUCCESS) error = emulated::bus::connectionError(*file);
    if (error == ERROR_SUCCESS) {
        std::span report(static_cast<std::uint8_t*>(reportBuffer), file->plugged->description.featureReportByteLength);
        error = file->plugged->device().getFeature(file->session, report);
    }
    if (error != ERROR_SUCCESS) return failWith(error, BOOLEAN{FALSE});
    return TRUE;
}
