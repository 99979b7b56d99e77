#include "platform/emulated/world.h"

#include "config/hmd_config.h"
#include "platform/emulated/system.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace emulated {

std::string builtInTableConfig(std::string_view extra) {
    // The library's built-in entries as written.
    std::string text =
        std::string(tamo::config_key::kNumOfConfig) + "=" + std::to_string(tamo::kBuiltInEntries.size()) + "\n";
    int index = 0;
    for (const tamo::EntryText& entry : tamo::kBuiltInEntries) {
        ++index;
        for (std::size_t field = 0; field < tamo::kEntryKeyCount; ++field) {
            text += tamo::entryKey(field, index) + "=" + std::string(entry[field]) + "\n";
        }
    }
    return text.append(extra);
}

World::World(const std::filesystem::path& parent) : host_(parent) { reset(); }

World::World(std::filesystem::path directory, std::wstring executableName)
    : host_(std::move(directory), std::move(executableName)), configKnown_(false) {
    host_.useAsExecutableDirectory();
}

World::~World() { releaseLock(); }

void World::reset() {
    // The holder's handle belongs to the world that is about to go.
    releaseLock();
    plugged_.clear();
    host_.enterFreshWorld();
}

void World::setConfig(std::optional<std::string_view> text) {
    if (configKnown_ && config_ == text) return;
    if (text) {
        if (!host_.writeConfig(*text)) {
            throw std::runtime_error("cannot write " + (host_.path() / "hmd_config.ini").string());
        }
    } else {
        host_.removeConfig();
    }
    config_ = text ? std::optional<std::string>(*text) : std::nullopt;
    configKnown_ = true;
}

const World::Plugged& World::plug(const InterfaceSetup& setup, std::shared_ptr<VirtualHeadset> headset,
                                  std::shared_ptr<HidDeviceModel> front) {
    Plugged plugged;
    plugged.setup = setup;
    const auto instance = static_cast<unsigned>(plugged_.size());
    if (setup.headset) {
        plugged.headset = headset ? std::move(headset) : std::make_shared<VirtualHeadset>();
        plugged.headset->setFirmwareVersion(setup.firmware);
        plugged.headset->setSilent(setup.silent);
        if (setup.refusesFeatures) {
            plugged.headset->reject(VirtualHeadset::Request::SetFeature);
            plugged.headset->reject(VirtualHeadset::Request::GetFeature);
        }
        plugged.headsetNumber =
            1 + static_cast<int>(std::count_if(plugged_.begin(), plugged_.end(), [](const Plugged& p) { return p.headset; }));
    }
    HidInterface& bus = plugged.bus;
    bus.path = HidBus::devicePath(static_cast<USHORT>(setup.vendorId), static_cast<USHORT>(setup.productId), instance);
    bus.vendorId = static_cast<USHORT>(setup.vendorId);
    bus.productId = static_cast<USHORT>(setup.productId);
    bus.productString = setup.product;
    bus.usagePage = static_cast<USAGE>(setup.usagePage);
    bus.usage = static_cast<USAGE>(setup.usage);
    bus.inputReportByteLength = static_cast<USHORT>(setup.inputLength);
    bus.outputReportByteLength = static_cast<USHORT>(setup.outputLength);
    bus.featureReportByteLength = static_cast<USHORT>(setup.featureLength);
    bus.openable = setup.openable;
    bus.device = front ? std::move(front) : plugged.headset;
    HidBus::plug(bus);
    plugged_.push_back(std::move(plugged));
    return plugged_.back();
}

void World::plugProfile(const Profile& profile, const VirtualState& start, ReportSink sink) {
    int headsets = 0;
    for (const InterfaceSetup& setup : profile.interfaces) {
        if (!setup.headset) {
            plug(setup);
            continue;
        }
        auto headset = std::make_shared<VirtualHeadset>();
        HeadsetState state;
        if (auto saved = start.find(++headsets); saved != start.end()) state = saved->second;
        headset->setAudioMode(state.audioMode);
        headset->setHiPower(state.hiPower);
        headset->setSeeThrough(state.seeThrough);
        std::shared_ptr<HidDeviceModel> front;
        if (sink) front = std::make_shared<ReportTap>(headset, headsets, sink);
        plug(setup, headset, std::move(front));
    }
    if (profile.lockHeld) holdLock();
}

VirtualState World::headsetStates() const {
    VirtualState states;
    for (const Plugged& plugged : plugged_) {
        if (!plugged.headset) continue;
        states[plugged.headsetNumber] =
            HeadsetState{plugged.headset->audioMode(), plugged.headset->hiPower(), plugged.headset->seeThrough()};
    }
    return states;
}

bool World::unplug(std::size_t index) { return HidBus::unplug(plugged_.at(index).bus.path); }

void World::replug(std::size_t index) { HidBus::plug(plugged_.at(index).bus); }

bool World::holdLock(bool take) {
    releaseLock();
    otherHolder_ = std::make_unique<tamo::ModeSwitchLock>();
    if (otherHolder_->openLock() != SOUND_OK) {
        otherHolder_.reset();
        return false;
    }
    lockTaken_ = take && otherHolder_->tryLock() == SOUND_OK;
    return lockTaken_ == take;
}

bool World::releaseLock() {
    if (!otherHolder_) return true;
    const bool released = !lockTaken_ || otherHolder_->unlock() == SOUND_OK;
    const bool closed = otherHolder_->closeLock() == SOUND_OK;
    otherHolder_.reset();
    lockTaken_ = false;
    return released && closed;
}

}  // namespace emulated
