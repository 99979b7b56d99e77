#include "exit_status.h"

#include "inspect/library_facts.h"
#include "status_text.h"

#include <vector>

namespace tamo::tool {
namespace {

struct ExitStatusText {
    ExitStatus status;
    std::string meaning;
    std::string scope;  // the only command that gives it, if one does
    std::string note;   // what --help adds
};

// Every status, in order; the texts live here alone.
const std::vector<ExitStatusText>& exitStatusTexts() {
    static const std::vector<ExitStatusText> texts = {
        {kExitSuccess, "every command succeeded", "",
         "check-config: the library does what the file says, or there is no file"},
        {kExitToolFailure, "the tool itself failed", "", "the library cannot be loaded, or an internal error"},
        {kExitUsage, "bad arguments", "", ""},
        {kExitNotFound, "no headset matching the device table", "", "devices: none matches"},
        {kExitBusy, "the headset is busy: another caller holds the mode-switch lock", "", ""},
        {kExitNotInitialised, "the library is not initialised", "", ""},
        {kExitFirmware, "the headset's firmware is older than " + std::to_string(inspect::minimumFirmwareVersion()), "", ""},
        {kExitSeeThroughDisabled, "hmd_config.ini does not enable see-through", "", ""},
        {kExitTransfer, "a report could not be sent or read", "", ""},
        {kExitLock, "the mode-switch lock failed", "", ""},
        {kExitOutOfMemory, "memory ran out", "", ""},
        {kExitRejected, "the library refused an argument", "", "also a result code the library does not define"},
        {kExitConfigIgnored, "the library ignores the configuration file as a whole", "check-config",
         "it uses its built-in table instead"},
        {kExitConfigPartlyIgnored, "the library ignores part of the configuration file", "check-config",
         "fewer entries, a key, a value"},
        {kExitOutputFailed, "standard output could not be written", "", "whatever the commands did"},
        {kExitConfigEmptyTable, "the configuration file leaves the device table empty: no headset can be found",
         "check-config", ""},
        {kExitHeadsetNotOpened, "a headset matches the device table but cannot be opened", "devices",
         "another program holds it, or access is denied"},
    };
    return texts;
}

}  // namespace

std::vector<ExitStatus> allExitStatuses() {
    std::vector<ExitStatus> statuses;
    for (const ExitStatusText& text : exitStatusTexts()) statuses.push_back(text.status);
    return statuses;
}

std::string exitStatusMeaning(ExitStatus status) {
    for (const ExitStatusText& text : exitStatusTexts()) {
        if (text.status == status) return text.meaning;
    }
    return "?";
}

std::string exitStatusTable() {
    std::string table;
    for (const ExitStatusText& text : exitStatusTexts()) {
        std::string number = std::to_string(text.status);
        table += std::string(4 - number.size(), ' ') + number + "  ";
        if (!text.scope.empty()) table += text.scope + ": ";
        table += text.meaning;
        if (std::string codes = resultCodesOf(text.status); !codes.empty()) table += " (" + codes + ")";
        if (!text.note.empty()) table += "; " + text.note;
        table += '\n';
    }
    return table;
}

}  // namespace tamo::tool
