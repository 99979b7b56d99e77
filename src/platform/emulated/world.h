// The emulated Windows as one object: where the host executable lives and
// the hmd_config.ini beside it, the HID interfaces plugged into the virtual
// bus, and another holder of the mode-switch lock. Tests, fuzzers,
// benchmarks and the tool's --virtual set up their worlds with it.
//
// The lock is the library's own (api/mode_switch_lock.h): the other holder
// opens and takes it as a second process of the session would.
#pragma once

#include "api/mode_switch_lock.h"
#include "platform/emulated/headset_profile.h"
#include "platform/emulated/headset_state.h"
#include "platform/emulated/hid_bus.h"
#include "platform/emulated/host_directory.h"
#include "platform/emulated/report_tap.h"
#include "platform/emulated/virtual_headset.h"

#include <cstddef>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace emulated {

// hmd_config.ini that spells out the built-in device table entry by entry,
// as the library knows it, followed by `extra` lines.
std::string builtInTableConfig(std::string_view extra = {});

class World {
public:
    // A fresh emulated Windows whose executable lives in a new directory
    // below `parent`.
    explicit World(const std::filesystem::path& parent = std::filesystem::temp_directory_path());
    // The emulated Windows as it is, its executable `executableName` in the
    // existing directory `directory`, which is left in place.
    World(std::filesystem::path directory, std::wstring executableName);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Starts over: the other lock holder gone, nothing plugged, a fresh
    // System (handles, clock, faults, logs), the executable here. The
    // configuration file stays as it is.
    void reset();

    // The executable's directory, and the executable as the library asks
    // for it.
    const std::filesystem::path& directory() const { return host_.path(); }
    std::wstring executablePath() const { return host_.executablePath(); }
    // hmd_config.ini beside the executable is exactly `text`, or there is
    // none. Throws std::runtime_error when it cannot be written; the same
    // text twice is written once.
    void setConfig(std::optional<std::string_view> text);

    // An interface as it went onto the bus.
    struct Plugged {
        InterfaceSetup setup;
        HidInterface bus;
        std::shared_ptr<VirtualHeadset> headset;  // null for a plain interface
        int headsetNumber = 0;                    // 1-based, in plug order
    };
    // Plugs an interface in after those before it. A headset is `headset`
    // when given, else a new one, set to the setup's firmware and silence;
    // the bus speaks to `front` when given, a model that passes the
    // requests on to the headset (a probe, a log).
    const Plugged& plug(const InterfaceSetup& setup = {}, std::shared_ptr<VirtualHeadset> headset = nullptr,
                        std::shared_ptr<HidDeviceModel> front = nullptr);
    const std::deque<Plugged>& plugged() const { return plugged_; }
    // Plugs the profile's interfaces in, in its order, each headset set as
    // `start` has it (by headset number) and, with a `sink`, behind a tap
    // of its reports; another holder takes the lock when the profile says.
    void plugProfile(const Profile& profile, const VirtualState& start = {}, ReportSink sink = nullptr);
    // The plugged headsets' settings, by headset number.
    VirtualState headsetStates() const;
    // Takes the interface off the bus, or puts it back after the others.
    bool unplug(std::size_t index);
    void replug(std::size_t index);

    // Another holder of the mode-switch lock: with `take`, it holds the
    // lock; without, it only keeps the free semaphore alive. False when the
    // lock could not be opened or taken.
    bool holdLock(bool take = true);
    // False when the holder could not give the lock back or close it (say,
    // someone else released it meanwhile).
    bool releaseLock();
    bool lockHeldElsewhere() const { return lockTaken_; }

private:
    HostDirectory host_;
    // What hmd_config.ini holds, when the world knows it.
    bool configKnown_ = true;
    std::optional<std::string> config_;
    std::deque<Plugged> plugged_;
    std::unique_ptr<tamo::ModeSwitchLock> otherHolder_;
    bool lockTaken_ = false;
};

}  // namespace emulated
