// Version replies of arbitrary bytes.
//
// First the pieces on one 64-byte reply: whether it is a version reply, its
// text and the firmware version read from that text. Then the whole of
// qor_tamo_sound_init against a headset that answers with the input's
// replies, one after another (the last one repeated): the result, the
// initialised state and the printed lines must follow from the replies.
#include "api/firmware_check.h"
#include "api/library_state.h"
#include "fuzz_world.h"
#include "platform/line_redirect.h"
#include "protocol/reports.h"
#include "protocol/transactions.h"
#include "tamo_settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tamo;
using namespace tamo::fuzz;

constexpr std::size_t kMostReplies = 4;

// A headset that ignores what it is sent and answers every read with the
// next of its replies, repeating the last.
class ScriptedHeadset final : public emulated::HidDeviceModel {
public:
    explicit ScriptedHeadset(std::vector<ReportImage> replies) : replies_(std::move(replies)) {}

    DWORD setFeature(emulated::HidSession, std::span<const std::uint8_t>) override { return ERROR_GEN_FAILURE; }
    DWORD getFeature(emulated::HidSession, std::span<std::uint8_t>) override { return ERROR_GEN_FAILURE; }
    emulated::TransferReply write(emulated::HidSession, std::span<const std::uint8_t>) override {
        return emulated::TransferReply::now();
    }
    emulated::TransferReply read(emulated::HidSession) override {
        const ReportImage& reply = replies_[std::min(next_++, replies_.size() - 1)];
        return emulated::TransferReply::now({reply.begin(), reply.end()});
    }

private:
    std::vector<ReportImage> replies_;
    std::size_t next_ = 0;
};

bool referenceIsVersionReply(const ReportImage& reply) {
    return reply[0] == 0x01 && reply[1] == 0x66 && reply[2] == 0x22;
}

std::string referenceText(const ReportImage& reply) {
    std::string text;
    for (std::size_t i = 4; i < reply.size() && reply[i] != 0; ++i) text += static_cast<char>(reply[i]);
    return text;
}

// One "%03d" of the scanner: blanks skipped, then at most three characters
// of an optional sign and digits, at least one digit.
std::optional<int> scanNumber(const std::string& text, std::size_t& at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    std::size_t width = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
        ++width;
    }
    int value = 0;
    bool digits = false;
    for (; width < 3 && at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at, ++width) {
        value = value * 10 + (text[at] - '0');
        digits = true;
    }
    if (!digits) return std::nullopt;
    return negative ? -value : value;
}

// "0000000000%03d%03d": the second number; 0 when the scan stops before it
// or when it is negative.
std::uint32_t referenceVersion(const std::string& text) {
    if (text.size() < 10 || text.compare(0, 10, "0000000000") != 0) return 0;
    std::size_t at = 10;
    if (!scanNumber(text, at)) return 0;
    int version = scanNumber(text, at).value_or(0);
    return version < 0 ? 0u : static_cast<std::uint32_t>(version);
}

void checkPieces(const ReportImage& reply) {
    require(isVersionReply(reply) == referenceIsVersionReply(reply), "a version reply is 01 66 22");
    std::string text = versionText(reply);
    require(text == referenceText(reply), "the version text runs from byte 4 to the first zero byte",
            escaped(text));
    require(text.size() <= 60, "the version text has at most 60 characters");
    std::uint32_t version = firmwareVersionOf(text);
    require(version == referenceVersion(text), "the version is the second three-digit number",
            escaped(text) + " gave " + std::to_string(version));
}

void checkInit(const std::vector<ReportImage>& replies, bool initialisedBefore) {
    world().reset();
    // The headset's identity, with the script answering instead of a
    // virtual headset.
    emulated::InterfaceSetup scripted;
    scripted.headset = false;
    world().plug(scripted, nullptr, std::make_shared<ScriptedHeadset>(replies));
    setInitialised(initialisedBefore);

    LineRedirect out;
    StatusCode result = qor_tamo_sound_init();
    const std::string printed = out.text();

    // The reply the poll stops at, if any of the first 101 reads brings one.
    std::optional<ReportImage> versionReply;
    for (int read = 0; read < kVersionPollReads && !versionReply; ++read) {
        const ReportImage& reply = replies[std::min<std::size_t>(static_cast<std::size_t>(read), replies.size() - 1)];
        if (referenceIsVersionReply(reply)) versionReply = reply;
    }
    StatusCode expected = SOUND_ERROR_TRANSFER_FAILED;
    std::string expectedOutput;
    if (versionReply) {
        std::string text = referenceText(*versionReply);
        std::uint32_t version = referenceVersion(text);
        if (version >= 103) {
            expected = SOUND_OK;
        } else {
            expected = SOUND_ERROR_FIRMWARE_UNSUPPORTED;
            expectedOutput = "MCU FW is not supported!!(Current Version:" + text + ")\nmc_version:" +
                             std::to_string(version) + "\n";
        }
    }
    require(result == expected, "init answers what the replies say",
            std::to_string(result) + " instead of " + std::to_string(expected));
    require(isInitialised() == (initialisedBefore || result == SOUND_OK),
            "only a successful init changes the initialised state");
    require(printed == expectedOutput, "init prints the firmware lines only when it refuses the firmware",
            escaped(printed));
    requireNothingHeld();
    setInitialised(false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Byte 0 chooses the initialised state beforehand; the rest are replies.
    bool initialisedBefore = size > 0 && (data[0] & 1) != 0;
    if (size > 0) {
        ++data;
        --size;
    }
    std::vector<ReportImage> replies;
    for (std::size_t at = 0; replies.empty() || (at < size && replies.size() < kMostReplies); at += 64) {
        ReportImage reply{};
        if (at < size) std::copy_n(data + at, std::min<std::size_t>(64, size - at), reply.begin());
        replies.push_back(reply);
    }
    for (const ReportImage& reply : replies) checkPieces(reply);
    checkInit(replies, initialisedBefore);
    return 0;
}
