#include "pipe_device.h"

#include <algorithm>
#include <array>

namespace vhid {
namespace {

// Feature requests arrive over the control channel, where the handle they
// were made on is known only by its pipe; the model does not tell sessions
// apart for them.
constexpr emulated::HidSession kFeatureSession = 0;

// How long the headset waits for a client to take an input report out of a
// full pipe before it gives the connection up.
constexpr DWORD kPushTimeoutMs = 10000;

ReportKind kindOf(emulated::VirtualHeadset::Received::Kind kind) {
    switch (kind) {
    case emulated::VirtualHeadset::Received::Kind::SetFeature:
        return ReportKind::SetFeature;
    case emulated::VirtualHeadset::Received::Kind::GetFeature:
        return ReportKind::GetFeature;
    case emulated::VirtualHeadset::Received::Kind::Output:
        break;
    }
    return ReportKind::Output;
}

}  // namespace

PipeDevice::PipeDevice(std::wstring pipeName, DeviceDescription description)
    : pipeName_(std::move(pipeName)),
      description_(std::move(description)),
      model_(std::make_shared<emulated::VirtualHeadset>()),
      server_(pipePath(pipeName_), [this](HANDLE pipe) { serve(pipe); }) {}

bool PipeDevice::start() { return !description_.openable || server_.start(); }

DWORD PipeDevice::setFeature(const std::vector<std::uint8_t>& report) {
    return model_->setFeature(kFeatureSession, std::span<const std::uint8_t>(report));
}

DWORD PipeDevice::getFeature(std::vector<std::uint8_t>& report) {
    return model_->getFeature(kFeatureSession, std::span<std::uint8_t>(report));
}

DeviceRecord PipeDevice::record() const {
    DeviceRecord record;
    for (const auto& entry : model_->received()) {
        record.received.push_back({kindOf(entry.kind), entry.accepted, {entry.bytes.begin(), entry.bytes.end()}});
    }
    record.opens = static_cast<std::uint32_t>(model_->opens());
    record.closes = static_cast<std::uint32_t>(model_->closes());
    record.openHandles = static_cast<std::uint32_t>(model_->openHandles());
    record.inputReportsDelivered = static_cast<std::uint32_t>(model_->inputReportsDelivered());
    record.audioMode = model_->audioMode();
    record.seeThrough = model_->seeThrough();
    record.hiPower = model_->hiPower();
    return record;
}

bool PipeDevice::idle() const { return !description_.openable || server_.quiet(); }

// One open handle of the interface, from open to close.
void PipeDevice::serve(HANDLE pipe) {
    emulated::HidSession session = nextSession_++;
    model_->opened(session);
    for (;;) {
        if (!pushInputReports(pipe, session)) break;
        std::array<std::uint8_t, kReportSize> report{};
        if (!readAll(pipe, report.data(), static_cast<DWORD>(report.size()), INFINITE)) break;
        // The pipe has taken the write already; a delay or refusal that the
        // model asks for cannot be given back to the writer.
        model_->write(session, report);
    }
    model_->closed(session);
}

// Everything the model has for this handle now, in order. False when the
// client is gone.
bool PipeDevice::pushInputReports(HANDLE pipe, emulated::HidSession session) {
    for (;;) {
        emulated::TransferReply reply = model_->read(session);
        if (reply.rejectedWith || !reply.completesAfterMs) return true;
        if (*reply.completesAfterMs > 0) Sleep(static_cast<DWORD>(*reply.completesAfterMs));
        std::array<std::uint8_t, kReportSize> report{};
        std::copy_n(reply.data.begin(), std::min(reply.data.size(), report.size()), report.begin());
        if (!writeAll(pipe, report.data(), static_cast<DWORD>(report.size()), kPushTimeoutMs)) return false;
    }
}

}  // namespace vhid
