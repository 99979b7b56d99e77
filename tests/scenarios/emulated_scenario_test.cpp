// The scenario table against the native exports on the emulated Windows,
// with every interface a virtual headset on the virtual HID bus. The
// emulation shows what Wine cannot: every platform call the library makes,
// virtual time to the millisecond, and a headset that refuses requests.
#include "headset_test.h"
#include "native_exports.h"
#include "scenario_host.h"

#include <memory>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::System;
using emulated::VirtualHeadset;

VirtualHeadset::Request requestOf(Refusal refusal) {
    switch (refusal) {
    case Refusal::Read: return VirtualHeadset::Request::Read;
    case Refusal::Write: return VirtualHeadset::Request::Write;
    case Refusal::SetFeature: return VirtualHeadset::Request::SetFeature;
    case Refusal::GetFeature: return VirtualHeadset::Request::GetFeature;
    }
    return VirtualHeadset::Request::Read;
}

Exchange exchangeOf(HeadsetProbe::Kind kind) {
    switch (kind) {
    case HeadsetProbe::Kind::Open: return Exchange::Open;
    case HeadsetProbe::Kind::Close: return Exchange::Close;
    case HeadsetProbe::Kind::SetFeature: return Exchange::SetFeature;
    case HeadsetProbe::Kind::GetFeature: return Exchange::GetFeature;
    case HeadsetProbe::Kind::Write: return Exchange::Output;
    case HeadsetProbe::Kind::Read: return Exchange::Read;
    }
    return Exchange::Open;
}

// Where an interface's record stood when the scenario began.
struct Baseline {
    std::size_t received = 0;
    std::size_t opens = 0;
    std::size_t closes = 0;
    std::size_t delivered = 0;
    std::size_t applied = 0;
    std::size_t events = 0;
};

class EmulatedScenario : public HeadsetTest, public ::testing::WithParamInterface<Scenario>, public ScenarioHost {
protected:
    void SetUp() override {
        if (auto why = cannotRun(GetParam(), Host::Emulated)) GTEST_SKIP() << *why;
        HeadsetTest::SetUp();
    }
    void TearDown() override {
        if (cannotRun(GetParam(), Host::Emulated)) return;
        HeadsetTest::TearDown();
    }

    Host kind() const override { return Host::Emulated; }
    bool exactClock() const override { return true; }
    bool seesOpensAndReads() const override { return true; }

    // The fixture's own headset makes way for the scenario's interfaces;
    // the one under test is watched by the fixture's probe.
    void plug(const std::vector<DeviceSpec>& devices, std::size_t headsetIndex) override {
        unplugHeadset();
        for (std::size_t i = 0; i < devices.size(); ++i) {
            emulated::InterfaceSetup setup;
            setup.vendorId = devices[i].vendorId;
            setup.product = devices[i].productString;
            setup.openable = devices[i].openable;
            const bool underTest = i == headsetIndex;
            if (underTest) headsetIndex_ = world().plugged().size();
            models_.push_back(world().plug(setup, underTest ? headset : nullptr, underTest ? probe : nullptr).headset);
        }
    }

    StatusCode call(Export which, std::int32_t argument, SoundState* record) override {
        const std::size_t before = CallLog::calls().size();
        const StatusCode result = callNativeExport(which, argument, record);
        const auto calls = CallLog::calls();
        calls_.insert(calls_.end(), calls.begin() + static_cast<std::ptrdiff_t>(before), calls.end());
        return result;
    }

    void act(const Step& step) override {
        switch (step.action) {
        case Step::Action::SetVersionText: headset->setVersionText(step.text); break;
        case Step::Action::SetStatus:
            headset->setAudioMode(step.status.audioMode);
            headset->setHiPowerStatusByte(step.status.hiPowerStatus);
            headset->setSeeThrough(step.status.seeThrough);
            break;
        case Step::Action::SetSilent: headset->setSilent(true); break;
        case Step::Action::SetReportsBeforeVersion:
            headset->setOtherReportsBeforeVersion(static_cast<unsigned>(step.argument));
            break;
        case Step::Action::DropGreeting: probe->dropGreeting(true); break;
        case Step::Action::Refuse: headset->reject(requestOf(step.refusal)); break;
        case Step::Action::Unplug: ASSERT_TRUE(world().unplug(headsetIndex_)); break;
        case Step::Action::WriteConfig: world().setConfig(step.text); break;
        case Step::Action::RemoveConfig: world().setConfig(std::nullopt); break;
        case Step::Action::HoldLock: ASSERT_TRUE(world().holdLock()); break;
        case Step::Action::ReleaseLock:
            EXPECT_TRUE(world().releaseLock()) << "the other holder's lock is still its own";
            break;
        case Step::Action::Call: FAIL() << "a call is no action"; break;
        }
    }

    void startRecording() override {
        calls_.clear();
        baseline_ = {headset->received().size(), headset->opens(),      headset->closes(),
                     headset->inputReportsDelivered(), headset->commandsApplied(), probe->events().size()};
    }

    Observed headsetSeen() override {
        Observed seen = observe(*headset, baseline_);
        const auto events = probe->events();
        for (std::size_t i = baseline_.events; i < events.size(); ++i) {
            seen.exchanges.push_back(exchangeOf(events[i].kind));
        }
        seen.platformCalls = calls_;
        seen.commandsApplied = headset->commandsApplied() - baseline_.applied;
        return seen;
    }

    Observed deviceSeen(std::size_t index) override { return observe(*models_.at(index), Baseline{}); }

    bool lockGone() override { return tamo::test::lockGone(); }
    std::uint64_t nowMs() override { return System::nowMs(); }

private:
    static Observed observe(const VirtualHeadset& model, const Baseline& from) {
        Observed seen;
        const auto received = model.received();
        for (std::size_t i = from.received; i < received.size(); ++i) {
            const Image& bytes = received[i].bytes;
            switch (received[i].kind) {
            case VirtualHeadset::Received::Kind::SetFeature: seen.commands.push_back(bytes); break;
            case VirtualHeadset::Received::Kind::GetFeature: seen.featureReads.push_back(bytes); break;
            case VirtualHeadset::Received::Kind::Output: seen.outputs.push_back(bytes); break;
            }
        }
        seen.opens = model.opens() - from.opens;
        seen.closes = model.closes() - from.closes;
        seen.idle = model.openHandles() == 0;
        seen.inputReports = model.inputReportsDelivered() - from.delivered;
        seen.settings = {model.audioMode(), model.hiPower(), model.seeThrough()};
        return seen;
    }

    std::vector<std::shared_ptr<VirtualHeadset>> models_;
    std::size_t headsetIndex_ = 0;
    std::vector<std::string> calls_;
    Baseline baseline_;
};

TEST_P(EmulatedScenario, RunsAsTheTableSays) { runScenario(GetParam(), *this); }

INSTANTIATE_TEST_SUITE_P(Table, EmulatedScenario, ::testing::ValuesIn(scenarios()), scenarioName);

}  // namespace
}  // namespace tamo::test
