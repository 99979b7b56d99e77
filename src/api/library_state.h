// The one piece of state the library keeps between calls.
#pragma once

namespace tamo {

// Whether qor_tamo_sound_init has enabled the library. The host orders init
// and destroy against its own command calls; the flag itself promises no
// ordering, only freedom from data races.
bool isInitialised();
void setInitialised(bool initialised);

}  // namespace tamo
