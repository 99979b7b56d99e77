#include "headset_probe.h"

namespace tamo::test {

void HeadsetProbe::dropGreeting(bool drop) {
    std::lock_guard guard(mutex_);
    dropGreeting_ = drop;
}

std::vector<HeadsetProbe::Event> HeadsetProbe::events() const {
    std::lock_guard guard(mutex_);
    return events_;
}

std::size_t HeadsetProbe::maxOpenAtOnce() const {
    std::lock_guard guard(mutex_);
    return maxOpen_;
}

void HeadsetProbe::log(Kind kind, std::uint32_t functionCode) {
    events_.push_back(Event{std::this_thread::get_id(), kind, functionCode});
}

void HeadsetProbe::opened(emulated::HidSession session) {
    headset_->opened(session);
    std::lock_guard guard(mutex_);
    if (dropGreeting_) headset_->read(session);
    open_.insert(session);
    maxOpen_ = std::max(maxOpen_, open_.size());
    log(Kind::Open);
}

void HeadsetProbe::closed(emulated::HidSession session) {
    headset_->closed(session);
    std::lock_guard guard(mutex_);
    open_.erase(session);
    log(Kind::Close);
}

DWORD HeadsetProbe::setFeature(emulated::HidSession session, std::span<const std::uint8_t> report) {
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < 4 && 4 + i < report.size(); ++i) code |= std::uint32_t{report[4 + i]} << (8 * i);
    {
        std::lock_guard guard(mutex_);
        log(Kind::SetFeature, code);
    }
    return headset_->setFeature(session, report);
}

DWORD HeadsetProbe::getFeature(emulated::HidSession session, std::span<std::uint8_t> report) {
    {
        std::lock_guard guard(mutex_);
        log(Kind::GetFeature);
    }
    return headset_->getFeature(session, report);
}

emulated::TransferReply HeadsetProbe::write(emulated::HidSession session, std::span<const std::uint8_t> report) {
    {
        std::lock_guard guard(mutex_);
        log(Kind::Write);
    }
    return headset_->write(session, report);
}

emulated::TransferReply HeadsetProbe::read(emulated::HidSession session) {
    {
        std::lock_guard guard(mutex_);
        log(Kind::Read);
    }
    return headset_->read(session);
}

}  // namespace tamo::test
