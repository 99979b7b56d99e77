// What stands behind one interface of the virtual HID bus.
//
// The emulated hid.dll and file functions turn every request on an opened
// interface into a call of its model. A model sees one HidSession per handle
// that was opened on its interface, so it can keep per-handle input queues the
// way the HID class driver keeps one ring buffer per handle.
//
// The calls are made with the emulated kernel's lock held: a model must not
// call platform functions, and it must not block. It may take a lock of its
// own (the kernel lock is always taken first).
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace emulated {

using HidSession = std::uint64_t;

// How the device answers a read or a write that is issued now.
struct TransferReply {
    // Set: the request fails at once with this error and nothing is signalled.
    std::optional<DWORD> rejectedWith;
    // Virtual milliseconds until the transfer completes; nothing: it stays
    // pending until it is cancelled or its handle is closed.
    std::optional<std::uint64_t> completesAfterMs = 0;
    // For a read: the input report that the transfer delivers.
    std::vector<std::uint8_t> data;
    // Not ERROR_SUCCESS: the request is taken (pending), then completes
    // with this error status and no data, as a read does on a connection
    // that drops.
    DWORD completionStatus = ERROR_SUCCESS;

    static TransferReply now(std::vector<std::uint8_t> data = {}) { return after(0, std::move(data)); }
    static TransferReply after(std::uint64_t ms, std::vector<std::uint8_t> data = {}) {
        TransferReply reply;
        reply.completesAfterMs = ms;
        reply.data = std::move(data);
        return reply;
    }
    static TransferReply failingAfter(std::uint64_t ms, DWORD error) {
        TransferReply reply = after(ms);
        reply.completionStatus = error;
        return reply;
    }
    static TransferReply never() {
        TransferReply reply;
        reply.completesAfterMs = std::nullopt;
        return reply;
    }
    static TransferReply reject(DWORD error) {
        TransferReply reply;
        reply.rejectedWith = error;
        return reply;
    }
};

class HidDeviceModel {
public:
    virtual ~HidDeviceModel() = default;

    // A handle to the interface was opened / closed.
    virtual void opened(HidSession) {}
    virtual void closed(HidSession) {}

    // Feature reports, byte 0 the report ID. ERROR_SUCCESS when the device
    // took the report (set) or filled the buffer (get); otherwise the error
    // that the driver reports for the failed request.
    virtual DWORD setFeature(HidSession session, std::span<const std::uint8_t> report) = 0;
    virtual DWORD getFeature(HidSession session, std::span<std::uint8_t> report) = 0;

    // An output report written, or an input report asked for, on `session`.
    virtual TransferReply write(HidSession session, std::span<const std::uint8_t> report) = 0;
    virtual TransferReply read(HidSession session) = 0;
};

}  // namespace emulated
