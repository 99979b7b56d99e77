// The 64-byte reports exchanged with the headset's MCU.
//
// Every report shares one frame: report ID, a little-endian command word, the
// number of payload bytes that follow, then the payload. The offsets and
// values of that frame live here and nowhere else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tamo {

namespace frame {
inline constexpr std::size_t kSize = 64;
inline constexpr std::size_t kReportId = 0;
inline constexpr std::size_t kCommandWordLow = 1;
inline constexpr std::size_t kCommandWordHigh = 2;
inline constexpr std::size_t kPayloadLength = 3;
inline constexpr std::size_t kPayload = 4;
inline constexpr std::size_t kMaxPayload = kSize - kPayload;
}  // namespace frame

// The report IDs and command words the library speaks.
namespace report {
inline constexpr std::uint8_t kCommandId = 0x04;
inline constexpr std::uint16_t kCommandWord = 0x2978;
inline constexpr std::uint8_t kStatusFeatureId = 0x04;
inline constexpr std::uint16_t kStatusFeatureWord = 0x2987;
inline constexpr std::uint8_t kVersionId = 0x01;
inline constexpr std::uint16_t kVersionWord = 0x2266;
}  // namespace report

using ReportImage = std::array<std::uint8_t, frame::kSize>;

// The 56 bytes a command report carries after its header.
inline constexpr std::size_t kCommandPayloadSize = 56;
using CommandPayload = std::array<std::uint8_t, kCommandPayloadSize>;

// Bytes 4-63 of a status report: block offset b is report offset b + 4.
inline constexpr std::size_t kStatusBlockSize = frame::kMaxPayload;
using StatusBlock = std::array<std::uint8_t, kStatusBlockSize>;

// The two status bytes the library interprets; the rest are the MCU's own.
namespace status {
inline constexpr std::size_t kAudioMode = 6;       // of the status input report, signed
inline constexpr std::size_t kHiPowerStatus = 57;  // of the status feature report, 0 = on
}  // namespace status

// A command report (feature report 4, command word 0x2978) and the fields it
// is made of. The image is what goes on the wire; every setter writes its
// field and the matching image bytes together, so the two never disagree.
class CommandReport {
public:
    // Report ID 4, command word 0x2978, no payload.
    CommandReport();

    void setReportId(std::uint8_t id);
    void setCommandWord(std::uint16_t word);
    // Clears the payload area (image bytes 3-63), then stores `payload`:
    // length 56 in byte 3, the bytes at 4-59; 60-63 stay zero.
    void setPayload(const CommandPayload& payload);
    // Clears the payload area: length 0, image bytes 3-63 zero.
    void clearPayload();

    std::uint8_t reportId() const { return reportId_; }
    std::uint16_t commandWord() const { return commandWord_; }
    std::uint8_t payloadLength() const { return payloadLength_; }
    const ReportImage& image() const { return image_; }

private:
    std::uint8_t reportId_ = 0;
    std::uint16_t commandWord_ = 0;
    std::uint8_t payloadLength_ = 0;
    ReportImage image_{};
};

// The buffer handed to HidD_GetFeature to ask for the status feature report:
// 04 87 29 3C and zeros.
ReportImage statusFeatureRequest();

// The version request output report: 01 66 22 and zeros.
ReportImage versionRequest();

// Whether an input report is the version reply: report ID 1 and command word
// 0x2266. Byte 3 is not part of the test.
bool isVersionReply(std::span<const std::uint8_t, frame::kSize> reply);

// The firmware version text of a version reply: bytes from offset 4 up to
// the first zero byte, at most 60 characters.
std::string versionText(std::span<const std::uint8_t, frame::kSize> reply);

// Bytes 4-63 of a status report, in order.
StatusBlock statusBlockOf(std::span<const std::uint8_t, frame::kSize> report);

}  // namespace tamo
