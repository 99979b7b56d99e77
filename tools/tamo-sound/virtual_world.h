// The world the native build runs in: the emulated Windows set up the way
// a profile (platform/emulated/headset_profile.h: a built-in name or a
// profile file) says, and the state of the virtual headsets carried over
// from the previous run.
#pragma once

#include "arguments.h"
#include "exchanged_report.h"
#include "json.h"
#include "platform/emulated/world.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tamo::tool {

using emulated::InterfaceSetup;
using emulated::parseProfile;
using emulated::Profile;
using emulated::HeadsetState;
using emulated::LoadedState;
using emulated::VirtualState;

// A built-in profile by name, or a profile file by path. The error names
// the line of a file that does not parse.
std::optional<Profile> findProfile(const std::string& nameOrPath, std::string& error);

class VirtualWorld {
public:
    // Sets up the emulated Windows: the executable's path, the interfaces
    // of the profile with the saved state of the headsets, the lock. Null
    // and `error` set when an option is bad.
    static std::unique_ptr<VirtualWorld> create(const Options& options, std::string& error);
    ~VirtualWorld();
    VirtualWorld(const VirtualWorld&) = delete;
    VirtualWorld& operator=(const VirtualWorld&) = delete;

    // Problems met while loading the state (a corrupt file, ...).
    const std::vector<std::string>& warnings() const { return warnings_; }

    // The reports exchanged with the headsets since the last call, in
    // headset order.
    std::vector<ExchangedReport> takeReports();

    // Writes the headsets' state back when a command changed it, and only
    // over a file that is missing or the tool's own. The problem, when it
    // is not written.
    std::optional<std::string> save();

    Json describe() const;
    // One line: the profile, the headsets, where the state and the
    // executable are.
    std::string summary() const;

private:
    VirtualWorld() = default;
    void plugProfile();
    std::optional<std::string> loadWarning() const;

    Profile profile_;
    std::string stateFile_;
    // Where the tool runs, as the emulated Windows sees it.
    std::unique_ptr<emulated::World> world_;

    LoadedState loaded_;
    VirtualState initial_;  // the headsets as this run found them
    std::mutex reportsMutex_;
    std::vector<ExchangedReport> reports_;
    std::vector<std::string> warnings_;
};

}  // namespace tamo::tool
