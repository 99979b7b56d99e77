#include "inspect/library_facts.h"
#include "arguments.h"
#include "exit_status.h"
#include "report.h"

namespace tamo::tool {

std::string helpText() {
    std::string text = R"(Usage: tamo-sound [OPTIONS] COMMAND [COMMAND...]

Controls the headset's audio through tamo_settings, one library call per
command, in the order given, in one process.

Commands:
  init                   qor_tamo_sound_init: checks the firmware, enables the library
  destroy                qor_tamo_sound_destroy: disables the library
  state                  qor_tamo_sound_get_state: shows hiPower and audioMode
  audio-mode 0|1|2       qor_tamo_sound_set_audio_mode
  see-through on|off     qor_tamo_sound_set_see_through_state (needs
                         ENABLE_SEE_THROUGH=1 in hmd_config.ini beside the program)
  hi-power on|off        qor_tamo_sound_set_hi_power_state
                         (a switch may also be 1|0, in any case: ON, Off)
  devices                lists every HID interface, its properties, and which
                         device-table entry matches it, or which test fails
  check-config [PATH]    explains what the library makes of an hmd_config.ini
                         (default: the one beside this program); changes nothing

  Commands other than init, destroy, devices and check-config run init first
  when this process has not initialised the library yet, or destroyed it
  since; that init is part of the command it runs for.

Options:
  --json                 one JSON document on standard output (format_version )" +
                        std::to_string(kJsonFormatVersion) + R"(,
                         described by tamo-sound.schema.json), also for bad
                         arguments; the library's own lines go into it
  --no-init              no automatic init before a command
  --retry N              try a busy command (SOUND_ERROR_LOCK_BUSY) up to N more
                         times (N from 0 to )" + std::to_string(kMaxRetries) + R"(), )" +
                        std::to_string(kRetryPauseMs) + R"( ms apart (default 0: never retried)
  -k, --keep-going       run the remaining commands after a failure
  -h, --help             this text (wherever it stands)
  --version              the tool's version and that of the library it loads
  --config FILE          devices and check-config examine FILE instead of the
                         hmd_config.ini the library reads

  An option's value may also follow an "=": --retry=5. A "--" ends the
  options: every word after it is a command or its argument.
)";
#if !defined(_WIN32)
    text += R"(
Virtual headset (this build runs the library on an emulated Windows):
  --virtual PROFILE      default (one "Tamo Mk2", firmware )" +
            std::to_string(inspect::minimumFirmwareVersion()) + R"(), none,
                         old-firmware, silent, busy, two-headsets,
                         refusing, or a profile file (see the README)
  --state-file FILE      where the virtual headset keeps its state between runs
                         (default: $TAMO_VIRTUAL_STATE, else
                         $XDG_RUNTIME_DIR/tamo-sound/virtual-headset.state, else
                         /tmp/tamo-sound-UID/virtual-headset.state)
  --exe-dir DIR          the directory the library takes as the host
                         executable's, where it reads hmd_config.ini (default:
                         this program's directory, as Z:\...)
  --show-reports         after each call, the HID reports the virtual headset
                         exchanged with the library

  Time is virtual here: a pause of --retry passes on the emulated clock at
  once, and the output says so. Only a command that changes a headset writes
  the state file, and only over a file that starts with the tool's own header
  (or none at all): any other file is left as it is.
)";
#else
    text += R"(  --exe-dir DIR          devices and check-config examine DIR\hmd_config.ini, a
                         host's folder, without copying this program there (the
                         library's calls still read the file beside this program)
)";
#endif
    text += R"(
Output:
  Text by default: one line per command on standard output, among the
  library's own diagnostic lines, and a summary line; colour only when
  standard output is a terminal and NO_COLOR is unset. Warnings of the tool go
  to standard error.

Exit status (the first failure decides):
)";
    text += exitStatusTable();
    text += R"(
Examples:
  tamo-sound init state
  tamo-sound audio-mode 2 state
  tamo-sound --retry 5 hi-power on
  tamo-sound --json state
  tamo-sound check-config ./hmd_config.ini
  tamo-sound devices
)";
#if !defined(_WIN32)
    text += R"(  tamo-sound --virtual old-firmware init
  tamo-sound --exe-dir /tmp/host see-through on
)";
#endif
    return text;
}

}  // namespace tamo::tool
