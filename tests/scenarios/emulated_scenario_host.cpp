#include "emulated_scenario_host.h"

#include "emulated_platform.h"
#include "platform/emulated/system.h"

#include <exception>

namespace tamo::test {
namespace {

using emulated::CallLog;
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

Problem unless(bool done, const char* what) { return done ? Problem{} : Problem{what}; }

}  // namespace

EmulatedScenarioHost::EmulatedScenarioHost(Host kind, ExportTable exports) : kind_(kind), exports_(exports) {
    enterFreshPlatform();
    world_ = std::make_unique<emulated::World>();
    exports_.Destroy();
}

EmulatedScenarioHost::~EmulatedScenarioHost() { exports_.Destroy(); }

Problem EmulatedScenarioHost::plug(const std::vector<DeviceSpec>& devices, std::size_t headsetIndex) {
    try {
        for (std::size_t i = 0; i < devices.size(); ++i) {
            emulated::InterfaceSetup setup;
            setup.vendorId = devices[i].vendorId;
            setup.product = devices[i].productString;
            setup.openable = devices[i].openable;
            const bool underTest = i == headsetIndex;
            if (underTest) {
                headsetIndex_ = world_->plugged().size();
                headset_ = std::make_shared<VirtualHeadset>();
                probe_ = std::make_shared<HeadsetProbe>(headset_);
            }
            models_.push_back(
                world_->plug(setup, underTest ? headset_ : nullptr, underTest ? probe_ : nullptr).headset);
        }
    } catch (const std::exception& error) {
        return std::string("cannot plug the interfaces in: ") + error.what();
    }
    return unless(headset_ != nullptr, "no interface is the headset under test");
}

StatusCode EmulatedScenarioHost::call(Export which, std::int32_t argument, SoundState* record) {
    const std::size_t before = CallLog::calls().size();
    const StatusCode result = callExport(exports_, which, argument, record);
    const auto calls = CallLog::calls();
    calls_.insert(calls_.end(), calls.begin() + static_cast<std::ptrdiff_t>(before), calls.end());
    return result;
}

Problem EmulatedScenarioHost::act(const Step& step) {
    try {
        return makeStep(step);
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
}

Problem EmulatedScenarioHost::makeStep(const Step& step) {
    switch (step.action) {
    case Step::Action::SetVersionText: headset_->setVersionText(step.text); break;
    case Step::Action::SetStatus:
        headset_->setAudioMode(step.status.audioMode);
        headset_->setHiPowerStatusByte(step.status.hiPowerStatus);
        headset_->setSeeThrough(step.status.seeThrough);
        break;
    case Step::Action::SetSilent: headset_->setSilent(true); break;
    case Step::Action::SetReportsBeforeVersion:
        headset_->setOtherReportsBeforeVersion(static_cast<unsigned>(step.argument));
        break;
    case Step::Action::DropGreeting: probe_->dropGreeting(true); break;
    case Step::Action::Refuse: headset_->reject(requestOf(step.refusal)); break;
    case Step::Action::Unplug: return unless(world_->unplug(headsetIndex_), "the headset was not on the bus");
    case Step::Action::WriteConfig: world_->setConfig(step.text); break;
    case Step::Action::RemoveConfig: world_->setConfig(std::nullopt); break;
    case Step::Action::HoldLock: return unless(world_->holdLock(), "the other holder could not take the lock");
    case Step::Action::ReleaseLock:
        return unless(world_->releaseLock(), "the other holder's lock was not its own any more");
    case Step::Action::Call: return "a call is no action";
    }
    return std::nullopt;
}

Problem EmulatedScenarioHost::startRecording() {
    calls_.clear();
    baseline_ = {headset_->received().size(),       headset_->opens(),           headset_->closes(),
                 headset_->inputReportsDelivered(), headset_->commandsApplied(), probe_->events().size()};
    return std::nullopt;
}

Observed EmulatedScenarioHost::headsetSeen() {
    Observed seen = observe(*headset_, baseline_);
    const auto events = probe_->events();
    for (std::size_t i = baseline_.events; i < events.size(); ++i) seen.exchanges.push_back(exchangeOf(events[i].kind));
    seen.platformCalls = calls_;
    seen.commandsApplied = headset_->commandsApplied() - baseline_.applied;
    return seen;
}

// An index the scenario did not plug in is seen as a connection left open.
Observed EmulatedScenarioHost::deviceSeen(std::size_t index) {
    if (index >= models_.size() || !models_[index]) return Observed{};
    return observe(*models_[index], Baseline{});
}

bool EmulatedScenarioHost::lockGone() { return tamo::test::lockGone(); }

std::uint64_t EmulatedScenarioHost::nowMs() { return emulated::System::nowMs(); }

std::vector<std::string> EmulatedScenarioHost::leftovers() { return platformLeftovers(); }

Observed EmulatedScenarioHost::observe(const VirtualHeadset& model, const Baseline& from) {
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

}  // namespace tamo::test
