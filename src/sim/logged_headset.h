// A virtual headset behind a log: every report that passes, in both
// directions, becomes one line of the report log (report_line.h).
#pragma once

#include "platform/emulated/hid_device_model.h"
#include "platform/emulated/report_line.h"
#include "platform/emulated/virtual_headset.h"

#include <functional>
#include <memory>
#include <string>

namespace tamo::sim {

class LoggedHeadset final : public emulated::HidDeviceModel {
public:
    // `write` gets each line; it is called with the emulation's kernel lock
    // held, like the model itself, so it calls no platform function.
    LoggedHeadset(std::shared_ptr<emulated::VirtualHeadset> headset, int headsetNumber,
                  std::function<void(const std::string&)> write);

    void opened(emulated::HidSession session) override;
    void closed(emulated::HidSession session) override;
    DWORD setFeature(emulated::HidSession session, std::span<const std::uint8_t> report) override;
    DWORD getFeature(emulated::HidSession session, std::span<std::uint8_t> report) override;
    emulated::TransferReply write(emulated::HidSession session, std::span<const std::uint8_t> report) override;
    emulated::TransferReply read(emulated::HidSession session) override;

private:
    void note(emulated::ExchangedReport::Kind kind, std::span<const std::uint8_t> bytes, DWORD result);

    std::shared_ptr<emulated::VirtualHeadset> headset_;
    int headsetNumber_;
    std::function<void(const std::string&)> write_;
};

}  // namespace tamo::sim
