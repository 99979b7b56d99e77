#include "protocol/reports.h"

#include <algorithm>

namespace tamo {
namespace {

constexpr std::uint8_t lowByte(std::uint16_t word) { return static_cast<std::uint8_t>(word & 0xFFu); }
constexpr std::uint8_t highByte(std::uint16_t word) { return static_cast<std::uint8_t>(word >> 8); }

void writeHeader(ReportImage& image, std::uint8_t id, std::uint16_t word) {
    image[frame::kReportId] = id;
    image[frame::kCommandWordLow] = lowByte(word);
    image[frame::kCommandWordHigh] = highByte(word);
}

auto payloadArea(ReportImage& image) { return std::span(image).subspan<frame::kPayload>(); }

}  // namespace

CommandReport::CommandReport() {
    setReportId(report::kCommandId);
    setCommandWord(report::kCommandWord);
    clearPayload();
}

void CommandReport::setReportId(std::uint8_t id) {
    reportId_ = id;
    image_[frame::kReportId] = id;
}

void CommandReport::setCommandWord(std::uint16_t word) {
    commandWord_ = word;
    image_[frame::kCommandWordLow] = lowByte(word);
    image_[frame::kCommandWordHigh] = highByte(word);
}

void CommandReport::clearPayload() {
    payloadLength_ = 0;
    image_[frame::kPayloadLength] = 0;
    std::ranges::fill(payloadArea(image_), std::uint8_t{0});
}

void CommandReport::setPayload(const CommandPayload& payload) {
    clearPayload();
    payloadLength_ = static_cast<std::uint8_t>(payload.size());
    image_[frame::kPayloadLength] = payloadLength_;
    std::ranges::copy(payload, payloadArea(image_).begin());
}

ReportImage statusFeatureRequest() {
    ReportImage image{};
    writeHeader(image, report::kStatusFeatureId, report::kStatusFeatureWord);
    image[frame::kPayloadLength] = static_cast<std::uint8_t>(kStatusBlockSize);
    return image;
}

ReportImage versionRequest() {
    ReportImage image{};
    writeHeader(image, report::kVersionId, report::kVersionWord);
    return image;
}

bool isVersionReply(std::span<const std::uint8_t, frame::kSize> reply) {
    return reply[frame::kReportId] == report::kVersionId &&
           reply[frame::kCommandWordLow] == lowByte(report::kVersionWord) &&
           reply[frame::kCommandWordHigh] == highByte(report::kVersionWord);
}

std::string versionText(std::span<const std::uint8_t, frame::kSize> reply) {
    auto text = reply.subspan<frame::kPayload>();
    auto end = std::ranges::find(text, std::uint8_t{0});
    return std::string(text.begin(), end);
}

StatusBlock statusBlockOf(std::span<const std::uint8_t, frame::kSize> report) {
    StatusBlock block;
    std::ranges::copy(report.subspan<frame::kPayload>(), block.begin());
    return block;
}

}  // namespace tamo
