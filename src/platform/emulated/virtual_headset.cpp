#include "platform/emulated/virtual_headset.h"

#include <algorithm>
#include <cstdio>

namespace emulated {
namespace {

constexpr std::uint8_t kFeatureReportId = 0x04;
constexpr std::uint8_t kVersionReportId = 0x01;
constexpr std::uint8_t kOtherReportId = 0x02;
constexpr std::uint16_t kCommandWord = 0x2978;
constexpr std::uint16_t kStatusWord = 0x2987;
constexpr std::uint16_t kVersionWord = 0x2266;
constexpr std::uint16_t kOtherWord = 0x0010;
constexpr std::uint8_t kStatusPayloadLength = 60;

constexpr std::uint32_t kFunctionStatus = 0x01;
constexpr std::uint32_t kFunctionHiPower = 0x08;
constexpr std::uint32_t kFunctionAudio = 0x20;
constexpr std::size_t kFunctionCodeByte = 4;
constexpr std::size_t kHiPowerOffByte = 15;
constexpr std::size_t kAudioSettingByte = 17;
constexpr std::uint8_t kSeeThroughOn = 0xC0;
constexpr std::uint8_t kSeeThroughOff = 0x80;

using Report = VirtualHeadset::Report;

Report frame(std::uint8_t reportId, std::uint16_t word, std::uint8_t length) {
    Report report{};
    report[0] = reportId;
    report[1] = static_cast<std::uint8_t>(word & 0xFF);
    report[2] = static_cast<std::uint8_t>(word >> 8);
    report[3] = length;
    return report;
}

std::uint16_t wordOf(const Report& report) {
    return static_cast<std::uint16_t>(report[1] | (report[2] << 8));
}

std::uint32_t functionCodeOf(const Report& report) {
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < 4; ++i) code |= std::uint32_t{report[kFunctionCodeByte + i]} << (8 * i);
    return code;
}

Report firstBytes(std::span<const std::uint8_t> bytes) {
    Report report{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), report.size()), report.begin());
    return report;
}

TransferReply afterDelay(std::uint64_t delayMs, std::vector<std::uint8_t> data = {}) {
    return TransferReply::after(delayMs, std::move(data));
}

}  // namespace

HidInterface VirtualHeadset::describe(std::shared_ptr<VirtualHeadset> headset, std::wstring productString,
                                      unsigned instance) {
    HidInterface description;
    description.path = HidBus::devicePath(kVendorId, kProductId, instance);
    description.vendorId = kVendorId;
    description.productId = kProductId;
    description.productString = std::move(productString);
    description.usagePage = kUsagePage;
    description.usage = kUsage;
    description.device = std::move(headset);
    return description;
}

std::string VirtualHeadset::versionText(unsigned major, unsigned firmware) {
    char text[32];
    std::snprintf(text, sizeof text, "0000000000%03u%03u", major % 1000, firmware % 1000);
    return text;
}

void VirtualHeadset::setVersionText(std::string text) {
    std::lock_guard guard(mutex_);
    if (text.size() > kMaxVersionText) text.resize(kMaxVersionText);
    versionText_ = std::move(text);
}

void VirtualHeadset::setFirmwareVersion(unsigned firmware) { setVersionText(versionText(1, firmware)); }

void VirtualHeadset::setInputDelayMs(std::uint64_t ms) {
    std::lock_guard guard(mutex_);
    inputDelayMs_ = ms;
}

void VirtualHeadset::setOutputDelayMs(std::uint64_t ms) {
    std::lock_guard guard(mutex_);
    outputDelayMs_ = ms;
}

void VirtualHeadset::setSilent(bool silent) {
    std::lock_guard guard(mutex_);
    silent_ = silent;
}

void VirtualHeadset::setOtherReportsBeforeVersion(unsigned count) {
    std::lock_guard guard(mutex_);
    otherReportsBeforeVersion_ = count;
}

void VirtualHeadset::reject(Request request, DWORD error) {
    std::lock_guard guard(mutex_);
    rejections_[request] = error;
}

