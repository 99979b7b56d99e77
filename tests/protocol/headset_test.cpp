#include "headset_test.h"

#include "api/mode_switch_lock.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace tamo::test {
namespace {

const char* const kSeeThroughConfig =
    "NUM_OF_CONFIG=3\n"
    "VENDORID_001=2E5C\nPRODUCTID_001=0712\nUSAGE_001=0001\nUSAGEPAGE_001=FF00\n"
    "PRODUCTNAME_001=Tamo Mk2\nREPORTID_001=0\nDEVICENAME_001=HMD#0\n"
    "VENDORID_002=2E5C\nPRODUCTID_002=0712\nUSAGE_002=0001\nUSAGEPAGE_002=FF00\n"
    "PRODUCTNAME_002=TAMO_Zenith\nREPORTID_002=0\nDEVICENAME_002=HMD#0\n"
    "VENDORID_003=2E5C\nPRODUCTID_003=0712\nUSAGE_003=0001\nUSAGEPAGE_003=FF00\n"
    "PRODUCTNAME_003=TAMO Prime\nREPORTID_003=0\nDEVICENAME_003=HMD#0\n"
    "ENABLE_SEE_THROUGH=1\n";

}  // namespace

bool lockGone() { return emulated::System::semaphoreCount(kModeSwitchLockName) == std::nullopt; }

void HeadsetTest::SetUp() {
    PlatformTest::SetUp();
    host_ = std::make_unique<emulated::HostDirectory>();
    freshWorld();
}

void HeadsetTest::freshWorld() {
    host_->enterFreshWorld();
    headset = std::make_shared<emulated::VirtualHeadset>();
    probe = std::make_shared<HeadsetProbe>(headset);
    description_ = emulated::VirtualHeadset::describe(headset);
    description_.device = probe;
    emulated::HidBus::plug(description_);
}

void HeadsetTest::TearDown() {
    PlatformTest::TearDown();
    host_.reset();
}

// The firmware is asked on a headset of its own, so that the one under test
// has seen nothing when the test begins.
void HeadsetTest::initialise() {
    ASSERT_TRUE(emulated::HidBus::unplug(description_.path));
    auto firmware = std::make_shared<emulated::VirtualHeadset>();
    auto firmwareInterface = emulated::VirtualHeadset::describe(firmware, L"Tamo Mk2", 1);
    emulated::HidBus::plug(firmwareInterface);
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_OK);
    EXPECT_TRUE(emulated::HidBus::unplug(firmwareInterface.path));
    emulated::HidBus::plug(description_);
    emulated::CallLog::clear();
}

void HeadsetTest::allowSeeThrough() { ASSERT_TRUE(host_->writeConfig(kSeeThroughConfig)); }

void HeadsetTest::unplugHeadset() { ASSERT_TRUE(emulated::HidBus::unplug(description_.path)); }

std::vector<Image> HeadsetTest::commandsSent() const {
    return headset->received(emulated::VirtualHeadset::Received::Kind::SetFeature);
}

std::size_t HeadsetTest::headsetOpens() const { return headset->opens(); }

}  // namespace tamo::test
