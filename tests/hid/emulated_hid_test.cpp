// The emulated SetupAPI, device files and hid.dll over the virtual HID bus:
// what a caller of these Windows functions can observe.
#include "platform/emulated/hid_bus.h"
#include "platform/emulated/virtual_headset.h"
#include "platform_test.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::HidBus;
using emulated::HidInterface;
using emulated::ObjectKind;
using emulated::System;
using emulated::VirtualHeadset;

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

GUID hidGuid() {
    GUID guid{};
    HidD_GetHidGuid(&guid);
    return guid;
}

HidInterface plainInterface(USHORT vendorId, USHORT productId, unsigned instance = 0) {
    HidInterface description;
    description.path = HidBus::devicePath(vendorId, productId, instance);
    description.vendorId = vendorId;
    description.productId = productId;
    return description;
}

std::wstring detailPath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr);
    std::vector<std::uint64_t> storage(required / sizeof(std::uint64_t) + 1);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr)) return L"<failed>";
    return detail->DevicePath;
}

// The device paths a fresh device-information set enumerates, in order.
std::vector<std::wstring> enumeratedPaths() {
    GUID guid = hidGuid();
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    std::vector<std::wstring> paths;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data); ++index) {
        paths.push_back(detailPath(set, data));
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

HANDLE openDevice(const std::wstring& path, DWORD access = kReadWrite, DWORD share = kShareReadWrite,
                  DWORD flags = FILE_FLAG_OVERLAPPED) {
    return CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
}

// --- SetupAPI -------------------------------------------------------------

using EmulatedSetupApiTest = PlatformTest;

TEST_F(EmulatedSetupApiTest, EnumeratesPresentInterfacesInPlugOrder) {
    HidBus::plug(plainInterface(0x1111, 0x0001));
    HidBus::plug(plainInterface(0x2222, 0x0002));
    HidBus::plug(plainInterface(0x3333, 0x0003));
    EXPECT_EQ(enumeratedPaths(), (std::vector<std::wstring>{HidBus::devicePath(0x1111, 0x0001),
                                                            HidBus::devicePath(0x2222, 0x0002),
                                                            HidBus::devicePath(0x3333, 0x0003)}));
}

TEST_F(EmulatedSetupApiTest, SetIsAHandleOfItsOwnKindUntilDestroyed) {
    GUID guid = hidGuid();
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    EXPECT_EQ(System::openHandleCount(ObjectKind::DeviceInfoSet), 1u);
    EXPECT_FALSE(CloseHandle(set)) << "a device-information set is not a kernel object";
    EXPECT_TRUE(CloseHandle(INVALID_HANDLE_VALUE)) << "the current process's pseudo-handle, as on Windows";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(System::openHandleCount(ObjectKind::DeviceInfoSet), 0u);
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(EmulatedSetupApiTest, EnumerationEndsWithNoMoreItemsAndChecksTheRecordSize) {
    HidBus::plug(plainInterface(0x1111, 0x0001));
    GUID guid = hidGuid();
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    EXPECT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    EXPECT_EQ(std::memcmp(&data.InterfaceClassGuid, &guid, sizeof guid), 0);
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 1, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);

    SP_DEVICE_INTERFACE_DATA wrongSize{};
    wrongSize.cbSize = sizeof wrongSize - 4;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &wrongSize));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
    SetupDiDestroyDeviceInfoList(set);
}

TEST_F(EmulatedSetupApiTest, SetIsASnapshot) {
    HidBus::plug(plainInterface(0x1111, 0x0001));
    GUID guid = hidGuid();
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    HidBus::plug(plainInterface(0x2222, 0x0002));
    ASSERT_TRUE(HidBus::unplug(HidBus::devicePath(0x1111, 0x0001)));

    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    std::wstring path = detailPath(set, data);
    EXPECT_EQ(path, HidBus::devicePath(0x1111, 0x0001));
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 1, &data));
    EXPECT_EQ(openDevice(path), INVALID_HANDLE_VALUE) << "the unplugged interface is gone";
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetupDiDestroyDeviceInfoList(set);

    EXPECT_EQ(enumeratedPaths(), std::vector<std::wstring>{HidBus::devicePath(0x2222, 0x0002)});
}

