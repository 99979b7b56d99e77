// The pipe headset process: virtual headset interfaces for a test host
// running under Wine, and their control channel.
//
//   vhid_headset.exe NAMESPACE PARENT_PID
//
// Serves \\.\pipe\NAMESPACE_control until asked to quit, until the process
// PARENT_PID ends, or at the latest after kLongestLife.
#include "pipe_device.h"
#include "pipe_server.h"
#include "vhid_wire.h"

#include <cwctype>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vhid {
namespace {

constexpr DWORD kLongestLifeMs = 10 * 60 * 1000;
constexpr DWORD kClientCloseWaitMs = 10000;

std::wstring lowerCase(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

class Headset {
public:
    explicit Headset(std::wstring ns) : ns_(std::move(ns)) {}

    // The answer to one request; `quit` is set when the process should end
    // once the answer is delivered.
    std::vector<std::uint8_t> answer(const std::vector<std::uint8_t>& request, bool& quit);

private:
    std::vector<std::uint8_t> enumerate();
    std::vector<std::uint8_t> describe(Reader& request);
    std::vector<std::uint8_t> feature(Reader& request, bool set);
    std::vector<std::uint8_t> addDevice(Reader& request);
    std::vector<std::uint8_t> waitIdle(PipeDevice& device, DWORD timeoutMs);
    PipeDevice* byIndex(std::uint32_t index);
    PipeDevice* byPipeName(const std::wstring& name);

    std::wstring ns_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<PipeDevice>> devices_;
};

std::vector<std::uint8_t> status(std::uint32_t code) { return Writer().u32(code).data(); }

std::vector<std::uint8_t> Headset::answer(const std::vector<std::uint8_t>& request, bool& quit) {
    Reader reader(request);
    auto op = static_cast<Op>(reader.u32());
    switch (op) {
    case Op::Enumerate:
        return enumerate();
    case Op::Describe:
        return describe(reader);
    case Op::SetFeature:
        return feature(reader, true);
    case Op::GetFeature:
        return feature(reader, false);
    case Op::AddDevice:
        return addDevice(reader);
    case Op::Quit:
        quit = true;
        return status(kOk);
    default:
        break;
    }

    PipeDevice* device = byIndex(reader.u32());
    if (!device) return status(ERROR_INVALID_PARAMETER);
    auto& model = device->model();
    switch (op) {
    case Op::SetVersionText:
        model.setVersionText(reader.narrow());
        break;
    case Op::SetSilent:
        model.setSilent(reader.u8() != 0);
        break;
    case Op::SetState:
        model.setAudioMode(reader.u8());
        model.setHiPowerStatusByte(reader.u8());
        model.setSeeThrough(reader.u8() != 0);
        break;
    case Op::SetOtherReportsBeforeVersion:
        model.setOtherReportsBeforeVersion(reader.u32());
        break;
    case Op::Record:
        return Writer().u32(kOk).record(device->record()).data();
    case Op::WaitIdle:
        return waitIdle(*device, reader.u32());
    case Op::Unplug:
        device->setPresent(false);
        break;
    case Op::Plug:
        device->setPresent(true);
        break;
    default:
        return status(ERROR_INVALID_FUNCTION);
    }
    return status(reader.failed() ? ERROR_INVALID_PARAMETER : kOk);
}

std::vector<std::uint8_t> Headset::enumerate() {
    std::lock_guard guard(mutex_);
    std::vector<std::wstring> paths;
    for (const auto& device : devices_) {
        if (device->present()) paths.push_back(pipePath(device->pipeName()));
    }
    Writer answer;
    answer.u32(kOk).u32(static_cast<std::uint32_t>(paths.size()));
    for (const auto& path : paths) answer.wide(path);
    return answer.data();
}

std::vector<std::uint8_t> Headset::describe(Reader& request) {
    PipeDevice* device = byPipeName(request.wide());
    if (!device) return status(ERROR_FILE_NOT_FOUND);
    return Writer().u32(kOk).description(device->description()).data();
}

std::vector<std::uint8_t> Headset::feature(Reader& request, bool set) {
    PipeDevice* device = byPipeName(request.wide());
    request.u32();  // the caller's length; the report carries its own
    std::vector<std::uint8_t> report = request.bytes();
    if (!device) return status(ERROR_FILE_NOT_FOUND);
    if (request.failed() || report.empty()) return status(ERROR_INVALID_PARAMETER);
    if (set) return status(device->setFeature(report));
    DWORD error = device->getFeature(report);
    if (error != ERROR_SUCCESS) return status(error);
    return Writer().u32(kOk).bytes(report.data(), report.size()).data();
}

std::vector<std::uint8_t> Headset::addDevice(Reader& request) {
    DeviceDescription description = request.description();
    if (request.failed()) return status(ERROR_INVALID_PARAMETER);
    std::lock_guard guard(mutex_);
    auto index = static_cast<std::uint32_t>(devices_.size());
    auto device = std::make_unique<PipeDevice>(devicePipeName(ns_, index), description);
    if (!device->start()) return status(GetLastError());
    std::wstring path = pipePath(device->pipeName());
    devices_.push_back(std::move(device));
    return Writer().u32(kOk).u32(index).wide(path).data();
}

std::vector<std::uint8_t> Headset::waitIdle(PipeDevice& device, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    bool idle = device.idle();
    while (!idle && GetTickCount64() < deadline) {
        Sleep(5);
        idle = device.idle();
    }
    return Writer().u32(kOk).u8(idle ? 1 : 0).data();
}

PipeDevice* Headset::byIndex(std::uint32_t index) {
    std::lock_guard guard(mutex_);
    return index < devices_.size() ? devices_[index].get() : nullptr;
}

// Pipe names are compared as Windows compares them, without regard to case.
PipeDevice* Headset::byPipeName(const std::wstring& name) {
    std::lock_guard guard(mutex_);
    std::wstring wanted = lowerCase(name);
    for (const auto& device : devices_) {
        if (lowerCase(device->pipeName()) == wanted) return device.get();
    }
    return nullptr;
}

// One control connection: a request, the answer, then the client's close
// (disconnecting earlier would throw away an answer not yet read).
void serveControl(Headset& headset, HANDLE pipe) {
    bool quit = false;
    if (auto request = receiveMessage(pipe, kControlTimeoutMs)) {
        if (sendMessage(pipe, headset.answer(*request, quit), kControlTimeoutMs)) {
            std::uint8_t unused;
            readAll(pipe, &unused, 1, kClientCloseWaitMs);
        }
    }
    if (quit) ExitProcess(0);
}

// Ends the process with its parent, so that no headset outlives its test.
void watchParent(DWORD parentId) {
    std::thread([parentId] {
        HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, parentId);
        if (parent) {
            WaitForSingleObject(parent, kLongestLifeMs);
        } else {
            Sleep(kLongestLifeMs);
        }
        ExitProcess(3);
    }).detach();
}

}  // namespace
}  // namespace vhid

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    std::wstring ns = argv[1];
    vhid::watchParent(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));

    vhid::Headset headset(ns);
    vhid::PipeServer control(vhid::pipePath(vhid::controlPipeName(ns)),
                             [&headset](HANDLE pipe) { vhid::serveControl(headset, pipe); });
    if (!control.start()) return 4;
    for (;;) Sleep(INFINITE);
}
