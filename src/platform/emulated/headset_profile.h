// What is plugged into the emulated Windows, as a profile names it: the HID
// interfaces in enumeration order, and whether another holder has the
// mode-switch lock. The tool's --virtual and the tests set up their worlds
// from these (world.h).
//
// Built-in profiles: "default" (one headset "Tamo Mk2" with the oldest
// firmware the library takes), "none" (no HID interface), "old-firmware"
// (the newest firmware it refuses), "silent" (a headset that never sends an
// input report), "busy" (the default headset, and another holder of the
// lock), "two-headsets" ("Tamo Mk2" and "TAMO Prime"), "refusing" (a
// headset that answers the firmware query but refuses every feature report,
// so that a command fails its transfer).
//
// A profile file says the same in text:
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
// refuses_features, openable (yes or no, on or off, 1 or 0). A [headset] starts as the default
// headset, an [interface] as a plain HID interface with nothing behind it.
#pragma once

#include "api/firmware_check.h"

#include <optional>
#include <string>
#include <vector>

namespace emulated {

// One interface on the bus: a virtual headset, or a plain HID interface
// that answers no request.
struct InterfaceSetup {
    bool headset = true;
    std::wstring product = L"Tamo Mk2";
    unsigned vendorId = 0x2E5C;
    unsigned productId = 0x0712;
    unsigned usagePage = 0xFF00;
    unsigned usage = 0x0001;
    unsigned inputLength = 64;
    unsigned outputLength = 64;
    unsigned featureLength = 64;
    unsigned firmware = tamo::kMinimumFirmwareVersion;
    bool silent = false;
    bool refusesFeatures = false;  // every HidD_SetFeature and HidD_GetFeature
    bool openable = true;

    // "HID interface", IDs 0000:0000, usage page 1: not a headset.
    static InterfaceSetup plain();
};

struct Profile {
    std::string name;
    std::vector<InterfaceSetup> interfaces;
    bool lockHeld = false;
};

// The built-in profiles' names, comma-separated, in the order above.
std::string builtInProfileNames();
std::optional<Profile> builtInProfile(const std::string& name);
// A built-in profile by name, or else a profile file by path. The error
// says which names there are, or names the line of a file that does not
// parse.
std::optional<Profile> loadProfile(const std::string& nameOrPath, std::string& error);

// A profile file's text; `name` names the profile and, in `error`, the file
// whose line does not parse.
std::optional<Profile> parseProfile(const std::string& text, const std::string& name, std::string& error);

}  // namespace emulated
