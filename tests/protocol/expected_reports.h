// The exact reports of the headset protocol, written out byte by byte so
// that the tests do not derive them from the code under test.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace tamo::test {

using Image = std::array<std::uint8_t, 64>;

// A 64-byte image: the given leading bytes, then the (offset, value) pairs,
// zeros elsewhere.
inline Image image(std::initializer_list<std::uint8_t> head,
                   std::initializer_list<std::pair<std::size_t, std::uint8_t>> at = {}) {
    Image bytes{};
    std::size_t i = 0;
    for (auto b : head) bytes[i++] = b;
    for (auto [offset, value] : at) bytes[offset] = value;
    return bytes;
}

struct ExpectedCommand {
    const char* name;
    Image report;
};

// Every command report the library sends.
inline const ExpectedCommand kSeeThroughOn{"SeeThroughOn", image({0x04, 0x78, 0x29, 0x38, 0x20}, {{17, 0xC0}})};
inline const ExpectedCommand kSeeThroughOff{"SeeThroughOff", image({0x04, 0x78, 0x29, 0x38, 0x20}, {{17, 0x80}})};
inline const ExpectedCommand kAudioMode0{"AudioMode0", image({0x04, 0x78, 0x29, 0x38, 0x20})};
inline const ExpectedCommand kAudioMode1{"AudioMode1", image({0x04, 0x78, 0x29, 0x38, 0x20}, {{17, 0x01}})};
inline const ExpectedCommand kAudioMode2{"AudioMode2", image({0x04, 0x78, 0x29, 0x38, 0x20}, {{17, 0x02}})};
inline const ExpectedCommand kHiPowerOn{"HiPowerOn", image({0x04, 0x78, 0x29, 0x38, 0x08})};
inline const ExpectedCommand kHiPowerOff{"HiPowerOff", image({0x04, 0x78, 0x29, 0x38, 0x08}, {{15, 0x01}})};
inline const ExpectedCommand kStatusRequest{"StatusRequest", image({0x04, 0x78, 0x29, 0x38, 0x01}, {{12, 0x01}})};
inline const Image kNoPayloadCommand = image({0x04, 0x78, 0x29, 0x00});

inline const Image kStatusFeatureRequest = image({0x04, 0x87, 0x29, 0x3C});
inline const Image kVersionRequest = image({0x01, 0x66, 0x22});

// A version reply carrying `text` from byte 4.
inline Image versionReply(const std::string& text) {
    Image bytes = image({0x01, 0x66, 0x22});
    for (std::size_t i = 0; i < text.size() && 4 + i < bytes.size(); ++i) {
        bytes[4 + i] = static_cast<std::uint8_t>(text[i]);
    }
    return bytes;
}

}  // namespace tamo::test
