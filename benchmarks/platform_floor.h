// The floor under the exported functions: the same platform calls, in the
// same order and with the same arguments, made directly, with none of the
// library's own work (no table built or matched, no report framed, no
// result mapped, no configuration line split). What an export costs above
// this is what the library itself costs.
//
// One implementation for the emulated Windows and for Wine with the pipe
// headset: hid.dll is reached as the library reaches it, through functions
// resolved once per process; setupapi.dll and kernel32.dll directly.
#pragma once

namespace tamo::floor {

// Loads hid.dll and resolves its functions, before anything is timed; false
// when any is missing.
bool loadHid();

// Whether reading hmd_config.ini also cuts each line into a key and a value
// and copies them out: the least any reader of the format does with the
// bytes, which every call of the library must do afresh. Off by default.
void setSplitsLines(bool splits);

// hmd_config.ini, when there is one, is opened, read to its end and closed
// wherever the library reads it. `reportsBeforeReply`: the input reports the
// headset sends before the version reply; each costs a read and the
// library's poll pause.
void init(unsigned reportsBeforeReply);
// `enabled`: the file allows see-through, so the command is sent.
void seeThrough(bool enabled);
void command();  // audio mode, hi power: one command report
void getState();

}  // namespace tamo::floor
