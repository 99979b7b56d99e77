// The six exported functions.
//
// Each command function is the shared skeleton of command_skeleton.h with its
// own precondition and transactions; init is the firmware check.
//
// No exception crosses the C boundary. Every export body runs inside
// `guarded`. The only exceptions the library's code can raise are the
// standard library's failures to obtain storage (std::bad_alloc while the
// device table, a device path or a text is built; std::length_error for a
// size that could never be allocated), so every exception is reported as
// SOUND_ERROR_OUT_OF_MEMORY, the code the transactions already use for a
// transfer buffer they cannot get. Unwinding releases everything a call
// holds: the device handle and information set (the connection's destructor),
// the semaphore (LockHold) and its handle (ModeSwitchLock's destructor). A
// failed init leaves the initialised state as it was. Two layers below
// absorb a shortage themselves: the configuration reader counts it as an
// unreadable hmd_config.ini, and device discovery skips an interface whose
// path it cannot hold, so those calls go on without the file or the device.
#include "api/command_skeleton.h"
#include "api/firmware_check.h"
#include "api/library_state.h"
#include "config/hmd_config.h"
#include "protocol/command_payloads.h"
#include "protocol/transactions.h"
#include "tamo_settings.h"

#include <cstdint>

namespace {

using namespace tamo;

template <class Body>
StatusCode guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return SOUND_ERROR_OUT_OF_MEMORY;
    }
}

StatusCode noPrecondition() { return SOUND_OK; }

// The MCU reports hi power as an "off" byte: zero means on.
std::uint8_t hiPowerStateOf(const StatusBlock& featureBlock) {
    return featureBlock[status::kHiPowerStatus] == 0 ? 1 : 0;
}

// Anything but 0, 1 or 2 is a mode this library does not know: 3.
std::int32_t audioModeOf(const StatusBlock& inputBlock) {
    auto mode = static_cast<std::int8_t>(inputBlock[status::kAudioMode]);
    return (mode >= 0 && mode <= 2) ? mode : 3;
}

// Status request, status feature report, status input report; each one
// opens the headset anew. hiPowerState is written as soon as it is known, so
// a failed last read leaves it new and audioMode old.
StatusCode readState(SoundState& state) {
    if (StatusCode sent = sendCommand(statusRequestPayload()); sent != SOUND_OK) return sent;
    StatusBlock block{};
    if (StatusCode read = readStatusFeature(block); read != SOUND_OK) return read;
    state.hiPowerState = hiPowerStateOf(block);
    block.fill(0);
    if (StatusCode read = readStatusInput(block); read != SOUND_OK) return read;
    state.audioMode = audioModeOf(block);
    return SOUND_OK;
}

}  // namespace

extern "C" {

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_init(void) {
    return guarded([] { return checkFirmware(); });
}

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_destroy(void) {
    setInitialised(false);
    return SOUND_OK;
}

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_see_through_state(uint8_t enable) {
    return guarded([enable] {
        return runCommand(
            [] { return isSeeThroughEnabled() ? SOUND_OK : SOUND_ERROR_SEE_THROUGH_DISABLED; },
            [enable] { return sendCommand(seeThroughPayload(enable != 0)); });
    });
}

// Only the modes the headset knows are sent; any other value is refused
// before the lock, including negative ones, which would otherwise reach the
// headset as mode 0.
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_audio_mode(int32_t mode) {
    return guarded([mode] {
        return runCommand([mode] { return isAudioMode(mode) ? SOUND_OK : SOUND_ERROR_INVALID_ARGUMENT; },
                          [mode] { return sendCommand(audioModePayload(static_cast<std::uint8_t>(mode))); });
    });
}

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_hi_power_state(uint8_t enable) {
    return guarded([enable] {
        return runCommand(noPrecondition, [enable] { return sendCommand(hiPowerPayload(enable != 0)); });
    });
}

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_get_state(SoundState* state) {
    return guarded([state] {
        return runCommand([state] { return state != nullptr ? SOUND_OK : SOUND_ERROR_INVALID_ARGUMENT; },
                          [state] { return readState(*state); });
    });
}

}  // extern "C"
