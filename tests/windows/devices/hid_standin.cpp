// Stand-in hid.dll for the Wine tests: the HID class calls the library makes,
// answered by the pipe headset process.
//
// A handle that the library opened on a device path is a client end of that
// device's pipe. GetFileInformationByHandleEx(FileNameInfo) gives the pipe's
// name ("\<namespace>_<n>"), which names the device to the headset process.
#include "vhid_wire.h"

extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>

namespace {

constexpr GUID kHidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr DWORD kErrorInvalidFunction = 1;       // ERROR_INVALID_FUNCTION
constexpr std::uint32_t kPreparsedTag = 0x50524550;  // marks live preparsed data

struct PreparsedData {
    std::uint32_t tag = kPreparsedTag;
    HIDP_CAPS caps{};
};

template <class Result>
Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

// The pipe name behind `handle` without its leading backslash, or nothing
// for a handle that is no open pipe of ours.
std::optional<std::wstring> pipeNameOf(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return std::nullopt;
    alignas(FILE_NAME_INFO) unsigned char buffer[sizeof(FILE_NAME_INFO) + 512 * sizeof(WCHAR)] = {};
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer);
    if (!GetFileInformationByHandleEx(handle, FileNameInfo, info, sizeof buffer)) return std::nullopt;
    std::wstring name(info->FileName, info->FileNameLength / sizeof(WCHAR));
    if (!name.empty() && name.front() == L'\\') name.erase(0, 1);
    return name;
}

// The headset process's answer about the device behind `handle` (its
// status word first), or nothing with the last error set.
struct Answer {
    std::vector<std::uint8_t> bytes;
    std::uint32_t status = 0;
};

std::optional<Answer> ask(HANDLE handle, vhid::Op op, const void* report = nullptr, ULONG length = 0) {
    auto name = pipeNameOf(handle);
    if (!name) return failWith(ERROR_INVALID_HANDLE, std::optional<Answer>{});
    vhid::Writer request;
    request.op(op).wide(*name);
    if (op == vhid::Op::SetFeature || op == vhid::Op::GetFeature) request.u32(length).bytes(report, length);
    auto bytes = vhid::transact(vhid::currentNamespace(), request.data());
    if (!bytes) return failWith(ERROR_DEVICE_NOT_CONNECTED, std::optional<Answer>{});
    Answer answer;
    answer.bytes = std::move(*bytes);
    answer.status = vhid::Reader(answer.bytes).u32();
    return answer;
}

// The device's description, or nothing with the last error set.
std::optional<vhid::DeviceDescription> describe(HANDLE handle) {
    auto answer = ask(handle, vhid::Op::Describe);
    if (!answer) return std::nullopt;
    vhid::Reader reader(answer->bytes);
    if (reader.u32() != vhid::kOk) return failWith(ERROR_INVALID_HANDLE, std::optional<vhid::DeviceDescription>{});
    vhid::DeviceDescription description = reader.description();
    if (reader.failed()) return failWith(ERROR_GEN_FAILURE, std::optional<vhid::DeviceDescription>{});
    return description;
}

HIDP_CAPS capsOf(const vhid::DeviceDescription& description) {
    HIDP_CAPS caps{};
    caps.Usage = description.usage;
    caps.UsagePage = description.usagePage;
    caps.InputReportByteLength = description.inputReportByteLength;
    caps.OutputReportByteLength = description.outputReportByteLength;
    caps.FeatureReportByteLength = description.featureReportByteLength;
    caps.NumberLinkCollectionNodes = 1;
    caps.NumberInputValueCaps = description.inputReportByteLength ? 1 : 0;
    caps.NumberOutputValueCaps = description.outputReportByteLength ? 1 : 0;
    caps.NumberFeatureValueCaps = description.featureReportByteLength ? 1 : 0;
    caps.NumberInputDataIndices = caps.NumberInputValueCaps;
    caps.NumberOutputDataIndices = caps.NumberOutputValueCaps;
    caps.NumberFeatureDataIndices = caps.NumberFeatureValueCaps;
    return caps;
}

