// The four exchanges with the headset.
//
// Each is a complete cycle: load the device table, open the headset, make one
// exchange, close everything again. Nothing outlives the call, so an edit of
// hmd_config.ini or a replugged headset is seen by the next transaction.
//
// Results: SOUND_OK; SOUND_ERROR_DEVICE_NOT_FOUND when no headset could be
// opened (nothing is sent); SOUND_ERROR_TRANSFER_FAILED when a report could
// not be sent or read; SOUND_ERROR_OUT_OF_MEMORY when sendCommand cannot
// obtain its transfer buffer. On any failure the caller's output is left as
// it was. A failure of the standard allocator while the device table or the
// connection is built propagates as std::bad_alloc; the exported functions
// turn it into a result code.
#pragma once

#include "protocol/reports.h"
#include "tamo_settings.h"

#include <string>

namespace tamo {

// The firmware sends its version reply among this many input reports after
// the request, and needs this long between two of them.
inline constexpr int kVersionPollReads = 101;
inline constexpr unsigned kVersionPollPauseMs = 10;

// Sends a command report (feature report 4) carrying `payload`.
StatusCode sendCommand(const CommandPayload& payload);
// Sends a command report without payload: 04 78 29 00 and zeros.
StatusCode sendCommand();

// Asks for the status feature report and stores its bytes 4-63 in `block`.
StatusCode readStatusFeature(StatusBlock& block);

// Reads the first input report of a freshly opened headset, whatever its ID,
// and stores its bytes 4-63 in `block`.
StatusCode readStatusInput(StatusBlock& block);

// Sends the version request and reads input reports until the version reply
// arrives, pausing after every other report. Replaces `text` with the
// version text. When no reply is among kVersionPollReads reports the result
// is SOUND_ERROR_TRANSFER_FAILED: a text that is not the firmware's must not
// reach the version check.
StatusCode queryFirmwareVersion(std::string& text);

}  // namespace tamo
