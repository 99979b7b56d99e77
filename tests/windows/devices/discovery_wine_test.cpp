// Finding the headset among several HID interfaces on Wine: real CreateFileW
// opens on every candidate, the device table applied to what hid.dll reports.
#include "stdout_capture.h"
#include "wine_device_test.h"

namespace tamo::test {
namespace {

using WineDiscoveryTest = WineDeviceTest;

TEST_F(WineDiscoveryTest, UnopenableAndForeignInterfacesAreSkippedSilently) {
    // Enumerated before the headset: one that cannot be opened, one with the
    // wrong product string, one of another vendor.
    unplugHeadset();
    int unopenable = headset.addDevice({.openable = false});
    int foreign = headset.addDevice({.productString = L"Other Thing"});
    int otherVendor = headset.addDevice({.vendorId = 0x1111});
    int tamo = headset.addDevice();
    ASSERT_GE(unopenable, 0);
    ASSERT_GE(foreign, 0);
    ASSERT_GE(otherVendor, 0);
    ASSERT_GE(tamo, 0);

    StdoutCapture out;
    EXPECT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(out.text(), "");
    for (int skipped : {foreign, otherVendor}) {
        bool idle = false;
        vhid::DeviceRecord record = headset.record(skipped, &idle);
        EXPECT_TRUE(idle);
        EXPECT_EQ(record.opens, 1u) << "opened, tested and closed: device " << skipped;
        EXPECT_TRUE(record.received.empty());
    }
    bool idle = false;
    vhid::DeviceRecord record = headset.record(tamo, &idle);
    EXPECT_TRUE(idle);
    EXPECT_EQ(record.opens, 1u);
    ASSERT_EQ(record.received.size(), 1u);
    EXPECT_EQ(hex(imageOf(record.received[0].bytes)), hex(kVersionRequest));
}

TEST_F(WineDiscoveryTest, OfTwoMatchingHeadsetsTheFirstIsUsedAndTheSecondNeverOpened) {
    int second = headset.addDevice();
    ASSERT_GE(second, 0);
    initialise();
    ASSERT_EQ(dll.audioMode(1), SOUND_OK);
    EXPECT_EQ(hex(commandsSent()), hex(std::vector<Image>{kAudioMode1.report}));
    EXPECT_EQ(headsetOpens(), 1u);
    EXPECT_EQ(headset.record(second).opens, 0u);
}

TEST_F(WineDiscoveryTest, ASecondTableEntryMatchesByProductName) {
    ConfigFile config(deviceTableFile({"Tamo Mk2", "Lab Headset"}));
    unplugHeadset();
    int lab = headset.addDevice({.productString = L"Lab Headset"});
    ASSERT_GE(lab, 0);
    StdoutCapture out;
    EXPECT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(headset.record(lab).opens, 1u);
}

TEST_F(WineDiscoveryTest, ATableThatMatchesNothingFindsNoDeviceAndReleasesTheLock) {
    initialise();
    {
        ConfigFile config(deviceTableFile({"Tamo Mk2"}, "1111"));
        StdoutCapture out;
        EXPECT_EQ(dll.audioMode(1), SOUND_ERROR_DEVICE_NOT_FOUND);
        EXPECT_EQ(out.text(), "");
        EXPECT_EQ(headsetOpens(), 1u) << "opened, tested, closed";
        EXPECT_TRUE(commandsSent().empty());
        EXPECT_TRUE(lockGone());
    }
    EXPECT_EQ(dll.audioMode(1), SOUND_OK);
}

}  // namespace
}  // namespace tamo::test
