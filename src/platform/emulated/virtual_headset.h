// A headset MCU on the virtual HID bus, as the library's device contract
// describes it: 64-byte reports throughout.
//
// - Feature report 4, command word 0x2978: a command. Function code 0x20
//   sets the audio mode (byte 17 = 0, 1, 2) or see-through (0xC0 on, 0x80
//   off); 0x08 sets hi power (byte 15 = 1 off, 0 on); 0x01 asks for status.
// - Feature report 4 read back: the status report, command word 0x2987.
// - Input reports: every open handle first receives one status report; an
//   output report 1 with command word 0x2266 (version request) makes the
//   headset send the configured number of other input reports and then the
//   version reply (report 1, 0x66 0x22, the version text from byte 4).
//
// Status report bytes: 0-3 = 04 87 29 3C, 10 = audio mode, 11 = see-through
// (1 on), 61 = hi-power status (0 while hi power is on, 1 while it is off).
//
// Tests can slow it down, silence it, or make it refuse requests, and read
// back every report it was offered. Thread-safe.
#pragma once

#include "platform/emulated/hid_bus.h"
#include "platform/emulated/hid_device_model.h"

#include <array>
#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace emulated {

class VirtualHeadset final : public HidDeviceModel {
public:
    using Report = std::array<std::uint8_t, 64>;

    static constexpr USHORT kVendorId = 0x2E5C;
    static constexpr USHORT kProductId = 0x0712;
    static constexpr USAGE kUsagePage = 0xFF00;
    static constexpr USAGE kUsage = 0x0001;

    // Report bytes.
    static constexpr std::size_t kAudioModeByte = 10;
    static constexpr std::size_t kSeeThroughByte = 11;
    static constexpr std::size_t kHiPowerStatusByte = 61;
    static constexpr std::size_t kVersionTextByte = 4;
    static constexpr std::size_t kMaxVersionText = 60;

    // The kinds of request a test can make the headset refuse.
    enum class Request { Read, Write, SetFeature, GetFeature };

    // A report as the headset was offered it (the first 64 bytes).
    struct Received {
        enum class Kind { SetFeature, GetFeature, Output };
        Kind kind;
        Report bytes;
        bool accepted;
    };

    VirtualHeadset() = default;

    // An interface of the headset for the bus, with the built-in device
    // table's identity and 64-byte reports.
    static HidInterface describe(std::shared_ptr<VirtualHeadset> headset, std::wstring productString = L"Tamo Mk2",
                                 unsigned instance = 0);
    // The version text the firmware reports: ten "0" characters, then
    // `major` and `firmware` as three-digit decimal numbers.
    static std::string versionText(unsigned major, unsigned firmware);

    // Settings. The default version text is versionText(1, 103).
    void setVersionText(std::string text);  // more than 60 characters are cut
    void setFirmwareVersion(unsigned firmware);
    void setInputDelayMs(std::uint64_t ms);   // reads complete this much later
    void setOutputDelayMs(std::uint64_t ms);  // writes complete this much later
    void setSilent(bool silent);              // no input report is ever delivered
    void setOtherReportsBeforeVersion(unsigned count);
    // Refuse every request of this kind from now on, with `error`.
    void reject(Request request, DWORD error = ERROR_GEN_FAILURE);
    void accept(Request request);
    // Take the next `count` reads or writes, and complete each with `error`
    // instead of a report, as a dropped connection does; until accept. A
    // failed read leaves the headset's reports queued.
    void failTransfers(Request request, DWORD error = ERROR_DEVICE_NOT_CONNECTED,
                       unsigned count = std::numeric_limits<unsigned>::max());

    // State.
    std::uint8_t audioMode() const;
    void setAudioMode(std::uint8_t mode);  // any byte, as a status report carries it
    bool seeThrough() const;
    void setSeeThrough(bool on);
    bool hiPower() const;  // on while the status byte is 0
    void setHiPower(bool on);
    void setHiPowerStatusByte(std::uint8_t value);

    // The status report as the headset would send it now.
    Report statusReport() const;

    // What happened.
    std::vector<Received> received() const;
    std::vector<Report> received(Received::Kind kind) const;
    std::size_t opens() const;
    std::size_t closes() const;
    std::size_t openHandles() const;
    std::size_t inputReportsDelivered() const;
    std::size_t commandsApplied() const;

    // HidDeviceModel.
    void opened(HidSession session) override;
    void closed(HidSession session) override;
    DWORD setFeature(HidSession session, std::span<const std::uint8_t> report) override;
    DWORD getFeature(HidSession session, std::span<std::uint8_t> report) override;
    TransferReply write(HidSession session, std::span<const std::uint8_t> report) override;
    TransferReply read(HidSession session) override;

private:
    Report statusReportLocked() const;
    Report versionReplyLocked() const;
    Report otherReportLocked();
    bool applyCommandLocked(const Report& report);
    void record(Received::Kind kind, std::span<const std::uint8_t> bytes, bool accepted);
    std::optional<DWORD> rejection(Request request) const;

    mutable std::mutex mutex_;
    std::string versionText_ = versionText(1, 103);
    std::uint64_t inputDelayMs_ = 0;
    std::uint64_t outputDelayMs_ = 0;
    bool silent_ = false;
    unsigned otherReportsBeforeVersion_ = 0;
    std::map<Request, DWORD> rejections_;
    struct FailingTransfers {
        DWORD error = ERROR_SUCCESS;
        unsigned left = 0;
    };
    std::map<Request, FailingTransfers> failingTransfers_;
    // The error of a failing transfer of this kind, counting it.
    std::optional<DWORD> failingTransfer(Request request);

    std::uint8_t audioMode_ = 0;
    bool seeThrough_ = false;
    std::uint8_t hiPowerStatus_ = 0;

    std::map<HidSession, std::deque<Report>> inputQueues_;
    std::vector<Received> received_;
    std::size_t opens_ = 0;
    std::size_t closes_ = 0;
    std::size_t inputReportsDelivered_ = 0;
    std::size_t commandsApplied_ = 0;
    std::uint32_t otherReportSequence_ = 0;
};

}  // namespace emulated
