// Discovery against the HID interfaces of the real system (Wine's own under
// Wine): none of them is the headset, so open walks them all and finds
// nothing, and destroying the connection leaves no handle behind.
#include <gtest/gtest.h>

#include "config/hmd_config.h"
#include "hid/hid_device_connection.h"
#include "platform/win32.h"
#include "platform/line_redirect.h"

namespace tamo::test {
namespace {

DWORD processHandleCount() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

TEST(SystemDiscovery, NoSystemInterfaceMatchesTheBuiltInTableAndNothingStaysOpen) {
    DeviceConfigList table;
    addDefaultDeviceConfigs(table);
    ASSERT_TRUE(HidLibrary::instance().available()) << "hid.dll from the system directory";

    DWORD before = processHandleCount();
    LineRedirect out;
    {
        HidDeviceConnection connection(table);
        EXPECT_FALSE(connection.open());
        EXPECT_EQ(connection.deviceHandle(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(connection.deviceName(), "No Device");
    }
    for (const auto& line : out.lines()) {
        // An interface whose attributes cannot be read is reported, nothing else.
        EXPECT_EQ(line, "Error: HidD_GetAttributes failed");
    }
    EXPECT_EQ(processHandleCount(), before);
}

}  // namespace
}  // namespace tamo::test
