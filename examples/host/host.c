/* A minimal host of tamo_settings: enables the library, reads the headset's
 * state back and disables the library again. Exits 0 when every call
 * succeeded, 1 otherwise. Copy it as the start of your own host. */
#include <stdio.h>

#include "tamo_settings.h"

int main(void) {
    StatusCode result = qor_tamo_sound_init();
    printf("qor_tamo_sound_init: %d\n", (int)result);
    if (result != SOUND_OK) {
        /* e.g. SOUND_ERROR_DEVICE_NOT_FOUND: no headset is plugged in. */
        return 1;
    }

    SoundState state;
    result = qor_tamo_sound_get_state(&state);
    printf("qor_tamo_sound_get_state: %d\n", (int)result);
    if (result == SOUND_OK) {
        printf("audio mode %d, high power %s\n", (int)state.audioMode, state.hiPowerState ? "on" : "off");
    }

    qor_tamo_sound_destroy();
    return result == SOUND_OK ? 0 : 1;
}
