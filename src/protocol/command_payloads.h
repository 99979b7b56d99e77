// The command payloads the library sends, and where their fields lie.
//
// Each payload starts all zero; a command sets its 32-bit function code and
// at most one value byte. Offsets are within the 56-byte payload, which
// begins at report byte 4.
#pragma once

#include "protocol/reports.h"

#include <cstdint>

namespace tamo {

namespace payload {
inline constexpr std::size_t kFunctionCode = 0;  // 32 bits, little-endian
inline constexpr std::size_t kStatusRequestFlag = 8;
inline constexpr std::size_t kHiPowerOffFlag = 11;
inline constexpr std::size_t kAudioSetting = 13;
}  // namespace payload

namespace function {
inline constexpr std::uint32_t kStatusRequest = 0x01;
inline constexpr std::uint32_t kHiPower = 0x08;
inline constexpr std::uint32_t kAudio = 0x20;
}  // namespace function

namespace audio {
inline constexpr std::uint8_t kSeeThroughOn = 0xC0;
inline constexpr std::uint8_t kSeeThroughOff = 0x80;
}  // namespace audio

// A zeroed payload carrying only `code`.
CommandPayload commandPayload(std::uint32_t code);

// Asks the headset to prepare its status reports.
CommandPayload statusRequestPayload();
// The MCU's flag is "hi power off", so switching on clears it.
CommandPayload hiPowerPayload(bool on);
CommandPayload seeThroughPayload(bool on);
// The audio modes the headset knows: 0, 1 and 2.
constexpr bool isAudioMode(std::int32_t mode) { return mode >= 0 && mode <= 2; }

// `mode` is the audio mode byte as sent: 0, 1 or 2.
CommandPayload audioModePayload(std::uint8_t mode);

}  // namespace tamo