void VirtualHeadset::accept(Request request) {
    std::lock_guard guard(mutex_);
    rejections_.erase(request);
    failingTransfers_.erase(request);
}

void VirtualHeadset::failTransfers(Request request, DWORD error, unsigned count) {
    std::lock_guard guard(mutex_);
    failingTransfers_[request] = FailingTransfers{error, count};
}

std::optional<DWORD> VirtualHeadset::failingTransfer(Request request) {
    auto it = failingTransfers_.find(request);
    if (it == failingTransfers_.end()) return std::nullopt;
    const DWORD error = it->second.error;
    if (--it->second.left == 0) failingTransfers_.erase(it);
    return error;
}

std::uint8_t VirtualHeadset::audioMode() const {
    std::lock_guard guard(mutex_);
    return audioMode_;
}

void VirtualHeadset::setAudioMode(std::uint8_t mode) {
    std::lock_guard guard(mutex_);
    audioMode_ = mode;
}

bool VirtualHeadset::seeThrough() const {
    std::lock_guard guard(mutex_);
    return seeThrough_;
}

void VirtualHeadset::setSeeThrough(bool on) {
    std::lock_guard guard(mutex_);
    seeThrough_ = on;
}

bool VirtualHeadset::hiPower() const {
    std::lock_guard guard(mutex_);
    return hiPowerStatus_ == 0;
}

void VirtualHeadset::setHiPower(bool on) { setHiPowerStatusByte(on ? 0 : 1); }

void VirtualHeadset::setHiPowerStatusByte(std::uint8_t value) {
    std::lock_guard guard(mutex_);
    hiPowerStatus_ = value;
}

Report VirtualHeadset::statusReport() const {
    std::lock_guard guard(mutex_);
    return statusReportLocked();
}

std::vector<VirtualHeadset::Received> VirtualHeadset::received() const {
    std::lock_guard guard(mutex_);
    return received_;
}

std::vector<Report> VirtualHeadset::received(Received::Kind kind) const {
    std::lock_guard guard(mutex_);
    std::vector<Report> reports;
    for (const auto& entry : received_) {
        if (entry.kind == kind) reports.push_back(entry.bytes);
    }
    return reports;
}

std::size_t VirtualHeadset::opens() const {
    std::lock_guard guard(mutex_);
    return opens_;
}

std::size_t VirtualHeadset::closes() const {
    std::lock_guard guard(mutex_);
    return closes_;
}

std::size_t VirtualHeadset::openHandles() const {
    std::lock_guard guard(mutex_);
    return inputQueues_.size();
}

std::size_t VirtualHeadset::inputReportsDelivered() const {
    std::lock_guard guard(mutex_);
    return inputReportsDelivered_;
}

std::size_t VirtualHeadset::commandsApplied() const {
    std::lock_guard guard(mutex_);
    return commandsApplied_;
}

// The headset announces its state to every new reader.
void VirtualHeadset::opened(HidSession session) {
    std::lock_guard guard(mutex_);
    ++opens_;
    inputQueues_[session] = {statusReportLocked()};
}

void VirtualHeadset::closed(HidSession session) {
    std::lock_guard guard(mutex_);
    ++closes_;
    inputQueues_.erase(session);
}

DWORD VirtualHeadset::setFeature(HidSession, std::span<const std::uint8_t> bytes) {
    std::lock_guard guard(mutex_);
    Report report = firstBytes(bytes);
    std::optional<DWORD> error = rejection(Request::SetFeature);
    // A report other than a command stalls, as the MCU knows no other.
    if (!error && !applyCommandLocked(report)) error = ERROR_GEN_FAILURE;
    record(Received::Kind::SetFeature, bytes, !error);
    return error.value_or(ERROR_SUCCESS);
}

// Only the report ID reaches the device; the rest of the caller's buffer is
// recorded as it was handed over.
DWORD VirtualHeadset::getFeature(HidSession, std::span<std::uint8_t> bytes) {
    std::lock_guard guard(mutex_);
    std::optional<DWORD> error = rejection(Request::GetFeature);
    if (!error && bytes[0] != kFeatureReportId) error = ERROR_GEN_FAILURE;
    record(Received::Kind::GetFeature, bytes, !error);
    if (error) return *error;
    Report status = statusReportLocked();
    std::copy_n(status.begin(), std::min(bytes.size(), status.size()), bytes.begin());
    return ERROR_SUCCESS;
}