TEST_F(EmulatedSetupApiTest, DetailFollowsTheSizingProtocol) {
    HidBus::plug(plainInterface(0x2E5C, 0x0712));
    const std::wstring path = HidBus::devicePath(0x2E5C, 0x0712);
    GUID guid = hidGuid();
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));

    DWORD required = 0;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    const DWORD expected =
        static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (path.size() + 1) * sizeof(WCHAR));
    EXPECT_EQ(required, expected);

    std::vector<std::uint64_t> storage(required / 8 + 2, 0xAAAAAAAAAAAAAAAAull);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) + 2;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);

    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required - 1, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    EXPECT_TRUE(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr));
    EXPECT_EQ(std::wstring(detail->DevicePath), path);
    auto* bytes = reinterpret_cast<const unsigned char*>(storage.data());
    EXPECT_EQ(bytes[required], 0xAA) << "nothing is written past the given size";
    SetupDiDestroyDeviceInfoList(set);
}

TEST_F(EmulatedSetupApiTest, FailureReportsTheInjectedError) {
    Faults::failCall("SetupDiGetClassDevsW", 1, ERROR_NOT_ENOUGH_MEMORY);
    GUID guid = hidGuid();
    EXPECT_EQ(SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(System::openHandleCount(), 0u);
}

TEST_F(EmulatedSetupApiTest, OtherClassesAreEmpty) {
    HidBus::plug(plainInterface(0x1111, 0x0001));
    GUID other = hidGuid();
    other.Data1 ^= 1;
    HDEVINFO set = SetupDiGetClassDevsW(&other, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &other, 0, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    SetupDiDestroyDeviceInfoList(set);
}

// --- Opening --------------------------------------------------------------

using EmulatedOpenTest = PlatformTest;

TEST_F(EmulatedOpenTest, OpensByPathRegardlessOfCase) {
    auto headset = std::make_shared<VirtualHeadset>();
    HidBus::plug(VirtualHeadset::describe(headset));
    std::wstring path = HidBus::devicePath(0x2E5C, 0x0712);
    for (auto& c : path) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    HANDLE device = openDevice(path);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(System::openHandleCount(ObjectKind::File), 1u);
    EXPECT_EQ(headset->opens(), 1u);
    EXPECT_EQ(HidBus::openHandleCount(HidBus::devicePath(0x2E5C, 0x0712)), 1u);
    EXPECT_TRUE(CloseHandle(device));
    EXPECT_EQ(headset->closes(), 1u);
    EXPECT_EQ(HidBus::openRequests(), std::vector<std::wstring>{path});
}

TEST_F(EmulatedOpenTest, UnopenableInterfaceRefusesReadWriteButNotAQueryOpen) {
    HidInterface keyboard = plainInterface(0x046D, 0xC31C);
    keyboard.openable = false;
    HidBus::plug(keyboard);
    EXPECT_EQ(openDevice(keyboard.path), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(openDevice(keyboard.path, GENERIC_READ), INVALID_HANDLE_VALUE);

    HANDLE query = openDevice(keyboard.path, 0);
    ASSERT_NE(query, INVALID_HANDLE_VALUE);
    HIDD_ATTRIBUTES attributes{};
    EXPECT_TRUE(HidD_GetAttributes(query, &attributes));
    EXPECT_EQ(attributes.VendorID, 0x046D);
    std::uint8_t buffer[64]{};
    DWORD count = 0;
    EXPECT_FALSE(ReadFile(query, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(query);
}

TEST_F(EmulatedOpenTest, SharingModesAreHonoured) {
    HidBus::plug(plainInterface(0x1111, 0x0001));
    const std::wstring path = HidBus::devicePath(0x1111, 0x0001);
    HANDLE exclusive = openDevice(path, kReadWrite, 0);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(openDevice(path), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    HANDLE query = openDevice(path, 0, kShareReadWrite);
    EXPECT_NE(query, INVALID_HANDLE_VALUE) << "an open without access conflicts with nothing";
    CloseHandle(query);
    CloseHandle(exclusive);

    HANDLE first = openDevice(path);
    HANDLE second = openDevice(path);
    EXPECT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(openDevice(path, kReadWrite, FILE_SHARE_READ), INVALID_HANDLE_VALUE)
        << "refusing write sharing conflicts with the open writers";
    CloseHandle(first);
    CloseHandle(second);
}

TEST_F(EmulatedOpenTest, UnknownPathIsNotFound) {
    EXPECT_EQ(openDevice(L"\\\\?\\hid#nothing"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// --- hid.dll --------------------------------------------------------------

class EmulatedHidDllTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        headset = std::make_shared<VirtualHeadset>();
        HidInterface description = VirtualHeadset::describe(headset, L"TAMO_Zenith");
        description.versionNumber = 0x0203;
        description.inputReportByteLength = 65;
        HidBus::plug(description);
        device = openDevice(description.path);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
        PlatformTest::TearDown();
    }
    std::shared_ptr<VirtualHeadset> headset;
    HANDLE device = INVALID_HANDLE_VALUE;
};

TEST_F(EmulatedHidDllTest, AttributesCarryTheInterfaceIdentity) {
    HIDD_ATTRIBUTES attributes{};
    ASSERT_TRUE(HidD_GetAttributes(device, &attributes));
    EXPECT_EQ(attributes.Size, sizeof(HIDD_ATTRIBUTES));
    EXPECT_EQ(attributes.VendorID, 0x2E5C);
    EXPECT_EQ(attributes.ProductID, 0x0712);
    EXPECT_EQ(attributes.VersionNumber, 0x0203);
    EXPECT_FALSE(HidD_GetAttributes(reinterpret_cast<HANDLE>(0x1234), &attributes));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(EmulatedHidDllTest, ProductStringLengthIsInBytes) {
    WCHAR text[128];
    std::fill(std::begin(text), std::end(text), L'#');
    ASSERT_TRUE(HidD_GetProductString(device, text, sizeof text));
    EXPECT_EQ(std::wstring(text), L"TAMO_Zenith");

    std::fill(std::begin(text), std::end(text), L'#');
    ASSERT_TRUE(HidD_GetProductString(device, text, 4 * sizeof(WCHAR)));
    EXPECT_EQ(std::wstring(text, 5), L"TAMO#") << "cut to the buffer, no terminator";
}

TEST_F(EmulatedHidDllTest, PreparsedDataIsPlatformMemoryAndCarriesTheCaps) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    ASSERT_TRUE(HidD_GetPreparsedData(device, &preparsed));
    EXPECT_EQ(System::outstandingAllocations(), 1u);
    HIDP_CAPS caps{};
    ASSERT_EQ(HidP_GetCaps(preparsed, &caps), HIDP_STATUS_SUCCESS);
    EXPECT_EQ(caps.UsagePage, 0xFF00);
    EXPECT_EQ(caps.Usage, 0x0001);
    EXPECT_EQ(caps.InputReportByteLength, 65);
    EXPECT_EQ(caps.OutputReportByteLength, 64);
    EXPECT_EQ(caps.FeatureReportByteLength, 64);
    EXPECT_TRUE(HidD_FreePreparsedData(preparsed));
    EXPECT_EQ(System::outstandingAllocations(), 0u);
    EXPECT_FALSE(HidD_FreePreparsedData(preparsed));
    EXPECT_EQ(HidP_GetCaps(preparsed, &caps), HIDP_STATUS_INVALID_PREPARSED_DATA);
}

TEST_F(EmulatedHidDllTest, FeatureReportsReachTheDevice) {
    std::uint8_t command[64]{0x04, 0x78, 0x29, 0x38, 0x20};
    command[17] = 0x02;
    ASSERT_TRUE(HidD_SetFeature(device, command, sizeof command));
    EXPECT_EQ(headset->audioMode(), 2);

    std::uint8_t status[64]{0x04, 0x87, 0x29, 0x3C};
    ASSERT_TRUE(HidD_GetFeature(device, status, sizeof status));
    EXPECT_EQ(status[10], 2);

    EXPECT_FALSE(HidD_SetFeature(device, command, 63)) << "shorter than the feature report";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
    headset->reject(VirtualHeadset::Request::GetFeature);
    EXPECT_FALSE(HidD_GetFeature(device, status, sizeof status));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
}

TEST_F(EmulatedHidDllTest, UnpluggedDeviceFailsEveryRequest) {
    HidBus::unplug(HidBus::devicePath(0x2E5C, 0x0712));
    HIDD_ATTRIBUTES attributes{};
    EXPECT_FALSE(HidD_GetAttributes(device, &attributes));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    std::uint8_t report[65]{};
    OVERLAPPED overlapped{};
    EXPECT_FALSE(ReadFile(device, report, sizeof report, nullptr, &overlapped));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
}

// --- Transfers ------------------------------------------------------------

class EmulatedTransferTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        headset = std::make_shared<VirtualHeadset>();
        HidBus::plug(VirtualHeadset::describe(headset));
        path = HidBus::devicePath(0x2E5C, 0x0712);
        device = openDevice(path);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        overlapped.hEvent = event;
    }
    void TearDown() override {
        if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
        CloseHandle(event);
        PlatformTest::TearDown();
    }
    BOOL read() { return ReadFile(device, buffer, sizeof buffer, &count, &overlapped); }
    BOOL writeVersionRequest() {
        std::uint8_t request[64]{0x01, 0x66, 0x22};
        return WriteFile(device, request, sizeof request, &count, &overlapped);
    }

    std::shared_ptr<VirtualHeadset> headset;
    std::wstring path;
    HANDLE device = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED overlapped{};
    std::uint8_t buffer[64]{};
    DWORD count = 0;
};

TEST_F(EmulatedTransferTest, ReadWithDataCompletesAtOnce) {
    ASSERT_TRUE(read());
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(overlapped.Internal, ERROR_SUCCESS);
    EXPECT_EQ(overlapped.InternalHigh, 64u);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    VirtualHeadset::Report expected = headset->statusReport();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer));
    EXPECT_EQ(System::nowMs(), 0u);
}

TEST_F(EmulatedTransferTest, DelayedReadCompletesOnTheVirtualClock) {
    headset->setInputDelayMs(250);
    EXPECT_FALSE(read());
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    DWORD transferred = 0;
    EXPECT_FALSE(GetOverlappedResult(device, &overlapped, &transferred, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(WaitForSingleObject(event, 100), WAIT_TIMEOUT);
    EXPECT_EQ(System::nowMs(), 100u);
    EXPECT_EQ(WaitForSingleObject(event, 1000), WAIT_OBJECT_0);
    EXPECT_EQ(System::nowMs(), 250u);
    EXPECT_TRUE(GetOverlappedResult(device, &overlapped, &transferred, FALSE));
    EXPECT_EQ(transferred, 64u);
    EXPECT_EQ(buffer[1], 0x87);
}

TEST_F(EmulatedTransferTest, GetOverlappedResultWaitsForTheTransfer) {
    headset->setInputDelayMs(40);
    ASSERT_FALSE(read());
    DWORD transferred = 0;
    EXPECT_TRUE(GetOverlappedResult(device, &overlapped, &transferred, TRUE));
    EXPECT_EQ(transferred, 64u);
    EXPECT_EQ(System::nowMs(), 40u);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
}

TEST_F(EmulatedTransferTest, CancelledReadEndsAborted) {
    headset->setSilent(true);
    ASSERT_FALSE(read());
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(WaitForSingleObject(event, 10000), WAIT_TIMEOUT);
    EXPECT_EQ(System::nowMs(), 10000u);
    EXPECT_TRUE(CancelIo(device));
    DWORD transferred = 99;
    EXPECT_FALSE(GetOverlappedResult(device, &overlapped, &transferred, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(transferred, 0u);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
}

TEST_F(EmulatedTransferTest, ClosingTheHandleAbortsItsTransfer) {
    headset->setSilent(true);
    ASSERT_FALSE(read());
    ASSERT_TRUE(CloseHandle(device));
    device = INVALID_HANDLE_VALUE;
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    // Internal holds the NTSTATUS, as on Windows: STATUS_CANCELLED.
    EXPECT_EQ(overlapped.Internal, 0xC0000120u);
}

TEST_F(EmulatedTransferTest, RejectedReadFailsAndNeverSignals) {
    headset->reject(VirtualHeadset::Request::Read, ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_FALSE(read());
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(WaitForSingleObject(event, 10000), WAIT_TIMEOUT);
}

TEST_F(EmulatedTransferTest, InjectedFaultFailsTheCall) {
    Faults::failCall("WriteFile", 1, ERROR_GEN_FAILURE);
    EXPECT_FALSE(writeVersionRequest());
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_TRUE(headset->received().empty()) << "the request never reached the device";
}

TEST_F(EmulatedTransferTest, WriteReachesTheDeviceWhenIssued) {
    headset->setOutputDelayMs(30);
    EXPECT_FALSE(writeVersionRequest());
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(headset->received().size(), 1u);
    EXPECT_EQ(WaitForSingleObject(event, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(System::nowMs(), 30u);
    EXPECT_EQ(overlapped.InternalHigh, 64u);
}

TEST_F(EmulatedTransferTest, RequestsAreChecked) {
    EXPECT_FALSE(ReadFile(device, buffer, 63, &count, &overlapped));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
    EXPECT_FALSE(ReadFile(device, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "an overlapped handle needs an OVERLAPPED";
    EXPECT_FALSE(ReadFile(reinterpret_cast<HANDLE>(0x4321), buffer, sizeof buffer, &count, &overlapped));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CancelIo(event));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    auto requests = HidBus::requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].kind, emulated::HidRequest::Kind::Read);
    EXPECT_EQ(requests[0].length, 63u);
    EXPECT_EQ(requests[0].path, path);
}

TEST_F(EmulatedTransferTest, SynchronousHandleBlocksForTheDelay) {
    HANDLE synchronous = openDevice(path, kReadWrite, kShareReadWrite, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(synchronous, INVALID_HANDLE_VALUE);
    headset->setInputDelayMs(70);
    std::uint8_t report[64]{};
    DWORD transferred = 0;
    EXPECT_TRUE(ReadFile(synchronous, report, sizeof report, &transferred, nullptr));
    EXPECT_EQ(transferred, 64u);
    EXPECT_EQ(report[1], 0x87);
    EXPECT_EQ(System::nowMs(), 70u);
    CloseHandle(synchronous);
}

TEST_F(EmulatedTransferTest, EachHandleHasItsOwnInputQueue) {
    HANDLE other = openDevice(path);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(read());
    EXPECT_FALSE(read()) << "this handle's status report was taken";
    CancelIo(device);
    GetOverlappedResult(device, &overlapped, &count, TRUE);
    OVERLAPPED second{};
    second.hEvent = event;
    ResetEvent(event);
    EXPECT_TRUE(ReadFile(other, buffer, sizeof buffer, &count, &second));
    CloseHandle(other);
}

}  // namespace
}  // namespace tamo::test
