// Base fixture for driving the exported functions against the virtual
// headset on the emulated Windows.
//
// Every test starts with one headset plugged into the virtual HID bus behind
// a HeadsetProbe, and with the host executable in a fresh directory that
// holds no hmd_config.ini, so the built-in device table is used.
#pragma once

#include "emulated_platform.h"
#include "expected_reports.h"
#include "headset_probe.h"
#include "platform_test.h"
#include "platform/emulated/world.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace tamo::test {

class HeadsetTest : public PlatformTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Resets the emulated world and plugs in a new headset, as at the start
    // of the test; the configuration directory stays.
    void freshWorld();
    // A successful qor_tamo_sound_init; afterwards the call log starts
    // afresh and the headset under test has seen nothing.
    void initialise();
    // hmd_config.ini reproducing the built-in device table, with
    // ENABLE_SEE_THROUGH=1.
    void allowSeeThrough();
    void unplugHeadset();
    // The emulated Windows the test runs in; the host executable, and so
    // hmd_config.ini, lives in its directory.
    emulated::World& world() { return *world_; }
    const std::filesystem::path& configDirectory() const { return world_->directory(); }

    // The feature reports the headset was sent, in order.
    std::vector<Image> commandsSent() const;
    // How many transactions reached the headset (handles it saw opened).
    std::size_t headsetOpens() const;

    std::shared_ptr<emulated::VirtualHeadset> headset;
    std::shared_ptr<HeadsetProbe> probe;

private:
    std::unique_ptr<emulated::World> world_;
};

}  // namespace tamo::test
