// The floor under the exported functions: the same platform calls, in the
// same order and with the same arguments, made directly, with none of the
// library's own work (no table built or matched, no report framed, no
// result mapped, no configuration line split). What an export costs above
// this is what the library itself costs.
#pragma once

namespace tamo::floor {

// hmd_config.ini, when there is one, is opened, read to its end and closed
// wherever the library reads it.
void init();
// `enabled`: the file allows see-through, so the command is sent.
void seeThrough(bool enabled);
void command();  // audio mode, hi power: one command report
void getState();

}  // namespace tamo::floor
