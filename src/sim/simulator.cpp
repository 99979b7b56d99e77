#include "simulator.h"

#include "logged_headset.h"
#include "platform/console.h"
#include "platform/emulated/system.h"

#include <utility>

namespace tamo::sim {
namespace {

// The simulator's own lines start so; the library's lines never do.
constexpr const char* kPrefix = "tamo_settings simulator: ";
// Where an unknown profile leaves the host: as on a machine without a headset.
constexpr const char* kFallbackProfile = "none";

std::string stateProblem(const emulated::LoadedState& loaded, const std::filesystem::path& file) {
    using Outcome = emulated::LoadedState::Outcome;
    const std::string name = "the state file " + file.string();
    switch (loaded.outcome) {
    case Outcome::Missing:
    case Outcome::Loaded: return {};
    case Outcome::Corrupt: return name + " is damaged (" + loaded.problem + "); starting fresh, and it is replaced";
    case Outcome::Foreign:
        return name + " is not a state file (" + loaded.problem + "); starting fresh, and it is left as it is";
    case Outcome::Unreadable:
        return name + " cannot be read (" + loaded.problem + "); starting fresh, and it is left as it is";
    }
    return {};
}

}  // namespace

Simulator::Simulator(SimSettings settings, const std::filesystem::path& executable)
    : settings_(std::move(settings)),
      world_(std::make_unique<emulated::World>(executable.parent_path(), executable.filename().wstring())) {
    emulated::System::setRealTime(settings_.realTime);
    choose(settings_.profile);
    announcement_.push_back(std::string(kPrefix) + "profile " + profile_.name +
                            ", a simulated headset and no real one. Do not ship this DLL!!");
    for (const std::string& warning : settings_.warnings) announcement_.push_back(kPrefix + warning);
    if (settings_.logFile) {
        log_.open(*settings_.logFile, std::ios::binary | std::ios::app);
        if (!log_) announcement_.push_back(kPrefix + ("cannot append to the report log " + settings_.logFile->string()));
    }
    loaded_ = emulated::loadStateFile(settings_.stateFile.string());
    if (std::string problem = stateProblem(loaded_, settings_.stateFile); !problem.empty()) {
        announcement_.push_back(kPrefix + problem);
    }
    plugProfile();
    saved_ = currentState();
}

Simulator::~Simulator() = default;

void Simulator::choose(const std::string& profileName) {
    std::string error;
    if (std::optional<emulated::Profile> profile = emulated::loadProfile(profileName, error)) {
        profile_ = std::move(*profile);
        return;
    }
    announcement_.push_back(kPrefix + error + "; simulating " + kFallbackProfile + " (no headset)");
    profile_ = *emulated::builtInProfile(kFallbackProfile);
}

// Each headset starts as the state file left it.
void Simulator::plugProfile() {
    int headsets = 0;
    for (const emulated::InterfaceSetup& setup : profile_.interfaces) {
        if (!setup.headset) {
            world_->plug(setup);
            continue;
        }
        auto headset = std::make_shared<emulated::VirtualHeadset>();
        emulated::HeadsetState state;
        if (auto saved = loaded_.state.find(++headsets); saved != loaded_.state.end()) state = saved->second;
        headset->setAudioMode(state.audioMode);
        headset->setHiPower(state.hiPower);
        headset->setSeeThrough(state.seeThrough);
        auto front = std::make_shared<LoggedHeadset>(headset, headsets,
                                                     [this](const std::string& line) { logLine(line); });
        world_->plug(setup, headset, front);
    }
    // Another holder of the lock, as a second host process would be.
    if (profile_.lockHeld) world_->holdLock();
}

emulated::VirtualState Simulator::currentState() const {
    emulated::VirtualState state;
    for (const emulated::World::Plugged& plugged : world_->plugged()) {
        if (!plugged.headset) continue;
        state[plugged.headsetNumber] = emulated::HeadsetState{plugged.headset->audioMode(), plugged.headset->hiPower(),
                                                              plugged.headset->seeThrough()};
    }
    return state;
}

// Only a change is written, and only over a missing file or a state file.
void Simulator::keepState() {
    std::lock_guard guard(stateMutex_);
    emulated::VirtualState current = currentState();
    if (current == saved_) return;
    std::optional<std::string> problem;
    if (!loaded_.mayBeReplaced()) {
        problem = settings_.stateFile.string() + " is not a state file; the headset's settings are not kept";
    } else {
        emulated::VirtualState state =
            loaded_.outcome == emulated::LoadedState::Outcome::Loaded ? loaded_.state : emulated::VirtualState{};
        for (const auto& [headset, values] : current) state[headset] = values;
        problem = emulated::saveStateFile(settings_.stateFile.string(), state);
    }
    saved_ = current;
    if (problem && !saveProblemSaid_) {
        saveProblemSaid_ = true;
        printLine(kPrefix + *problem);
    }
}

void Simulator::logLine(const std::string& line) {
    if (!log_.is_open()) return;
    log_ << line << '\n';
    log_.flush();
}

}  // namespace tamo::sim
