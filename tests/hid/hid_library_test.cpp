// Run-time loading of hid.dll, and a connection without it.
#include "hid/hid_device_connection.h"
#include "hid/hid_library.h"
#include "hid_test_support.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <array>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;

using HidLibraryTest = PlatformTest;

TEST_F(HidLibraryTest, LoadResolvesEveryFunction) {
    HidLibrary library = HidLibrary::load();
    EXPECT_TRUE(library.available());
    EXPECT_EQ(CallLog::count("LoadLibraryExW"), 1u);
    EXPECT_EQ(CallLog::count("GetProcAddress"), 8u);
    GUID guid{};
    library.getHidGuid(&guid);
    EXPECT_EQ(guid.Data1, 0x4D1E55B2u);
}

TEST_F(HidLibraryTest, InstanceIsLoadedOnceForTheProcess) {
    const HidLibrary& first = HidLibrary::instance();
    CallLog::clear();
    const HidLibrary& second = HidLibrary::instance();
    EXPECT_EQ(&first, &second);
    EXPECT_TRUE(second.available());
    EXPECT_EQ(CallLog::count("LoadLibraryExW"), 0u);
}

TEST_F(HidLibraryTest, MissingModuleLeavesNothingAvailable) {
    Faults::failCall("LoadLibraryExW", 1, ERROR_MOD_NOT_FOUND);
    HidLibrary library = HidLibrary::load();
    EXPECT_FALSE(library.available());
    EXPECT_EQ(library.getAttributes, nullptr);
    EXPECT_EQ(CallLog::count("GetProcAddress"), 0u);
}

TEST_F(HidLibraryTest, MissingFunctionLeavesNothingAvailable) {
    Faults::failCall("GetProcAddress", 5, ERROR_PROC_NOT_FOUND);
    HidLibrary library = HidLibrary::load();
    EXPECT_FALSE(library.available());
    EXPECT_EQ(library.getHidGuid, nullptr) << "half a library is not handed out";
    EXPECT_EQ(CallLog::count("FreeLibrary"), 1u);
}

TEST_F(HidLibraryTest, ConnectionWithoutHidDllFindsNoDeviceAndPrintsNothing) {
    auto headset = plugHeadset();
    Faults::failCall("LoadLibraryExW", 1, ERROR_MOD_NOT_FOUND);
    HidLibrary missing = HidLibrary::load();
    CallLog::clear();
    LineRedirect out;
    {
        HidDeviceConnection connection({headsetEntry()}, missing);
        EXPECT_FALSE(connection.open());
        EXPECT_EQ(connection.deviceHandle(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(connection.deviceName(), "No Device");
        std::array<std::uint8_t, kReportSize> buffer{};
        EXPECT_FALSE(connection.readInputReport(buffer));
        EXPECT_FALSE(connection.writeOutputReport(buffer));
    }
    EXPECT_TRUE(out.lines().empty());
    EXPECT_TRUE(CallLog::calls().empty()) << "nothing is enumerated without hid.dll";
    EXPECT_EQ(headset->opens(), 0u);
}

}  // namespace
}  // namespace tamo::test
