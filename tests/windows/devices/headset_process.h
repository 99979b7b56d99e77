// A pipe headset process for one test: started in a namespace of its own,
// configured and questioned over its control channel, and ended (killed if
// need be) when the object goes.
//
// While it lives, the test host's environment names its namespace, so the
// stand-in setupapi.dll and hid.dll that the library calls reach it.
#pragma once

#include "vhid_wire.h"

#include <cstdint>
#include <string>

namespace tamo::test {

class HeadsetProcess {
public:
    HeadsetProcess();
    ~HeadsetProcess();
    HeadsetProcess(const HeadsetProcess&) = delete;
    HeadsetProcess& operator=(const HeadsetProcess&) = delete;

    // Whether the process runs and answers; why not, otherwise.
    bool running() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // A new device interface, enumerated after the earlier ones. Its index,
    // or -1 when the process refused it.
    int addDevice(const vhid::DeviceDescription& description = {});
    std::wstring devicePath(int index) const;

    bool setVersionText(int device, const std::string& text);
    bool setSilent(int device, bool silent);
    // The status bytes the headset reports: audio mode (report byte 10) and
    // hi-power status (report byte 61, 0 while hi power is on).
    bool setState(int device, std::uint8_t audioModeByte, std::uint8_t hiPowerStatusByte, bool seeThrough = false);
    bool setOtherReportsBeforeVersion(int device, std::uint32_t count);
    // Takes the device out of the enumeration, or puts it back.
    bool unplug(int device);
    bool plug(int device);

    // Waits (bounded) until no connection to the device is open or arriving,
    // then returns its record. `settled` is false when the wait ran out.
    vhid::DeviceRecord record(int device, bool* settled = nullptr);
    // The record as it stands, connections open or not.
    vhid::DeviceRecord recordNow(int device);

private:
    std::vector<std::uint8_t> ask(const vhid::Writer& request, bool waitForServer = false);
    bool askOk(const vhid::Writer& request);
    void stop();

    std::wstring namespace_;
    PROCESS_INFORMATION process_{};
    std::string error_;
    std::vector<std::wstring> paths_;
};

}  // namespace tamo::test
