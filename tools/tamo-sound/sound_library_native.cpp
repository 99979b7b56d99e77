// The native build: the library is linked in and runs on the emulated
// Windows.
#include "sound_library.h"

namespace tamo::tool {

SoundLibrary::SoundLibrary() : origin_("linked in (emulated Windows)"), version_(TAMO_SOUND_VERSION) {
    functions_.init = &qor_tamo_sound_init;
    functions_.destroy = &qor_tamo_sound_destroy;
    functions_.setSeeThroughState = &qor_tamo_sound_set_see_through_state;
    functions_.setAudioMode = &qor_tamo_sound_set_audio_mode;
    functions_.setHiPowerState = &qor_tamo_sound_set_hi_power_state;
    functions_.getState = &qor_tamo_sound_get_state;
    loaded_ = true;
}

SoundLibrary::~SoundLibrary() = default;

}  // namespace tamo::tool
