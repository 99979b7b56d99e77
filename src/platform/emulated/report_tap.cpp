#include "platform/emulated/report_tap.h"

#include <utility>

namespace emulated {

using Kind = ExchangedReport::Kind;

ReportTap::ReportTap(std::shared_ptr<VirtualHeadset> headset, int headsetNumber, ReportSink sink)
    : headset_(std::move(headset)), headsetNumber_(headsetNumber), sink_(std::move(sink)) {}

void ReportTap::opened(HidSession session) { headset_->opened(session); }

void ReportTap::closed(HidSession session) { headset_->closed(session); }

DWORD ReportTap::setFeature(HidSession session, std::span<const std::uint8_t> report) {
    const DWORD result = headset_->setFeature(session, report);
    pass(Kind::SetFeature, report, result);
    return result;
}

DWORD ReportTap::getFeature(HidSession session, std::span<std::uint8_t> report) {
    const DWORD result = headset_->getFeature(session, report);
    pass(Kind::GetFeature, report, result);
    return result;
}

TransferReply ReportTap::write(HidSession session, std::span<const std::uint8_t> report) {
    TransferReply reply = headset_->write(session, report);
    pass(Kind::OutputReport, report, reply.rejectedWith.value_or(ERROR_SUCCESS));
    return reply;
}

// A read that delivers nothing (a silent headset) exchanged no report.
TransferReply ReportTap::read(HidSession session) {
    TransferReply reply = headset_->read(session);
    if (!reply.data.empty() || reply.rejectedWith) {
        pass(Kind::InputReport, reply.data, reply.rejectedWith.value_or(ERROR_SUCCESS));
    }
    return reply;
}

void ReportTap::pass(Kind kind, std::span<const std::uint8_t> bytes, DWORD result) {
    ExchangedReport report;
    report.headset = headsetNumber_;
    report.kind = kind;
    report.bytes.assign(bytes.begin(), bytes.end());
    report.refusedWith = result;
    sink_(std::move(report));
}

}  // namespace emulated
