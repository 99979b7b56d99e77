#include "headset_test.h"

namespace tamo::test {

void HeadsetTest::SetUp() {
    PlatformTest::SetUp();
    world_ = std::make_unique<emulated::World>();
    freshWorld();
}

void HeadsetTest::freshWorld() {
    world_->reset();
    headset = std::make_shared<emulated::VirtualHeadset>();
    probe = std::make_shared<HeadsetProbe>(headset);
    world_->plug({}, headset, probe);
}

void HeadsetTest::TearDown() {
    PlatformTest::TearDown();
    world_.reset();
}

// The firmware is asked on a headset of its own, so that the one under test
// has seen nothing when the test begins.
void HeadsetTest::initialise() {
    unplugHeadset();
    const std::size_t firmware = world_->plugged().size();
    world_->plug();
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_OK);
    EXPECT_TRUE(world_->unplug(firmware));
    world_->replug(0);
    emulated::CallLog::clear();
}

void HeadsetTest::allowSeeThrough() { world_->setConfig(emulated::builtInTableConfig("ENABLE_SEE_THROUGH=1\n")); }

void HeadsetTest::unplugHeadset() { ASSERT_TRUE(world_->unplug(0)); }

std::vector<Image> HeadsetTest::commandsSent() const {
    return headset->received(emulated::VirtualHeadset::Received::Kind::SetFeature);
}

std::size_t HeadsetTest::headsetOpens() const { return headset->opens(); }

}  // namespace tamo::test
