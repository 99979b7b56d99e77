#include "simulator.h"

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
    saved_ = world_->headsetStates();
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

// Each headset starts as the state file left it, behind the report log.
void Simulator::plugProfile() {
    world_->plugProfile(profile_, loaded_.state,
                        [this](emulated::ExchangedReport report) { logLine(emulated::reportLine(report)); });
}

// Only a change is written, and only over a missing file or a state file.
void Simulator::keepState() {
    using Outcome = emulated::KeptState::Outcome;
    std::lock_guard guard(stateMutex_);
    emulated::VirtualState now = world_->headsetStates();
    emulated::KeptState kept = emulated::keepState(settings_.stateFile.string(), loaded_, saved_, now);
    saved_ = std::move(now);
    std::string problem;
    if (kept.outcome == Outcome::NotAStateFile) {
        problem = settings_.stateFile.string() + " is not a state file; the headset's settings are not kept";
    } else if (kept.outcome == Outcome::Failed) {
        problem = kept.problem;
    }
    if (!problem.empty() && !saveProblemSaid_) {
        saveProblemSaid_ = true;
        printLine(kPrefix + problem);
    }
}

void Simulator::logLine(const std::string& line) {
    if (!log_.is_open()) return;
    log_ << line << '\n';
    log_.flush();
}

}  // namespace tamo::sim
