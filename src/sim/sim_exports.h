// The simulator's six wrappers of the library's functions, each exported
// under the library's name (tamo_settings_sim.def); sim_exports.cpp says
// what a call of one does.
#pragma once

#include "tamo_settings.h"

extern "C" {

StatusCode TAMO_CALL tamo_sim_init(void);
StatusCode TAMO_CALL tamo_sim_destroy(void);
StatusCode TAMO_CALL tamo_sim_set_see_through_state(uint8_t enable);
StatusCode TAMO_CALL tamo_sim_set_audio_mode(int32_t mode);
StatusCode TAMO_CALL tamo_sim_set_hi_power_state(uint8_t enable);
StatusCode TAMO_CALL tamo_sim_get_state(SoundState* state);

}  // extern "C"
