// One virtual HID interface of the pipe headset: the project's headset model
// behind a named pipe.
//
// Every client connection is one open handle of the interface (one model
// session). Input reports are pushed into the pipe as the model produces
// them, the way the HID class driver fills each handle's ring buffer: the
// status report when the handle is opened, the version reply after a version
// request. Output reports are read from the pipe and handed to the model.
// Feature reports do not travel on the pipe; hid.dll brings them over the
// control channel.
#pragma once

#include "pipe_server.h"
#include "platform/emulated/virtual_headset.h"
#include "vhid_wire.h"

#include <atomic>
#include <memory>
#include <string>

namespace vhid {

class PipeDevice {
public:
    PipeDevice(std::wstring pipeName, DeviceDescription description);
    PipeDevice(const PipeDevice&) = delete;
    PipeDevice& operator=(const PipeDevice&) = delete;

    // Starts serving the pipe; an unopenable device has none and always
    // succeeds.
    bool start();

    const std::wstring& pipeName() const { return pipeName_; }
    const DeviceDescription& description() const { return description_; }
    emulated::VirtualHeadset& model() { return *model_; }

    // Feature requests, answered by the model: ERROR_SUCCESS or the error.
    DWORD setFeature(const std::vector<std::uint8_t>& report);
    DWORD getFeature(std::vector<std::uint8_t>& report);

    DeviceRecord record() const;
    // No connection open or arriving.
    bool idle() const;

    // Whether enumeration reports the interface.
    bool present() const { return present_; }
    void setPresent(bool present) { present_ = present; }

private:
    void serve(HANDLE pipe);
    bool pushInputReports(HANDLE pipe, emulated::HidSession session);

    std::wstring pipeName_;
    DeviceDescription description_;
    std::shared_ptr<emulated::VirtualHeadset> model_;
    PipeServer server_;
    std::atomic<emulated::HidSession> nextSession_{1};
    std::atomic<bool> present_{true};
};

}  // namespace vhid
