// The six exported functions.
#include "api/library_state.h"
#include "api/mode_switch_lock.h"
#include "tamo_settings.h"

namespace {

// Frame of a command: the initialised test comes first, before any other
// check, lock or device access. The headset transactions are not wired in
// yet, so an initialised command cannot happen; init cannot enable the
// library until the firmware check exists.
StatusCode notInitialised() { return SOUND_ERROR_NOT_INITIALIZED; }

}  // namespace

extern "C" {

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_init(void) { return SOUND_ERROR_DEVICE_NOT_FOUND; }

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_destroy(void) {
    tamo::setInitialised(false);
    return SOUND_OK;
}

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_see_through_state(uint8_t) {
    if (!tamo::isInitialised()) return notInitialised();
    return notInitialised();
}

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_audio_mode(int32_t) {
    if (!tamo::isInitialised()) return notInitialised();
    return notInitialised();
}

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_hi_power_state(uint8_t) {
    if (!tamo::isInitialised()) return notInitialised();
    return notInitialised();
}

TAMO_API StatusCode TAMO_CALL qor_tamo_sound_get_state(SoundState*) {
    if (!tamo::isInitialised()) return notInitialised();
    return notInitialised();
}

}  // extern "C"
