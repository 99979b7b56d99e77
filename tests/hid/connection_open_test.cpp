// Enumeration, opening and closing: printed lines, platform failures, the
// handles held in each state, and the order in which they are released.
#include "hid/hid_device_connection.h"
#include "hid_test_support.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::HidBus;
using emulated::ObjectKind;
using emulated::System;

std::size_t positionOf(const std::vector<std::string>& calls, const std::string& name) {
    return static_cast<std::size_t>(std::find(calls.begin(), calls.end(), name) - calls.begin());
}

// hid.dll is loaded once per process, on first use; these tests look at the
// calls of the connection alone.
class ConnectionOpenTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_TRUE(HidLibrary::instance().available());
        CallLog::clear();
    }
};

TEST_F(ConnectionOpenTest, FreshConnectionHoldsNothing) {
    HidDeviceConnection connection({headsetEntry()});
    EXPECT_EQ(connection.deviceHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(connection.deviceName(), "No Device");
    EXPECT_EQ(System::openHandleCount(), 0u);
    EXPECT_TRUE(CallLog::calls().empty());
}

struct EnumerationFailure {
    const char* name;
    DWORD error;
    const char* line;
};

void PrintTo(const EnumerationFailure& f, std::ostream* os) { *os << f.name; }

class EnumerationFailureTest : public PlatformTest, public ::testing::WithParamInterface<EnumerationFailure> {};

TEST_P(EnumerationFailureTest, PrintsTheErrorNumberAndFindsNothing) {
    plugHeadset();
    Faults::failCall("SetupDiGetClassDevsW", 1, GetParam().error);
    LineRedirect out;
    {
        HidDeviceConnection connection({headsetEntry()});
        EXPECT_FALSE(connection.open());
        EXPECT_EQ(connection.deviceHandle(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(System::openHandleCount(), 0u);
    }
    EXPECT_EQ(out.lines(), std::vector<std::string>{GetParam().line});
    EXPECT_EQ(CallLog::count("SetupDiDestroyDeviceInfoList"), 0u);
    EXPECT_TRUE(HidBus::openRequests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, EnumerationFailureTest,
    ::testing::Values(EnumerationFailure{"InvalidParameter", ERROR_INVALID_PARAMETER, "SetupDiGetClassDevs failed: 87"},
                      EnumerationFailure{"OutOfMemory", ERROR_NOT_ENOUGH_MEMORY, "SetupDiGetClassDevs failed: 8"},
                      // SetupAPI's own codes have the top bit set: printed unsigned.
                      EnumerationFailure{"SetupApiCode", 0xE000020Bu, "SetupDiGetClassDevs failed: 3758096907"}),
    [](const auto& entry) { return std::string(entry.param.name); });

TEST_F(ConnectionOpenTest, NoInterfacePrintsNothingAndKeepsTheSetUntilDestroyed) {
    LineRedirect out;
    {
        HidDeviceConnection connection({headsetEntry()});
        EXPECT_FALSE(connection.open());
        EXPECT_EQ(System::openHandleCount(ObjectKind::DeviceInfoSet), 1u);
        EXPECT_EQ(System::openHandleCount(ObjectKind::File), 0u);
    }
    EXPECT_TRUE(out.lines().empty());
    EXPECT_EQ(System::openHandleCount(), 0u);
    EXPECT_EQ(CallLog::calls(), (std::vector<std::string>{"HidD_GetHidGuid", "SetupDiGetClassDevsW",
                                                          "SetupDiEnumDeviceInterfaces",
                                                          "SetupDiDestroyDeviceInfoList"}));
}

TEST_F(ConnectionOpenTest, OpenOnAnOpenConnectionDoesNotEnumerateAgain) {
    auto headset = plugHeadset();
    HidDeviceConnection connection({headsetEntry()});
    ASSERT_TRUE(connection.open());
    HANDLE device = connection.deviceHandle();
    CallLog::clear();
    EXPECT_TRUE(connection.open());
    EXPECT_EQ(connection.deviceHandle(), device);
    EXPECT_TRUE(CallLog::calls().empty());
    EXPECT_EQ(headset->opens(), 1u);
}

TEST_F(ConnectionOpenTest, OpenAfterAFailedOpenReleasesTheEarlierSet) {
    HidDeviceConnection connection({headsetEntry()});
    ASSERT_FALSE(connection.open());
    auto headset = plugHeadset();
    ASSERT_TRUE(connection.open());
    EXPECT_EQ(System::openHandleCount(ObjectKind::DeviceInfoSet), 1u);
    EXPECT_EQ(CallLog::count("SetupDiDestroyDeviceInfoList"), 1u);
    EXPECT_EQ(headset->openHandles(), 1u);
}

TEST_F(ConnectionOpenTest, DeviceHandleIsClosedBeforeTheSet) {
    auto headset = plugHeadset();
    {
        HidDeviceConnection connection({headsetEntry()});
        ASSERT_TRUE(connection.open());
        EXPECT_EQ(System::openHandleCount(ObjectKind::File), 1u);
        EXPECT_EQ(System::openHandleCount(ObjectKind::DeviceInfoSet), 1u);
        CallLog::clear();
    }
    EXPECT_EQ(CallLog::calls(), (std::vector<std::string>{"CloseHandle", "SetupDiDestroyDeviceInfoList"}));
    EXPECT_EQ(headset->closes(), 1u);
}

TEST_F(ConnectionOpenTest, CloseReleasesBothAndCanBeRepeated) {
    plugHeadset();
    HidDeviceConnection connection({headsetEntry()});
    ASSERT_TRUE(connection.open());
    connection.close();
    EXPECT_EQ(connection.deviceHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(System::openHandleCount(), 0u);
    CallLog::clear();
    connection.close();
    EXPECT_TRUE(CallLog::calls().empty());
}

TEST_F(ConnectionOpenTest, OpensTheDeviceForSharedOverlappedReadingAndWriting) {
    plugHeadset();
    HidDeviceConnection connection({headsetEntry()});
    ASSERT_TRUE(connection.open());
    // Another connection can hold the same interface at the same time.
    HidDeviceConnection second({headsetEntry()});
    EXPECT_TRUE(second.open());
    EXPECT_EQ(HidBus::openHandleCount(headsetPath()), 2u);
    // An overlapped handle refuses a read without an OVERLAPPED record.
    std::uint8_t buffer[64];
    EXPECT_FALSE(ReadFile(connection.deviceHandle(), buffer, sizeof buffer, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// A call that fails for the first interface skips it, with a line or
// silently, and the second is opened.
TEST_F(ConnectionOpenTest, AFailedCallSkipsTheInterface) {
    struct Case {
        const char* what;
        const char* call;
        int nth;
        DWORD error;
        std::vector<std::string> lines;
        std::optional<std::size_t> detailReads;  // SetupDiGetDeviceInterfaceDetailW calls in all
    };
    const std::vector<std::string> detailFailed = {"Error: SetupDiGetInterfaceDeviceDetail failed"};
    const Case cases[] = {
        {"the detail read", "SetupDiGetDeviceInterfaceDetailW", 2, ERROR_GEN_FAILURE, detailFailed, std::nullopt},
        // The sizing call fails for another reason and reports no size at
        // all: no detail is read with a block too small.
        {"the sizing call", "SetupDiGetDeviceInterfaceDetailW", 1, ERROR_INVALID_PARAMETER, detailFailed, 3u},
        {"the open", "CreateFileW", 1, ERROR_SHARING_VIOLATION, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        System::reset();
        CallLog::clear();
        SkippedAndKept headsets;
        OpenedPastFault open(c.call, c.nth, c.error);
        ASSERT_TRUE(open.opened);
        EXPECT_EQ(open.lines, c.lines);
        if (c.detailReads) {
            EXPECT_EQ(CallLog::count("SetupDiGetDeviceInterfaceDetailW"), *c.detailReads);
        }
        EXPECT_EQ(headsets.skipped->opens(), 0u);
        EXPECT_EQ(headsets.kept->openHandles(), 1u);
    }
}


TEST_F(ConnectionOpenTest, EnumerationErrorEndsTheSearch) {
    plugHeadset(L"Tamo Mk2", 1);
    auto unreached = plugHeadset(L"Tamo Mk2", 2);
    Faults::failCall("SetupDiEnumDeviceInterfaces", 1, ERROR_INVALID_USER_BUFFER);
    HidDeviceConnection connection({headsetEntry()});
    LineRedirect out;
    EXPECT_FALSE(connection.open());
    EXPECT_TRUE(out.lines().empty());
    EXPECT_TRUE(HidBus::openRequests().empty());
    EXPECT_EQ(unreached->opens(), 0u);
}

TEST_F(ConnectionOpenTest, NotMatchingInterfacesAreClosedBeforeTheNextIsOpened) {
    HidBus::plug(otherInterface(0x046D, 0xC52B));
    HidBus::plug(otherInterface(0x045E, 0x07A5));
    plugHeadset();
    HidDeviceConnection connection({headsetEntry()});
    ASSERT_TRUE(connection.open());
    auto calls = CallLog::calls();
    std::vector<std::string> opensAndCloses;
    for (const auto& call : calls) {
        if (call == "CreateFileW" || call == "CloseHandle") opensAndCloses.push_back(call);
    }
    EXPECT_EQ(opensAndCloses, (std::vector<std::string>{"CreateFileW", "CloseHandle", "CreateFileW", "CloseHandle",
                                                        "CreateFileW"}));
    EXPECT_EQ(System::openHandleCount(ObjectKind::File), 1u);
    EXPECT_LT(positionOf(calls, "HidD_GetHidGuid"), positionOf(calls, "SetupDiGetClassDevsW"));
}

}  // namespace
}  // namespace tamo::test
