// The public header in C++ of every standard a host may build with; the C
// ones compile public_header_test.c. Only has to compile, warning-free.
#include "tamo_settings.h"

int tamoPublicHeaderIsCxx() {
    SoundState state = {0, 0, 0};
    return static_cast<int>(sizeof state) + SOUND_ERROR_LOCK_BUSY + TAMO_SETTINGS_VERSION_MAJOR;
}
