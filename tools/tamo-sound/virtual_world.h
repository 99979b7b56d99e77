// The world the native build runs in: the emulated Windows with its virtual
// HID bus, set up the way a profile says, and the state of the virtual
// headsets carried over from the previous run.
//
// Profiles: "default" (one headset "Tamo Mk2", firmware 103), "none" (no
// HID interface), "old-firmware" (firmware 102), "silent" (a headset that
// never sends an input report), "busy" (the default headset, and another
// holder of the mode-switch lock), "two-headsets" ("Tamo Mk2" and
// "TAMO Prime"), or the path of a profile file:
//
//   # a headset whose product string has two blanks, and a keyboard
//   [headset]
//   product = TAMO  Prime
//   firmware = 103
//   [interface]
//   product = USB Keyboard
//   vendor_id = 046D
//   product_id = C31C
//   usage_page = 0001
//   usage = 0006
//   openable = no
//   [lock]
//   held = yes
//
// [headset] and [interface] sections plug one interface each, in file
// order; keys: product, vendor_id, product_id, usage_page, usage (base 16),
// input_length, output_length, feature_length, firmware (decimal), silent,
// openable (yes or no). A [headset] starts as the default headset, an
// [interface] as a plain HID interface with nothing behind it.
#pragma once

#include "api/firmware_check.h"
#include "arguments.h"
#include "exchanged_report.h"
#include "json.h"
#include "platform/emulated/host_directory.h"
#include "virtual_state.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tamo::tool {

struct InterfaceSpec {
    bool headset = true;
    std::wstring product = L"Tamo Mk2";
    unsigned vendorId = 0x2E5C;
    unsigned productId = 0x0712;
    unsigned usagePage = 0xFF00;
    unsigned usage = 0x0001;
    unsigned inputLength = 64;
    unsigned outputLength = 64;
    unsigned featureLength = 64;
    unsigned firmware = kMinimumFirmwareVersion;
    bool silent = false;
    bool openable = true;
};

struct Profile {
    std::string name;
    std::vector<InterfaceSpec> interfaces;
    bool lockHeld = false;
};

// The built-in profiles' names, comma-separated.
std::string builtInProfileNames();

// A built-in profile by name, or a profile file by path. The error names
// the line of a file that does not parse.
std::optional<Profile> findProfile(const std::string& nameOrPath, std::string& error);
std::optional<Profile> parseProfile(const std::string& text, const std::string& name, std::string& error);

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
    struct Plugged;
    class ReportLog;

    Profile profile_;
    std::string stateFile_;
    // Where the tool runs, as the emulated Windows sees it.
    std::unique_ptr<emulated::HostDirectory> host_;
    std::wstring executablePath_;
    std::optional<std::string> loadWarning() const;

    LoadedState loaded_;
    VirtualState initial_;  // the headsets as this run found them
    std::vector<std::unique_ptr<Plugged>> plugged_;
    void* lockHolder_ = nullptr;
    std::vector<std::string> warnings_;
};

}  // namespace tamo::tool
