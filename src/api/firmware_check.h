// The firmware check that qor_tamo_sound_init runs.
#pragma once

#include "tamo_settings.h"

#include <cstdint>
#include <string>

namespace tamo {

// Commands need MCU firmware of this version or later.
inline constexpr std::uint32_t kMinimumFirmwareVersion = 103;

// The MCU firmware version in a version text: ten '0' characters, then two
// numbers of up to three digits each; the second is the version. What the
// scan does not reach, and a negative number, count as 0.
std::uint32_t firmwareVersionOf(const std::string& text);

// Asks the headset for its firmware version and enables the library when it
// is recent enough. A refusal prints the text and the number it was read as;
// any failure leaves the initialised state as it was.
StatusCode checkFirmware();

}  // namespace tamo
