/* The public header is plain C: this file only has to compile and link. */
#include "tamo_settings.h"

typedef StatusCode (TAMO_CALL *tamo_init_fn)(void);
typedef StatusCode (TAMO_CALL *tamo_state_fn)(SoundState *);

int tamo_public_header_is_c(void) {
    SoundState state = {0, 0, 0};
    tamo_init_fn init = &qor_tamo_sound_init;
    tamo_state_fn get = &qor_tamo_sound_get_state;
    (void)init;
    (void)get;
    return (int)sizeof state + SOUND_ERROR_LOCK_BUSY;
}
