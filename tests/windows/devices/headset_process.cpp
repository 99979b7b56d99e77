#include "headset_process.h"

#include <atomic>

namespace tamo::test {
namespace {

constexpr DWORD kExitWaitMs = 5000;
constexpr DWORD kIdleWaitMs = 8000;  // within the control channel's own limit

std::wstring besideThisProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory = path;
    return directory.substr(0, directory.find_last_of(L'\\') + 1) + name;
}

std::wstring freshNamespace() {
    static std::atomic<unsigned> counter{0};
    return L"vhid_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter++);
}

}  // namespace

HeadsetProcess::HeadsetProcess() : namespace_(freshNamespace()) {
    std::wstring command = L"\"" + besideThisProgram(L"vhid_headset.exe") + L"\" " + namespace_ + L" " +
                           std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process_)) {
        error_ = "vhid_headset.exe could not be started (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    if (ask(vhid::Writer().op(vhid::Op::Enumerate), true).empty()) {
        error_ = "vhid_headset.exe does not answer on its control pipe";
        stop();
        return;
    }
    SetEnvironmentVariableW(vhid::kNamespaceVariable, namespace_.c_str());
}

HeadsetProcess::~HeadsetProcess() {
    if (running()) askOk(vhid::Writer().op(vhid::Op::Quit));
    stop();
    SetEnvironmentVariableW(vhid::kNamespaceVariable, nullptr);
}

void HeadsetProcess::stop() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, kExitWaitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, kExitWaitMs);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = PROCESS_INFORMATION{};
}

std::vector<std::uint8_t> HeadsetProcess::ask(const vhid::Writer& request, bool waitForServer) {
    auto answer = vhid::transact(namespace_, request.data(), waitForServer);
    return answer.value_or(std::vector<std::uint8_t>{});
}

bool HeadsetProcess::askOk(const vhid::Writer& request) {
    auto answer = ask(request);
    vhid::Reader reader(answer);
    return reader.u32() == vhid::kOk && !reader.failed();
}

int HeadsetProcess::addDevice(const vhid::DeviceDescription& description) {
    auto answer = ask(vhid::Writer().op(vhid::Op::AddDevice).description(description));
    vhid::Reader reader(answer);
    if (reader.u32() != vhid::kOk) return -1;
    auto index = static_cast<int>(reader.u32());
    std::wstring path = reader.wide();
    if (reader.failed()) return -1;
    paths_.resize(static_cast<std::size_t>(index) + 1);
    paths_[static_cast<std::size_t>(index)] = path;
    return index;
}

std::wstring HeadsetProcess::devicePath(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < paths_.size() ? paths_[static_cast<std::size_t>(index)]
                                                                         : std::wstring{};
}

bool HeadsetProcess::setVersionText(int device, const std::string& text) {
    return askOk(vhid::Writer().op(vhid::Op::SetVersionText).u32(static_cast<std::uint32_t>(device)).narrow(text));
}

bool HeadsetProcess::setSilent(int device, bool silent) {
    return askOk(vhid::Writer().op(vhid::Op::SetSilent).u32(static_cast<std::uint32_t>(device)).u8(silent ? 1 : 0));
}

bool HeadsetProcess::setState(int device, std::uint8_t audioModeByte, std::uint8_t hiPowerStatusByte,
                              bool seeThrough) {
    return askOk(vhid::Writer()
                     .op(vhid::Op::SetState)
                     .u32(static_cast<std::uint32_t>(device))
                     .u8(audioModeByte)
                     .u8(hiPowerStatusByte)
                     .u8(seeThrough ? 1 : 0));
}

bool HeadsetProcess::setOtherReportsBeforeVersion(int device, std::uint32_t count) {
    return askOk(
        vhid::Writer().op(vhid::Op::SetOtherReportsBeforeVersion).u32(static_cast<std::uint32_t>(device)).u32(count));
}

bool HeadsetProcess::unplug(int device) {
    return askOk(vhid::Writer().op(vhid::Op::Unplug).u32(static_cast<std::uint32_t>(device)));
}

bool HeadsetProcess::plug(int device) {
    return askOk(vhid::Writer().op(vhid::Op::Plug).u32(static_cast<std::uint32_t>(device)));
}

vhid::DeviceRecord HeadsetProcess::record(int device, bool* settled) {
    auto idleAnswer =
        ask(vhid::Writer().op(vhid::Op::WaitIdle).u32(static_cast<std::uint32_t>(device)).u32(kIdleWaitMs));
    vhid::Reader idleReader(idleAnswer);
    bool idle = idleReader.u32() == vhid::kOk && idleReader.u8() != 0 && !idleReader.failed();
    if (settled) *settled = idle;
    return recordNow(device);
}

vhid::DeviceRecord HeadsetProcess::recordNow(int device) {
    auto answer = ask(vhid::Writer().op(vhid::Op::Record).u32(static_cast<std::uint32_t>(device)));
    vhid::Reader reader(answer);
    if (reader.u32() != vhid::kOk) return {};
    return reader.record();
}

}  // namespace tamo::test
