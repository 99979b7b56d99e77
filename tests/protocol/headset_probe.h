// A device model that stands in front of the virtual headset and records
// who talked to it when, so that tests can see transactions interleave.
#pragma once

#include "platform/emulated/virtual_headset.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace tamo::test {

class HeadsetProbe final : public emulated::HidDeviceModel {
public:
    enum class Kind { Open, Close, SetFeature, GetFeature, Write, Read };
    struct Event {
        std::thread::id thread;
        Kind kind;
        std::uint32_t functionCode;  // of a SetFeature command, else 0
    };

    explicit HeadsetProbe(std::shared_ptr<emulated::VirtualHeadset> headset) : headset_(std::move(headset)) {}

    // Withhold the status report the headset sends every new reader, so that
    // the first input report after a request is the answer to it.
    void dropGreeting(bool drop);

    std::vector<Event> events() const;
    std::size_t maxOpenAtOnce() const;

    void opened(emulated::HidSession session) override;
    void closed(emulated::HidSession session) override;
    DWORD setFeature(emulated::HidSession session, std::span<const std::uint8_t> report) override;
    DWORD getFeature(emulated::HidSession session, std::span<std::uint8_t> report) override;
    emulated::TransferReply write(emulated::HidSession session, std::span<const std::uint8_t> report) override;
    emulated::TransferReply read(emulated::HidSession session) override;

private:
    void log(Kind kind, std::uint32_t functionCode = 0);

    std::shared_ptr<emulated::VirtualHeadset> headset_;
    mutable std::mutex mutex_;
    bool dropGreeting_ = false;
    std::vector<Event> events_;
    std::set<emulated::HidSession> open_;
    std::size_t maxOpen_ = 0;
};

}  // namespace tamo::test