// A feature request's length check: the buffer must hold a whole report.
DWORD featureLengthError(const vhid::DeviceDescription& description, const void* buffer, ULONG length) {
    if (description.featureReportByteLength == 0) return kErrorInvalidFunction;
    if (buffer == nullptr || length < description.featureReportByteLength) return ERROR_INVALID_USER_BUFFER;
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" {

void NTAPI HidD_GetHidGuid(LPGUID hidGuid) {
    if (hidGuid) *hidGuid = kHidInterfaceClass;
}

BOOLEAN NTAPI HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes) {
    auto description = describe(device);
    if (!description) return FALSE;
    if (attributes == nullptr) return failWith(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    attributes->VendorID = description->vendorId;
    attributes->ProductID = description->productId;
    attributes->VersionNumber = description->versionNumber;
    return TRUE;
}

// The string is copied as far as it fits; the terminator only when there is
// room for it.
BOOLEAN NTAPI HidD_GetProductString(HANDLE device, PVOID buffer, ULONG bufferLength) {
    auto description = describe(device);
    if (!description) return FALSE;
    if (buffer == nullptr) return failWith(ERROR_INVALID_USER_BUFFER, BOOLEAN{FALSE});
    std::size_t capacity = bufferLength / sizeof(WCHAR);
    auto* units = static_cast<WCHAR*>(buffer);
    std::size_t count = std::min(description->productString.size(), capacity);
    std::copy_n(description->productString.begin(), count, units);
    if (count < capacity) units[count] = L'\0';
    return TRUE;
}

BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) {
    auto description = describe(device);
    if (!description) return FALSE;
    if (preparsedData == nullptr) return failWith(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    auto* block = new (std::nothrow) PreparsedData;
    if (!block) return failWith(ERROR_NOT_ENOUGH_MEMORY, BOOLEAN{FALSE});
    block->caps = capsOf(*description);
    *preparsedData = reinterpret_cast<PHIDP_PREPARSED_DATA>(block);
    return TRUE;
}

BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) {
    auto* block = reinterpret_cast<PreparsedData*>(preparsedData);
    if (block == nullptr || block->tag != kPreparsedTag) return failWith(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    block->tag = 0;
    delete block;
    return TRUE;
}

NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, PHIDP_CAPS capabilities) {
    auto* block = reinterpret_cast<PreparsedData*>(preparsedData);
    if (block == nullptr || block->tag != kPreparsedTag || capabilities == nullptr) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    *capabilities = block->caps;
    return HIDP_STATUS_SUCCESS;
}

BOOLEAN NTAPI HidD_SetFeature(HANDLE device, PVOID reportBuffer, ULONG reportBufferLength) {
    auto description = describe(device);
    if (!description) return FALSE;
    if (DWORD error = featureLengthError(*description, reportBuffer, reportBufferLength); error != ERROR_SUCCESS) {
        return failWith(error, BOOLEAN{FALSE});
    }
    auto answer = ask(device, vhid::Op::SetFeature, reportBuffer, description->featureReportByteLength);
    if (!answer) return FALSE;
    if (answer->status != vhid::kOk) return failWith(answer->status, BOOLEAN{FALSE});
    return TRUE;
}

// Only the report ID of the caller's buffer matters to the device; the
// buffer then holds the report.
BOOLEAN NTAPI HidD_GetFeature(HANDLE device, PVOID reportBuffer, ULONG reportBufferLength) {
    auto description = describe(device);
    if (!description) return FALSE;
    if (DWORD error = featureLengthError(*description, reportBuffer, reportBufferLength); error != ERROR_SUCCESS) {
        return failWith(error, BOOLEAN{FALSE});
    }
    auto answer = ask(device, vhid::Op::GetFeature, reportBuffer, description->featureReportByteLength);
    if (!answer) return FALSE;
    if (answer->status != vhid::kOk) return failWith(answer->status, BOOLEAN{FALSE});
    vhid::Reader reader(answer->bytes);
    reader.u32();
    std::vector<std::uint8_t> report = reader.bytes();
    if (reader.failed() || report.size() != description->featureReportByteLength) {
        return failWith(ERROR_GEN_FAILURE, BOOLEAN{FALSE});
    }
    std::memcpy(reportBuffer, report.data(), report.size());
    return TRUE;
}

}  // extern "C"