TransferReply VirtualHeadset::write(HidSession session, std::span<const std::uint8_t> bytes) {
    std::lock_guard guard(mutex_);
    std::optional<DWORD> error = rejection(Request::Write);
    std::optional<DWORD> failing = error ? std::nullopt : failingTransfer(Request::Write);
    record(Received::Kind::Output, bytes, !error && !failing);
    if (error) return TransferReply::reject(*error);
    if (failing) return TransferReply::failingAfter(outputDelayMs_, *failing);
    Report report = firstBytes(bytes);
    if (report[0] == kVersionReportId && wordOf(report) == kVersionWord) {
        auto& queue = inputQueues_[session];
        for (unsigned i = 0; i < otherReportsBeforeVersion_; ++i) queue.push_back(otherReportLocked());
        queue.push_back(versionReplyLocked());
    }
    return afterDelay(outputDelayMs_);
}

TransferReply VirtualHeadset::read(HidSession session) {
    std::lock_guard guard(mutex_);
    if (auto error = rejection(Request::Read)) return TransferReply::reject(*error);
    if (auto failing = failingTransfer(Request::Read)) return TransferReply::failingAfter(inputDelayMs_, *failing);
    auto& queue = inputQueues_[session];
    if (silent_ || queue.empty()) return TransferReply::never();
    Report report = queue.front();
    queue.pop_front();
    ++inputReportsDelivered_;
    return afterDelay(inputDelayMs_, std::vector<std::uint8_t>(report.begin(), report.end()));
}

Report VirtualHeadset::statusReportLocked() const {
    Report report = frame(kFeatureReportId, kStatusWord, kStatusPayloadLength);
    report[kAudioModeByte] = audioMode_;
    report[kSeeThroughByte] = seeThrough_ ? 1 : 0;
    report[kHiPowerStatusByte] = hiPowerStatus_;
    return report;
}

Report VirtualHeadset::versionReplyLocked() const {
    Report report = frame(kVersionReportId, kVersionWord, static_cast<std::uint8_t>(versionText_.size()));
    std::copy(versionText_.begin(), versionText_.end(), report.begin() + kVersionTextByte);
    return report;
}

// Some other input report the MCU sends unasked, numbered so that tests can
// tell them apart.
Report VirtualHeadset::otherReportLocked() {
    Report report = frame(kOtherReportId, kOtherWord, 4);
    std::uint32_t sequence = ++otherReportSequence_;
    for (std::size_t i = 0; i < 4; ++i) report[4 + i] = static_cast<std::uint8_t>(sequence >> (8 * i));
    return report;
}

bool VirtualHeadset::applyCommandLocked(const Report& report) {
    if (report[0] != kFeatureReportId || wordOf(report) != kCommandWord) return false;
    switch (functionCodeOf(report)) {
    case kFunctionAudio: {
        std::uint8_t setting = report[kAudioSettingByte];
        if (setting == kSeeThroughOn) seeThrough_ = true;
        else if (setting == kSeeThroughOff) seeThrough_ = false;
        else if (setting <= 2) audioMode_ = setting;
        break;
    }
    case kFunctionHiPower:
        hiPowerStatus_ = report[kHiPowerOffByte] != 0 ? 1 : 0;
        break;
    case kFunctionStatus:
    default:
        break;
    }
    ++commandsApplied_;
    return true;
}

void VirtualHeadset::record(Received::Kind kind, std::span<const std::uint8_t> bytes, bool accepted) {
    received_.push_back(Received{kind, firstBytes(bytes), accepted});
}

std::optional<DWORD> VirtualHeadset::rejection(Request request) const {
    auto it = rejections_.find(request);
    if (it == rejections_.end()) return std::nullopt;
    return it->second;
}

}  // namespace emulated
