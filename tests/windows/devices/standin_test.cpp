// The test rig itself, checked on Wine before the library is run on it: the
// stand-in system DLLs are the ones loaded, they see the headset process's
// interfaces, and the pipes behave like the HID handles the library expects.
#include <gtest/gtest.h>

#include "headset_process.h"

extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
#include <setupapi.h>

#include <array>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

constexpr GUID kHidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

template <class Function>
Function* procedure(HMODULE module, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// hid.dll as the library loads it: from the system directory only.
struct HidFunctions {
    HMODULE module = LoadLibraryExW(L"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    decltype(&HidD_GetHidGuid) getHidGuid = procedure<decltype(HidD_GetHidGuid)>(module, "HidD_GetHidGuid");
    decltype(&HidD_GetAttributes) getAttributes =
        procedure<decltype(HidD_GetAttributes)>(module, "HidD_GetAttributes");
    decltype(&HidD_GetProductString) getProductString =
        procedure<decltype(HidD_GetProductString)>(module, "HidD_GetProductString");
    decltype(&HidD_GetPreparsedData) getPreparsedData =
        procedure<decltype(HidD_GetPreparsedData)>(module, "HidD_GetPreparsedData");
    decltype(&HidD_FreePreparsedData) freePreparsedData =
        procedure<decltype(HidD_FreePreparsedData)>(module, "HidD_FreePreparsedData");
    decltype(&HidP_GetCaps) getCaps = procedure<decltype(HidP_GetCaps)>(module, "HidP_GetCaps");
    decltype(&HidD_GetFeature) getFeature = procedure<decltype(HidD_GetFeature)>(module, "HidD_GetFeature");
    ~HidFunctions() {
        if (module) FreeLibrary(module);
    }
};

// setupapi.dll as the library's import table finds it.
struct SetupApiFunctions {
    HMODULE module = LoadLibraryW(L"setupapi.dll");
    decltype(&SetupDiGetClassDevsW) getClassDevs =
        procedure<decltype(SetupDiGetClassDevsW)>(module, "SetupDiGetClassDevsW");
    decltype(&SetupDiEnumDeviceInterfaces) enumInterfaces =
        procedure<decltype(SetupDiEnumDeviceInterfaces)>(module, "SetupDiEnumDeviceInterfaces");
    decltype(&SetupDiGetDeviceInterfaceDetailW) getDetail =
        procedure<decltype(SetupDiGetDeviceInterfaceDetailW)>(module, "SetupDiGetDeviceInterfaceDetailW");
    decltype(&SetupDiDestroyDeviceInfoList) destroyList =
        procedure<decltype(SetupDiDestroyDeviceInfoList)>(module, "SetupDiDestroyDeviceInfoList");
    ~SetupApiFunctions() {
        if (module) FreeLibrary(module);
    }
};

std::wstring moduleFileName(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

bool endsWith(const std::wstring& text, const std::wstring& tail) {
    if (text.size() < tail.size()) return false;
    return _wcsicmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// A device handle opened the way the library opens one.
struct DeviceHandle {
    HANDLE value;
    explicit DeviceHandle(const std::wstring& path)
        : value(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~DeviceHandle() {
        if (value != INVALID_HANDLE_VALUE) CloseHandle(value);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
};

class StandIns : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(headset.running()) << headset.error(); }

    // The device's record once it has counted `opens` opens and as many
    // closes, or after a few seconds. Quiet pipes are not enough on a busy
    // machine: Wine may report a connection that opened and closed at once
    // only after the headset looked idle.
    vhid::DeviceRecord recordAfter(int device, unsigned opens) {
        constexpr int kTries = 200;
        constexpr DWORD kPauseMs = 20;
        vhid::DeviceRecord record = headset.record(device);
        for (int i = 0; i < kTries && (record.opens < opens || record.closes < opens); ++i) {
            Sleep(kPauseMs);
            record = headset.record(device);
        }
        return record;
    }

    HeadsetProcess headset;
};

TEST_F(StandIns, TheSystemDirectoryHidDllIsTheStandIn) {
    HidFunctions hid;
    ASSERT_NE(hid.module, nullptr);
    EXPECT_TRUE(endsWith(moduleFileName(hid.module), L"\\system32\\hid.dll")) << "loaded from the system directory";
    ASSERT_TRUE(hid.getAttributes && hid.getProductString && hid.getPreparsedData && hid.freePreparsedData &&
                hid.getCaps && hid.getFeature && hid.getHidGuid);

    int device = headset.addDevice({.vendorId = 0x1234, .productId = 0xABCD, .productString = L"Probe"});
    ASSERT_GE(device, 0);
    DeviceHandle handle(headset.devicePath(device));
    ASSERT_NE(handle.value, INVALID_HANDLE_VALUE) << GetLastError();
    HIDD_ATTRIBUTES attributes{};
    ASSERT_TRUE(hid.getAttributes(handle.value, &attributes)) << "Wine's own hid.dll cannot answer for a pipe";
    EXPECT_EQ(attributes.VendorID, 0x1234);
    EXPECT_EQ(attributes.ProductID, 0xABCD);

    wchar_t product[128] = {};
    EXPECT_TRUE(hid.getProductString(handle.value, product, sizeof product));
    EXPECT_STREQ(product, L"Probe");

    PHIDP_PREPARSED_DATA preparsed = nullptr;
    ASSERT_TRUE(hid.getPreparsedData(handle.value, &preparsed));
    HIDP_CAPS caps{};
    EXPECT_EQ(hid.getCaps(preparsed, &caps), HIDP_STATUS_SUCCESS);
    EXPECT_TRUE(hid.freePreparsedData(preparsed));
    EXPECT_EQ(caps.UsagePage, 0xFF00);
    EXPECT_EQ(caps.Usage, 0x0001);
    EXPECT_EQ(caps.FeatureReportByteLength, 64);
}

TEST_F(StandIns, SetupApiEnumeratesTheHeadsetInterfacesInOrder) {
    SetupApiFunctions setup;
    ASSERT_NE(setup.module, nullptr);
    ASSERT_TRUE(setup.getClassDevs && setup.enumInterfaces && setup.getDetail && setup.destroyList);
    int first = headset.addDevice();
    int second = headset.addDevice({.openable = false});
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);

    HDEVINFO set = setup.getClassDevs(&kHidInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    std::vector<std::wstring> paths;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; setup.enumInterfaces(set, nullptr, &kHidInterfaceClass, index, &data); ++index) {
        DWORD required = 0;
        EXPECT_FALSE(setup.getDetail(set, &data, nullptr, 0, &required, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        std::vector<unsigned char> block(required);
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(block.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        ASSERT_TRUE(setup.getDetail(set, &data, detail, required, nullptr, nullptr));
        paths.emplace_back(detail->DevicePath);
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(setup.destroyList(set));
    EXPECT_EQ(paths, (std::vector<std::wstring>{headset.devicePath(first), headset.devicePath(second)}));
}

TEST_F(StandIns, WithoutAHeadsetProcessTheSetIsEmpty) {
    SetupApiFunctions setup;
    ASSERT_NE(setup.module, nullptr);
    SetEnvironmentVariableW(vhid::kNamespaceVariable, L"vhid_nobody");
    HDEVINFO set = setup.getClassDevs(&kHidInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    EXPECT_FALSE(setup.enumInterfaces(set, nullptr, &kHidInterfaceClass, 0, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(setup.destroyList(set));
}

TEST_F(StandIns, AnInterfaceWithoutAPipeCannotBeOpened) {
    int device = headset.addDevice({.openable = false});
    ASSERT_GE(device, 0);
    DeviceHandle handle(headset.devicePath(device));
    EXPECT_EQ(handle.value, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// A pipe needs a waiting server instance for every open; the headset keeps
// 16 waiting per interface and replaces each within milliseconds.
TEST_F(StandIns, ABurstOfOpensIsAcceptedAndCounted) {
    int device = headset.addDevice();
    ASSERT_GE(device, 0);
    constexpr int kBurst = 16;
    {
        std::vector<std::unique_ptr<DeviceHandle>> heldTogether;
        for (int i = 0; i < kBurst; ++i) {
            heldTogether.push_back(std::make_unique<DeviceHandle>(headset.devicePath(device)));
            ASSERT_NE(heldTogether.back()->value, INVALID_HANDLE_VALUE) << "open " << i << ": error " << GetLastError();
        }
    }
    vhid::DeviceRecord record = recordAfter(device, kBurst);
    EXPECT_EQ(record.opens, unsigned{kBurst});
    for (int i = 0; i < kBurst; ++i) {
        DeviceHandle handle(headset.devicePath(device));
        ASSERT_NE(handle.value, INVALID_HANDLE_VALUE) << "open " << i << " after the burst: error " << GetLastError();
    }
    record = recordAfter(device, 2u * kBurst);
    EXPECT_EQ(record.opens, 2u * kBurst);
    EXPECT_EQ(record.closes, 2u * kBurst);
    EXPECT_EQ(record.openHandles, 0u);
}

// What hid.dll learns the device from.
TEST_F(StandIns, FileNameInfoOfADeviceHandleIsItsPipeName) {
    int device = headset.addDevice();
    ASSERT_GE(device, 0);
    DeviceHandle handle(headset.devicePath(device));
    ASSERT_NE(handle.value, INVALID_HANDLE_VALUE);
    alignas(FILE_NAME_INFO) unsigned char buffer[sizeof(FILE_NAME_INFO) + 512] = {};
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer);
    ASSERT_TRUE(GetFileInformationByHandleEx(handle.value, FileNameInfo, info, sizeof buffer)) << GetLastError();
    std::wstring name(info->FileName, info->FileNameLength / sizeof(WCHAR));
    std::wstring path = headset.devicePath(device);
    EXPECT_EQ(name, path.substr(path.find_last_of(L'\\')));
}

// The transfers of the library's report functions, on a device handle.
class DevicePipes : public StandIns {
protected:
    void SetUp() override {
        StandIns::SetUp();
        device = headset.addDevice();
        ASSERT_GE(device, 0);
    }

    // One overlapped read as the library issues it; the completion event's
    // wait result, and the bytes received.
    struct Read {
        DWORD wait;
        std::array<unsigned char, 64> bytes{};
        DWORD cancelledWith = ERROR_SUCCESS;
    };
    static Read readReport(HANDLE handle, DWORD timeoutMs) {
        Read read;
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        OVERLAPPED overlapped{};
        overlapped.hEvent = event;
        DWORD count = 0;
        ReadFile(handle, read.bytes.data(), 64, &count, &overlapped);
        read.wait = WaitForSingleObject(event, timeoutMs);
        if (read.wait != WAIT_OBJECT_0) {
            CancelIo(handle);
            if (!GetOverlappedResult(handle, &overlapped, &count, TRUE)) read.cancelledWith = GetLastError();
        }
        CloseHandle(event);
        return read;
    }

    int device = -1;
};

TEST_F(DevicePipes, EveryHandleFirstReceivesTheStatusReport) {
    ASSERT_TRUE(headset.setState(device, 2, 1));
    DeviceHandle handle(headset.devicePath(device));
    ASSERT_NE(handle.value, INVALID_HANDLE_VALUE);
    Read read = readReport(handle.value, 10000);
    ASSERT_EQ(read.wait, WAIT_OBJECT_0);
    EXPECT_EQ(read.bytes[0], 0x04);
    EXPECT_EQ(read.bytes[1], 0x87);
    EXPECT_EQ(read.bytes[2], 0x29);
    EXPECT_EQ(read.bytes[10], 2);
    EXPECT_EQ(read.bytes[61], 1);
}

// The library's read with nothing to read, step by step, with the state a
// caller can see after each step. (The emulated Windows keeps the Win32
// code in OVERLAPPED.Internal where Windows keeps the NTSTATUS.)
TEST_F(DevicePipes, AReadThatTimesOutIsPendingThenCancelled) {
    constexpr ULONG_PTR kStatusPending = 0x103;
    constexpr ULONG_PTR kStatusCancelled = 0xC0000120;
    ASSERT_TRUE(headset.setSilent(device, true));
    DeviceHandle handle(headset.devicePath(device));
    ASSERT_NE(handle.value, INVALID_HANDLE_VALUE);
    HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);  // set: the read must reset it
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    std::array<unsigned char, 64> buffer{};
    DWORD count = 99;

    EXPECT_FALSE(ReadFile(handle.value, buffer.data(), 64, &count, &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(overlapped.Internal, kStatusPending);
    EXPECT_EQ(WaitForSingleObject(event, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(GetOverlappedResult(handle.value, &overlapped, &count, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_INCOMPLETE));

    EXPECT_TRUE(CancelIo(handle.value));
    EXPECT_FALSE(GetOverlappedResult(handle.value, &overlapped, &count, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(overlapped.Internal, kStatusCancelled);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);

    SetLastError(77);
    EXPECT_TRUE(CancelIo(handle.value)) << "nothing left to cancel is no error";
    EXPECT_EQ(GetLastError(), 77u);
    CloseHandle(event);
}

TEST_F(DevicePipes, AReportAlreadyWaitingIsReadAtOnce) {
    DeviceHandle handle(headset.devicePath(device));
    ASSERT_NE(handle.value, INVALID_HANDLE_VALUE);
    ULONGLONG deadline = GetTickCount64() + 10000;
    while (headset.recordNow(device).inputReportsDelivered == 0 && GetTickCount64() < deadline) Sleep(5);
    ASSERT_EQ(headset.recordNow(device).inputReportsDelivered, 1u) << "the status report is in the pipe";
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    std::array<unsigned char, 64> buffer{};
    DWORD count = 0;
    EXPECT_TRUE(ReadFile(handle.value, buffer.data(), 64, &count, &overlapped));
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(overlapped.Internal, 0u);
    EXPECT_EQ(overlapped.InternalHigh, 64u);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(buffer[0], 0x04);
    CloseHandle(event);
}

TEST_F(DevicePipes, AVersionRequestIsAnsweredOnTheSameHandle) {
    ASSERT_TRUE(headset.setVersionText(device, "0000000000001107"));
    DeviceHandle handle(headset.devicePath(device));
    ASSERT_NE(handle.value, INVALID_HANDLE_VALUE);
    std::array<unsigned char, 64> request{0x01, 0x66, 0x22};
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    DWORD count = 0;
    WriteFile(handle.value, request.data(), 64, &count, &overlapped);
    ASSERT_EQ(WaitForSingleObject(event, 10000), WAIT_OBJECT_0);
    CloseHandle(event);

    Read status = readReport(handle.value, 10000);
    Read reply = readReport(handle.value, 10000);
    ASSERT_EQ(status.wait, WAIT_OBJECT_0);
    ASSERT_EQ(reply.wait, WAIT_OBJECT_0);
    EXPECT_EQ(status.bytes[0], 0x04);
    EXPECT_EQ(reply.bytes[0], 0x01);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply.bytes.data() + 4)), "0000000000001107");
}

}  // namespace
}  // namespace tamo::test
