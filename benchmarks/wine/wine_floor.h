// The floor under the exported functions on Windows (here: Wine with the
// pipe headset): the platform calls that one export makes, in the same order
// and with the same arguments, made directly, with none of the library's own
// work (no table built or matched, no report framed, no result mapped).
//
// hid.dll is reached as the library reaches it, through functions resolved
// from the system directory's hid.dll once per process; setupapi.dll and
// kernel32.dll through the import table.
#pragma once

namespace tamo::wine_floor {

// Loads hid.dll and resolves its functions; false when any is missing.
bool loadHid();

void init();
void command();  // audio mode, hi power: one command report
void getState();

}  // namespace tamo::wine_floor
