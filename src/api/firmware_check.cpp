#include "api/firmware_check.h"

#include "api/library_state.h"
#include "platform/console.h"
#include "protocol/transactions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <optional>
#include <string_view>

namespace tamo {
namespace {

// The text is read the way sscanf reads it with "0000000000%03d%03d"; the
// C library's scanner is not used, because it would bring a second printf
// and scanf into the DLL.
constexpr std::string_view kVersionLead = "0000000000";
constexpr std::size_t kFieldWidth = 3;

bool isScanfSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One "%3d" at the front of `rest`: white space skipped, then a sign and
// digits, three characters at most. Consumes what it read; nothing when no
// digit follows, which ends the scan.
std::optional<int> scanField(std::string_view& rest) {
    std::size_t at = 0;
    while (at < rest.size() && isScanfSpace(rest[at])) ++at;
    const std::size_t start = at;
    const std::size_t end = std::min(rest.size(), start + kFieldWidth);
    bool negative = false;
    if (at < end && (rest[at] == '+' || rest[at] == '-')) negative = rest[at++] == '-';
    const std::size_t digits = at;
    while (at < end && isDigit(rest[at])) ++at;
    if (at == digits) return std::nullopt;
    int value = 0;
    std::from_chars(rest.data() + digits, rest.data() + at, value);
    rest.remove_prefix(at);
    return negative ? -value : value;
}

constexpr std::size_t kLineCapacity = 128;

// A line put together on the stack, cut where a kLineCapacity-byte buffer
// with its terminating zero would cut it: a shortage of memory must not turn the
// refusal into another answer.
class BoundedLine {
public:
    BoundedLine& operator<<(std::string_view text) {
        const std::size_t taken = std::min(text.size(), bytes_.size() - size_);
        std::copy_n(text.begin(), taken, bytes_.begin() + size_);
        size_ += taken;
        return *this;
    }
    BoundedLine& operator<<(std::uint32_t number) {
        std::array<char, std::numeric_limits<std::uint32_t>::digits10 + 1> digits{};
        const char* end = std::to_chars(digits.begin(), digits.end(), number).ptr;
        return *this << std::string_view(digits.data(), end - digits.data());
    }
    std::string_view text() const { return {bytes_.data(), size_}; }

private:
    std::array<char, kLineCapacity - 1> bytes_{};
    std::size_t size_ = 0;
};

}  // namespace

std::uint32_t firmwareVersionOf(const std::string& text) {
    // Up to its first NUL, as a C string.
    std::string_view rest(text.c_str());
    if (!rest.starts_with(kVersionLead)) return 0;
    rest.remove_prefix(kVersionLead.size());
    // The first number is the series; an unread field stays 0.
    if (!scanField(rest)) return 0;
    const int version = scanField(rest).value_or(0);
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
    // The version text is at most a report long, as a C string.
    BoundedLine refusal;
    refusal << "MCU FW is not supported!!(Current Version:" << std::string_view(text.c_str()) << ")";
    printLine(refusal.text());
    BoundedLine read;
    read << "mc_version:" << version;
    printLine(read.text());
    return SOUND_ERROR_FIRMWARE_UNSUPPORTED;
}

}  // namespace tamo
