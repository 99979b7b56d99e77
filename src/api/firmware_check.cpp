#include "api/firmware_check.h"

#include "api/library_state.h"
#include "platform/console.h"
#include "protocol/transactions.h"

#include <array>
#include <cstdio>

namespace tamo {
namespace {

constexpr std::size_t kFirmwareLineCapacity = 128;

}  // namespace

std::uint32_t firmwareVersionOf(const std::string& text) {
    int series = 0;
    int version = 0;
    // The scan's own count is of no interest: an unread field stays 0.
    std::sscanf(text.c_str(), "0000000000%03d%03d", &series, &version);
    // "%03d" also takes a sign: "-01" would read as -1 and, compared without
    // sign, pass as the newest firmware there is. A negative number is no
    // version at all, like any other text that is not one.
    return version < 0 ? 0u : static_cast<std::uint32_t>(version);
}

StatusCode checkFirmware() {
    std::string text;
    if (StatusCode queried = queryFirmwareVersion(text); queried != SOUND_OK) return queried;
    std::uint32_t version = firmwareVersionOf(text);
    if (version >= kMinimumFirmwareVersion) {
        setInitialised(true);
        return SOUND_OK;
    }
    // Formatted on the stack: a shortage of memory must not turn this
    // answer into another one. The version text is at most a report long.
    std::array<char, kFirmwareLineCapacity> line{};
    std::snprintf(line.data(), line.size(), "MCU FW is not supported!!(Current Version:%s)", text.c_str());
    printLine(line.data());
    std::snprintf(line.data(), line.size(), "mc_version:%u", static_cast<unsigned>(version));
    printLine(line.data());
    return SOUND_ERROR_FIRMWARE_UNSUPPORTED;
}

}  // namespace tamo
