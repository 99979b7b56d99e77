// The simulator DLL's world: the emulated Windows, set up once as the
// host's settings say (sim_settings.h), with the virtual headsets' state
// carried over from the previous run and their reports logged.
#pragma once

#include "platform/emulated/headset_profile.h"
#include "platform/emulated/headset_state.h"
#include "platform/emulated/world.h"
#include "sim_settings.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tamo::sim {

class Simulator {
public:
    // Plugs in the profile's interfaces in the emulated Windows whose
    // executable is `executable` (its hmd_config.ini the one beside it).
    Simulator(SimSettings settings, const std::filesystem::path& executable);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // What the simulator says before anything else: what it is, and any
    // problem with its settings or state file.
    const std::vector<std::string>& announcement() const { return announcement_; }

    // Keeps the headsets' settings in the state file when a call changed
    // them; a problem writing it is said once.
    void keepState();

    const emulated::World& world() const { return *world_; }

private:
    void choose(const std::string& profileName);
    void plugProfile();
    void logLine(const std::string& line);

    SimSettings settings_;
    emulated::Profile profile_;
    std::unique_ptr<emulated::World> world_;
    emulated::LoadedState loaded_;
    emulated::VirtualState saved_;
    std::ofstream log_;
    std::vector<std::string> announcement_;
    std::mutex stateMutex_;
    bool saveProblemSaid_ = false;
};

}  // namespace tamo::sim
