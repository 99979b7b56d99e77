#include "logged_headset.h"

#include <utility>

namespace tamo::sim {

using Kind = emulated::ExchangedReport::Kind;

LoggedHeadset::LoggedHeadset(std::shared_ptr<emulated::VirtualHeadset> headset, int headsetNumber,
                             std::function<void(const std::string&)> write)
    : headset_(std::move(headset)), headsetNumber_(headsetNumber), write_(std::move(write)) {}

void LoggedHeadset::opened(emulated::HidSession session) { headset_->opened(session); }

void LoggedHeadset::closed(emulated::HidSession session) { headset_->closed(session); }

DWORD LoggedHeadset::setFeature(emulated::HidSession session, std::span<const std::uint8_t> report) {
    const DWORD result = headset_->setFeature(session, report);
    note(Kind::SetFeature, report, result);
    return result;
}

DWORD LoggedHeadset::getFeature(emulated::HidSession session, std::span<std::uint8_t> report) {
    const DWORD result = headset_->getFeature(session, report);
    note(Kind::GetFeature, report, result);
    return result;
}

emulated::TransferReply LoggedHeadset::write(emulated::HidSession session, std::span<const std::uint8_t> report) {
    emulated::TransferReply reply = headset_->write(session, report);
    note(Kind::OutputReport, report, reply.rejectedWith.value_or(ERROR_SUCCESS));
    return reply;
}

// A read that delivers nothing (a silent headset) exchanged no report.
emulated::TransferReply LoggedHeadset::read(emulated::HidSession session) {
    emulated::TransferReply reply = headset_->read(session);
    if (!reply.data.empty() || reply.rejectedWith) {
        note(Kind::InputReport, reply.data, reply.rejectedWith.value_or(ERROR_SUCCESS));
    }
    return reply;
}

void LoggedHeadset::note(Kind kind, std::span<const std::uint8_t> bytes, DWORD result) {
    emulated::ExchangedReport report;
    report.headset = headsetNumber_;
    report.kind = kind;
    report.bytes.assign(bytes.begin(), bytes.end());
    report.refusedWith = result;
    write_(emulated::reportLine(report));
}

}  // namespace tamo::sim
