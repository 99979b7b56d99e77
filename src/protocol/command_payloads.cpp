#include "protocol/command_payloads.h"

namespace tamo {

CommandPayload commandPayload(std::uint32_t code) {
    CommandPayload payload{};
    for (std::size_t i = 0; i < sizeof code; ++i) {
        payload[payload::kFunctionCode + i] = static_cast<std::uint8_t>(code >> (8 * i));
    }
    return payload;
}

CommandPayload statusRequestPayload() {
    CommandPayload payload = commandPayload(function::kStatusRequest);
    payload[payload::kStatusRequestFlag] = 1;
    return payload;
}

CommandPayload hiPowerPayload(bool on) {
    CommandPayload payload = commandPayload(function::kHiPower);
    payload[payload::kHiPowerOffFlag] = on ? 0 : 1;
    return payload;
}

CommandPayload seeThroughPayload(bool on) {
    CommandPayload payload = commandPayload(function::kAudio);
    payload[payload::kAudioSetting] = on ? audio::kSeeThroughOn : audio::kSeeThroughOff;
    return payload;
}

CommandPayload audioModePayload(std::uint8_t mode) {
    CommandPayload payload = commandPayload(function::kAudio);
    payload[payload::kAudioSetting] = mode;
    return payload;
}

}  // namespace tamo
