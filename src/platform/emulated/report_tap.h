// A virtual headset behind a tap: every report that passes, in both
// directions, is handed to a sink as it passes (tamo-sound's
// --show-reports, the simulator's report log).
#pragma once

#include "platform/emulated/hid_device_model.h"
#include "platform/emulated/report_line.h"
#include "platform/emulated/virtual_headset.h"

#include <functional>
#include <memory>

namespace emulated {

// Called with the emulation's kernel lock held, like any device model: it
// calls no platform function.
using ReportSink = std::function<void(ExchangedReport)>;

class ReportTap final : public HidDeviceModel {
public:
    ReportTap(std::shared_ptr<VirtualHeadset> headset, int headsetNumber, ReportSink sink);

    void opened(HidSession session) override;
    void closed(HidSession session) override;
    DWORD setFeature(HidSession session, std::span<const std::uint8_t> report) override;
    DWORD getFeature(HidSession session, std::span<std::uint8_t> report) override;
    TransferReply write(HidSession session, std::span<const std::uint8_t> report) override;
    TransferReply read(HidSession session) override;

private:
    void pass(ExchangedReport::Kind kind, std::span<const std::uint8_t> bytes, DWORD result);

    std::shared_ptr<VirtualHeadset> headset_;
    int headsetNumber_;
    ReportSink sink_;
};

}  // namespace emulated
