#include "status_text.h"

#include "inspect/library_facts.h"
#include "text_paths.h"

#include <vector>

namespace tamo::tool {
namespace {

struct KnownStatus {
    StatusCode code;
    StatusText text;
};

// Every code the library defines, in the header's order.
const std::vector<KnownStatus>& knownStatuses() {
    static const std::vector<KnownStatus> statuses = {
        {SOUND_OK, {"SOUND_OK", "success", kExitSuccess}},
        {SOUND_ERROR_NOT_INITIALIZED,
         {"SOUND_ERROR_NOT_INITIALIZED", "the library is not initialised",
          kExitNotInitialised}},
        {SOUND_ERROR_SEE_THROUGH_DISABLED,
         {"SOUND_ERROR_SEE_THROUGH_DISABLED",
          "hmd_config.ini beside the host executable does not enable see-through (ENABLE_SEE_THROUGH)",
          kExitSeeThroughDisabled}},
        {SOUND_ERROR_INVALID_ARGUMENT,
         {"SOUND_ERROR_INVALID_ARGUMENT",
          "the library refused an argument, or its mode-switch lock was used in the wrong order", kExitRejected}},
        {SOUND_ERROR_DEVICE_NOT_FOUND,
         {"SOUND_ERROR_DEVICE_NOT_FOUND", "no headset matching the device table is connected", kExitNotFound}},
        {SOUND_ERROR_OUT_OF_MEMORY,
         {"SOUND_ERROR_OUT_OF_MEMORY", "memory ran out during the call", kExitOutOfMemory}},
        {SOUND_ERROR_TRANSFER_FAILED,
         {"SOUND_ERROR_TRANSFER_FAILED", "a report could not be sent to or read from the headset", kExitTransfer}},
        {SOUND_ERROR_LOCK_CREATE_FAILED,
         {"SOUND_ERROR_LOCK_CREATE_FAILED",
          "the mode-switch lock (semaphore \"" + utf8FromWide(inspect::modeSwitchLockName()) +
              "\") could not be created or opened",
          kExitLock}},
        {SOUND_ERROR_LOCK_CLOSE_FAILED,
         {"SOUND_ERROR_LOCK_CLOSE_FAILED", "the mode-switch lock's handle could not be closed", kExitLock}},
        {SOUND_ERROR_LOCK_WAIT_FAILED,
         {"SOUND_ERROR_LOCK_WAIT_FAILED", "taking the mode-switch lock failed", kExitLock}},
        {SOUND_ERROR_LOCK_RELEASE_FAILED,
         {"SOUND_ERROR_LOCK_RELEASE_FAILED", "the mode-switch lock could not be released", kExitLock}},
        {SOUND_ERROR_LOCK_BUSY,
         {"SOUND_ERROR_LOCK_BUSY", "another caller holds the mode-switch lock: the headset is busy", kExitBusy}},
        {SOUND_ERROR_FIRMWARE_UNSUPPORTED,
         {"SOUND_ERROR_FIRMWARE_UNSUPPORTED",
          "the headset's MCU firmware is older than version " + std::to_string(inspect::minimumFirmwareVersion()),
          kExitFirmware}},
    };
    return statuses;
}

}  // namespace

StatusText describeStatus(StatusCode code) {
    for (const KnownStatus& known : knownStatuses()) {
        if (known.code == code) return known.text;
    }
    return {"UNKNOWN_STATUS_CODE", "a value the library does not define", kExitRejected};
}

std::string statusLine(StatusCode code) {
    StatusText text = describeStatus(code);
    return std::string(text.name) + " (" + std::to_string(code) + "): " + text.explanation;
}

std::string resultCodesOf(ExitStatus status) {
    std::string codes;
    for (const KnownStatus& known : knownStatuses()) {
        if (known.code == SOUND_OK || known.text.exitStatus != status) continue;
        codes += (codes.empty() ? "" : ", ") + std::to_string(known.code);
    }
    return codes;
}

}  // namespace tamo::tool
