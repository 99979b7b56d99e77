// The simulator's world on the emulated Windows: a profile it does not
// know, the state file between runs, a damaged one, the report log.
#include "platform/line_redirect.h"
#include "platform_test.h"
#include "scratch_directory.h"
#include "simulator.h"

#include <gtest/gtest.h>

namespace tamo::sim {
namespace {

using test::readFile;

class SimulatorTest : public test::PlatformTest {
protected:
    SimSettings settingsFor(const std::string& profile) const {
        SimSettings settings;
        settings.profile = profile;
        settings.stateFile = scratch_.path() / "tamo_sim.state";
        return settings;
    }
    std::filesystem::path executable() const { return scratch_.path() / "host.exe"; }

    // One run of a host: a fresh process's emulated Windows.
    std::unique_ptr<Simulator> run(const SimSettings& settings) {
        emulated::System::reset();
        qor_tamo_sound_destroy();
        return std::make_unique<Simulator>(settings, executable());
    }

    test::ScratchDirectory scratch_;
};

TEST_F(SimulatorTest, SaysWhatItIsAndThatItMustNotBeShipped) {
    auto simulator = run(settingsFor("busy"));
    ASSERT_EQ(simulator->announcement().size(), 1u);
    EXPECT_EQ(simulator->announcement()[0],
              "tamo_settings simulator: profile busy, a simulated headset and no real one. Do not ship this DLL!!");
}

TEST_F(SimulatorTest, AnUnknownProfileIsNamedWithTheProfilesAndIsNoHeadset) {
    auto simulator = run(settingsFor("no-such-profile"));
    ASSERT_EQ(simulator->announcement().size(), 2u);
    EXPECT_EQ(simulator->announcement()[0],
              "tamo_settings simulator: 'no-such-profile' is neither a profile (" + emulated::builtInProfileNames() +
                  ") nor a readable file; simulating none (no headset)");
    EXPECT_NE(simulator->announcement()[1].find("profile none,"), std::string::npos);
    EXPECT_TRUE(simulator->world().plugged().empty());
    EXPECT_EQ(qor_tamo_sound_init(), SOUND_ERROR_DEVICE_NOT_FOUND);
}

TEST_F(SimulatorTest, TheHeadsetKeepsItsSettingsBetweenRuns) {
    {
        auto simulator = run(settingsFor("default"));
        ASSERT_EQ(qor_tamo_sound_init(), SOUND_OK);
        ASSERT_EQ(qor_tamo_sound_set_audio_mode(2), SOUND_OK);
        ASSERT_EQ(qor_tamo_sound_set_hi_power_state(0), SOUND_OK);
        simulator->keepState();
    }
    EXPECT_EQ(readFile(scratch_.path() / "tamo_sim.state"),
              "tamo-sound virtual headset state 1\nheadset.1.audio_mode=2\nheadset.1.hi_power=0\n"
              "headset.1.see_through=0\n");
    auto simulator = run(settingsFor("default"));
    ASSERT_EQ(qor_tamo_sound_init(), SOUND_OK);
    SoundState state{};
    ASSERT_EQ(qor_tamo_sound_get_state(&state), SOUND_OK);
    EXPECT_EQ(state.audioMode, 2);
    EXPECT_EQ(state.hiPowerState, 0);
}

TEST_F(SimulatorTest, ADamagedStateFileIsSaidAndTheHeadsetStartsFresh) {
    scratch_.write("tamo_sim.state", "tamo-sound virtual headset state 1\nheadset.1.audio_mode=banana\n");
    auto simulator = run(settingsFor("default"));
    ASSERT_EQ(simulator->announcement().size(), 2u);
    EXPECT_EQ(simulator->announcement()[1], "tamo_settings simulator: the state file " +
                                                (scratch_.path() / "tamo_sim.state").string() +
                                                " is damaged (line 2: audio_mode is not a byte: banana); starting "
                                                "fresh, and it is replaced");
    ASSERT_EQ(qor_tamo_sound_init(), SOUND_OK);
    SoundState state{};
    ASSERT_EQ(qor_tamo_sound_get_state(&state), SOUND_OK);
    EXPECT_EQ(state.audioMode, 0);
    ASSERT_EQ(qor_tamo_sound_set_audio_mode(1), SOUND_OK);
    simulator->keepState();
    EXPECT_EQ(emulated::loadStateFile((scratch_.path() / "tamo_sim.state").string()).outcome,
              emulated::LoadedState::Outcome::Loaded);
}

TEST_F(SimulatorTest, AForeignStateFileIsLeftAlone) {
    const std::string foreign = "[Display]\nENABLE_SEE_THROUGH=1\n";
    scratch_.write("tamo_sim.state", foreign);
    LineRedirect printed;
    auto simulator = run(settingsFor("default"));
    ASSERT_EQ(qor_tamo_sound_init(), SOUND_OK);
    ASSERT_EQ(qor_tamo_sound_set_audio_mode(1), SOUND_OK);
    simulator->keepState();
    EXPECT_EQ(readFile(scratch_.path() / "tamo_sim.state"), foreign);
    EXPECT_EQ(printed.lines(), (std::vector<std::string>{"tamo_settings simulator: " +
                                                         (scratch_.path() / "tamo_sim.state").string() +
                                                         " is not a state file; the headset's settings are not kept"}));
}

TEST_F(SimulatorTest, EveryExchangedReportIsAppendedToTheLog) {
    scratch_.write("reports.log", "an earlier run\n");
    SimSettings settings = settingsFor("refusing");
    settings.logFile = scratch_.path() / "reports.log";
    auto simulator = run(settings);
    ASSERT_EQ(qor_tamo_sound_init(), SOUND_OK);
    EXPECT_EQ(qor_tamo_sound_set_audio_mode(1), SOUND_ERROR_TRANSFER_FAILED);
    const std::string log = readFile(scratch_.path() / "reports.log");
    EXPECT_TRUE(log.starts_with("an earlier run\n-> output report: 01 66 22 (+61 zero bytes)\n<- input report: "))
        << log;
    EXPECT_TRUE(log.ends_with("-> set feature: 04 78 29 38 20 00 00 00 00 00 00 00 00 00 00 00 00 01 (+46 zero bytes) "
                              "refused (error 31)\n"))
        << log;
}

}  // namespace
}  // namespace tamo::sim
