// The three setters on Wine: the exact report the headset receives, what it
// does with it, and every refusal that needs no injected fault.
#include "stdout_capture.h"
#include "wine_device_test.h"

#include <climits>
#include <functional>

namespace tamo::test {
namespace {

struct SetterCase {
    ExpectedCommand expected;
    std::function<StatusCode(const TamoDll&)> call;
    // The headset's state after the command.
    std::function<bool(const vhid::DeviceRecord&)> applied;
};

void PrintTo(const SetterCase& c, std::ostream* os) { *os << c.expected.name; }

const SetterCase kSetters[] = {
    {kSeeThroughOn, [](const TamoDll& dll) { return dll.seeThrough(1); },
     [](const vhid::DeviceRecord& h) { return h.seeThrough; }},
    {kSeeThroughOff, [](const TamoDll& dll) { return dll.seeThrough(0); },
     [](const vhid::DeviceRecord& h) { return !h.seeThrough; }},
    {kAudioMode0, [](const TamoDll& dll) { return dll.audioMode(0); },
     [](const vhid::DeviceRecord& h) { return h.audioMode == 0; }},
    {kAudioMode1, [](const TamoDll& dll) { return dll.audioMode(1); },
     [](const vhid::DeviceRecord& h) { return h.audioMode == 1; }},
    {kAudioMode2, [](const TamoDll& dll) { return dll.audioMode(2); },
     [](const vhid::DeviceRecord& h) { return h.audioMode == 2; }},
    {kHiPowerOn, [](const TamoDll& dll) { return dll.hiPower(1); },
     [](const vhid::DeviceRecord& h) { return h.hiPower; }},
    {kHiPowerOff, [](const TamoDll& dll) { return dll.hiPower(0); },
     [](const vhid::DeviceRecord& h) { return !h.hiPower; }},
};

class WineSetterTest : public WineDeviceTest, public ::testing::WithParamInterface<SetterCase> {
protected:
    void SetUp() override {
        WineDeviceTest::SetUp();
        if (HasFatalFailure()) return;
        allowSeeThrough();
        // Start from the opposite of every setting the commands make.
        std::string name = GetParam().expected.name;
        std::uint8_t audioMode = name == "AudioMode1" ? 2 : 1;
        std::uint8_t hiPowerStatus = name == "HiPowerOff" ? 0 : 1;
        ASSERT_TRUE(headset.setState(device, audioMode, hiPowerStatus, name == "SeeThroughOff"));
    }
};

TEST_P(WineSetterTest, SendsExactlyItsReportAndTheHeadsetAppliesIt) {
    initialise();
    StdoutCapture out;
    EXPECT_EQ(GetParam().call(dll), SOUND_OK);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(hex(commandsSent()), hex(std::vector<Image>{GetParam().expected.report}));
    EXPECT_TRUE(received(vhid::ReportKind::Output).empty());
    EXPECT_TRUE(received(vhid::ReportKind::GetFeature).empty());
    EXPECT_TRUE(GetParam().applied(settled()));
    EXPECT_EQ(headsetOpens(), 1u);
    EXPECT_TRUE(lockGone());
}

TEST_P(WineSetterTest, NotInitialisedSendsNothing) {
    EXPECT_EQ(GetParam().call(dll), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_TRUE(settled().received.empty());
    EXPECT_EQ(headsetOpens(), 0u);
}

TEST_P(WineSetterTest, NoHeadsetGivesDeviceNotFoundAndReleasesTheLock) {
    initialise();
    unplugHeadset();
    StdoutCapture out;
    EXPECT_EQ(GetParam().call(dll), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(lockGone());
    EXPECT_TRUE(commandsSent().empty());
    EXPECT_EQ(headsetOpens(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EverySetter, WineSetterTest, ::testing::ValuesIn(kSetters),
                         [](const auto& entry) { return std::string(entry.param.expected.name); });

using WineCommandTest = WineDeviceTest;

// Another process holds the lock: every command is turned away at once, and
// the only line is the lock's own notice that the semaphore existed.
TEST_F(WineCommandTest, BusyLockReturnsAtOnceAndSendsNothing) {
    allowSeeThrough();
    initialise();
    LockHolder other;
    ASSERT_TRUE(other.holding()) << other.error();
    SoundState state{0xA5, 0x7E, -12345};
    for (const SetterCase& setter : kSetters) {
        StdoutCapture out;
        EXPECT_EQ(setter.call(dll), SOUND_ERROR_LOCK_BUSY) << setter.expected.name;
        EXPECT_EQ(out.lines(), std::vector<std::string>{"Handle is exist."}) << setter.expected.name;
    }
    {
        StdoutCapture out;
        EXPECT_EQ(dll.state(&state), SOUND_ERROR_LOCK_BUSY);
        EXPECT_EQ(out.lines(), std::vector<std::string>{"Handle is exist."});
    }
    EXPECT_EQ(state.reserved, 0xA5);
    EXPECT_EQ(state.hiPowerState, 0x7E);
    EXPECT_EQ(state.audioMode, -12345);
    EXPECT_EQ(headsetOpens(), 0u);
    EXPECT_TRUE(settled().received.size() == 1u) << "only init's version request";
    EXPECT_EQ(other.release(), 0);

    StdoutCapture out;
    EXPECT_EQ(dll.audioMode(1), SOUND_OK) << "free once the other process let go";
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(lockGone());
}

TEST_F(WineCommandTest, NonZeroEnableMeansOnWhateverItsValue) {
    allowSeeThrough();
    initialise();
    for (std::uint8_t enable : {std::uint8_t{2}, std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
        EXPECT_EQ(dll.hiPower(enable), SOUND_OK);
        EXPECT_EQ(dll.seeThrough(enable), SOUND_OK);
    }
    EXPECT_EQ(hex(commandsSent()),
              hex(std::vector<Image>{kHiPowerOn.report, kSeeThroughOn.report, kHiPowerOn.report, kSeeThroughOn.report,
                                     kHiPowerOn.report, kSeeThroughOn.report}));
    EXPECT_EQ(headsetOpens(), 6u);
}

TEST_F(WineCommandTest, AudioModeOutsideZeroToTwoIsRefusedBeforeTheLock) {
    initialise();
    ASSERT_TRUE(headset.setState(device, 1, 0));
    LockHolder other;  // a busy lock would give -1990 if it were asked
    ASSERT_TRUE(other.holding()) << other.error();
    StdoutCapture out;
    for (std::int32_t mode : {3, 4, 255, 256, INT32_MAX, -1, -2, -1998, -1999, INT32_MIN}) {
        EXPECT_EQ(dll.audioMode(mode), SOUND_ERROR_INVALID_ARGUMENT) << mode;
    }
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(settled().received.size() == 1u) << "only init's version request";
    EXPECT_EQ(headsetOpens(), 0u);
    EXPECT_EQ(settled().audioMode, 1);
}

TEST_F(WineCommandTest, SeeThroughWithoutAConfigurationFileIsRefusedSilently) {
    initialise();
    StdoutCapture out;
    EXPECT_EQ(dll.seeThrough(1), SOUND_ERROR_SEE_THROUGH_DISABLED);
    EXPECT_EQ(dll.seeThrough(0), SOUND_ERROR_SEE_THROUGH_DISABLED);
    EXPECT_EQ(out.text(), "") << "a missing file is silent";
    EXPECT_TRUE(lockGone());
    EXPECT_EQ(headsetOpens(), 0u);
}

TEST_F(WineCommandTest, SeeThroughWithoutTheSwitchInTheFileIsRefused) {
    ConfigFile config(deviceTableFile({"Tamo Mk2", "TAMO_Zenith", "TAMO Prime"}));
    initialise();
    StdoutCapture out;
    EXPECT_EQ(dll.seeThrough(1), SOUND_ERROR_SEE_THROUGH_DISABLED);
    EXPECT_EQ(out.lines(), std::vector<std::string>{"Cannot find the key:ENABLE_SEE_THROUGH"});
    EXPECT_EQ(headsetOpens(), 0u);
}

TEST_F(WineCommandTest, SeeThroughSwitchedOffInTheFileIsRefused) {
    ConfigFile config(deviceTableFile({"Tamo Mk2", "TAMO_Zenith", "TAMO Prime"}, "2E5C", "0"));
    initialise();
    StdoutCapture out;
    EXPECT_EQ(dll.seeThrough(1), SOUND_ERROR_SEE_THROUGH_DISABLED);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(headsetOpens(), 0u);
}

TEST_F(WineCommandTest, SeeThroughRefusalComesBeforeABusyLockAndAMissingHeadset) {
    initialise();
    LockHolder other;
    ASSERT_TRUE(other.holding()) << other.error();
    unplugHeadset();
    StdoutCapture out;
    EXPECT_EQ(dll.seeThrough(1), SOUND_ERROR_SEE_THROUGH_DISABLED);
    EXPECT_EQ(out.text(), "") << "not even the lock's notice: it was not asked";
    EXPECT_EQ(other.release(), 0);
}

TEST_F(WineCommandTest, BeforeInitEvenBadArgumentsGiveNotInitialised) {
    allowSeeThrough();
    StdoutCapture out;
    for (std::int32_t mode : {-1999, -1, 3, INT32_MAX}) {
        EXPECT_EQ(dll.audioMode(mode), SOUND_ERROR_NOT_INITIALIZED);
    }
    EXPECT_EQ(dll.state(nullptr), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.seeThrough(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(settled().received.empty());
    EXPECT_EQ(headsetOpens(), 0u);
}

TEST_F(WineCommandTest, AfterDestroyEveryCommandIsRefusedUntilTheNextInit) {
    allowSeeThrough();
    initialise();
    EXPECT_EQ(dll.destroy(), SOUND_OK);
    EXPECT_EQ(dll.destroy(), SOUND_OK);
    SoundState state{};
    EXPECT_EQ(dll.seeThrough(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.audioMode(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.hiPower(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.state(&state), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(headsetOpens(), 0u);
    EXPECT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(dll.audioMode(1), SOUND_OK);
}

TEST_F(WineCommandTest, EachCommandReadsTheConfigurationAfresh) {
    initialise();
    EXPECT_EQ(dll.seeThrough(1), SOUND_ERROR_SEE_THROUGH_DISABLED);
    allowSeeThrough();
    EXPECT_EQ(dll.seeThrough(1), SOUND_OK);
    EXPECT_TRUE(settled().seeThrough);
}

}  // namespace
}  // namespace tamo::test
