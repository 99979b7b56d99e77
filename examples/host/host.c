/* A minimal host of tamo_settings: enables the library, switches the headset
 * to audio mode 2, reads its state back and disables the library again.
 * Exits 0 when every call succeeded, 1 otherwise. Copy it as the start of
 * your own host; run it against the simulator (bin/sim) to see each result
 * without a headset. */
#include <stdio.h>

#include "tamo_settings.h"

int main(void) {
    StatusCode result = qor_tamo_sound_init();
    printf("qor_tamo_sound_init: %d\n", (int)result);
    if (result != SOUND_OK) {
        /* e.g. SOUND_ERROR_DEVICE_NOT_FOUND: no headset is plugged in. */
        return 1;
    }

    StatusCode switched = qor_tamo_sound_set_audio_mode(2);
    printf("qor_tamo_sound_set_audio_mode: %d\n", (int)switched);
    /* SOUND_ERROR_LOCK_BUSY: another caller is talking to the headset; the
     * call did nothing and may be tried again later. */

    SoundState state;
    result = qor_tamo_sound_get_state(&state);
    printf("qor_tamo_sound_get_state: %d\n", (int)result);
    if (result == SOUND_OK) {
        printf("audio mode %d, high power %s\n", (int)state.audioMode, state.hiPowerState ? "on" : "off");
    }

    qor_tamo_sound_destroy();
    return switched == SOUND_OK && result == SOUND_OK ? 0 : 1;
}
