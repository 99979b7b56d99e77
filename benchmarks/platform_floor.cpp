#include "platform_floor.h"

#include "api/mode_switch_lock.h"
#include "hid/hid_library.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <string_view>

namespace tamo::floor {
namespace {

constexpr DWORD kWaitMs = 10000;
constexpr DWORD kPollPauseMs = 10;

// hid.dll resolved as the library resolves it, once before timing.
HidLibrary hid;

bool splitsLines = false;

// Each line of `bytes` cut at its first "=", key and value copied out;
// `line` carries a line over from one chunk to the next. Out of line, so
// that benchmarks/instruction-counts can tell its cost apart.
[[gnu::noinline]] void splitLines(std::string_view bytes, std::string& line) {
    std::string key;
    std::string value;
    auto split = [&] {
        std::string_view text = line;
        std::size_t equals = text.find('=');
        key.assign(text.substr(0, equals));
        value.assign(text.substr(std::min(equals + 1, text.size())));
        line.clear();
    };
    for (std::size_t end; (end = bytes.find('\n')) != std::string_view::npos; bytes.remove_prefix(end + 1)) {
        line.append(bytes.substr(0, end));
        split();
    }
    line.append(bytes);
}

// hmd_config.ini beside the executable: named, opened, read to its end.
void readConfig() {
    std::array<WCHAR, MAX_PATH> path{};
    GetModuleFileNameW(GetModuleHandleW(nullptr), path.data(), static_cast<DWORD>(path.size()));
    WCHAR* slash = std::wcsrchr(path.data(), L'\\');
    if (slash != nullptr) std::wcscpy(slash + 1, L"hmd_config.ini");
    if (std::FILE* file = _wfopen(path.data(), L"rb")) {
        std::array<char, 4096> bytes;
        std::string line;
        std::size_t got = 0;
        while ((got = std::fread(bytes.data(), 1, bytes.size(), file)) > 0) {
            if (splitsLines) splitLines(std::string_view(bytes.data(), got), line);
            if (got < bytes.size()) break;
        }
        std::fclose(file);
    }
}

struct Headset {
    HDEVINFO set = INVALID_HANDLE_VALUE;
    HANDLE device = INVALID_HANDLE_VALUE;
};

// The first interface, opened and asked what the matching asks.
Headset open() {
    readConfig();
    GUID guid{};
    hid.getHidGuid(&guid);
    Headset headset;
    headset.set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    SetupDiEnumDeviceInterfaces(headset.set, nullptr, &guid, 0, &interfaceData);
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(headset.set, &interfaceData, nullptr, 0, &required, nullptr);
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(std::malloc(required));
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SetupDiGetDeviceInterfaceDetailW(headset.set, &interfaceData, detail, required, nullptr, nullptr);
    headset.device = CreateFileW(detail->DevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    hid.getAttributes(headset.device, &attributes);
    std::array<WCHAR, 128> product{};
    hid.getProductString(headset.device, product.data(), static_cast<ULONG>(sizeof product));
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    hid.getPreparsedData(headset.device, &preparsed);
    HIDP_CAPS caps{};
    hid.getCaps(preparsed, &caps);
    hid.freePreparsedData(preparsed);
    std::free(detail);
    return headset;
}

void close(const Headset& headset) {
    CloseHandle(headset.device);
    SetupDiDestroyDeviceInfoList(headset.set);
}

// A completed transfer's status is asked for, as any caller that must tell
// a report from an error completion has to.
template <class Issue>
void timedTransfer(HANDLE device, Issue issue) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    DWORD count = 0;
    issue(overlapped, count);
    if (WaitForSingleObject(event, kWaitMs) == WAIT_OBJECT_0) GetOverlappedResult(device, &overlapped, &count, FALSE);
    CloseHandle(event);
}

void read(HANDLE device, std::array<unsigned char, 64>& report) {
    timedTransfer(device, [&](OVERLAPPED& overlapped, DWORD& count) {
        ReadFile(device, report.data(), static_cast<DWORD>(report.size()), &count, &overlapped);
    });
}

void write(HANDLE device, std::array<unsigned char, 64>& report) {
    timedTransfer(device, [&](OVERLAPPED& overlapped, DWORD& count) {
        WriteFile(device, report.data(), static_cast<DWORD>(report.size()), &count, &overlapped);
    });
}

void sendReport() {
    Headset headset = open();
    std::array<unsigned char, 64> report{0x04, 0x78, 0x29, 0x38, 0x20};
    hid.setFeature(headset.device, report.data(), static_cast<ULONG>(report.size()));
    close(headset);
}

template <class Work>
void underLock(Work work) {
    HANDLE lock = CreateSemaphoreW(nullptr, 1, 1, kModeSwitchLockName);
    WaitForSingleObject(lock, 0);
    work();
    ReleaseSemaphore(lock, 1, nullptr);
    CloseHandle(lock);
}

}  // namespace

void setSplitsLines(bool splits) { splitsLines = splits; }

bool loadHid() {
    hid = HidLibrary::load();
    return hid.available();
}

void init(unsigned reportsBeforeReply) {
    Headset headset = open();
    std::array<unsigned char, 64> report{0x01, 0x66, 0x22};
    write(headset.device, report);
    read(headset.device, report);
    for (unsigned i = 0; i < reportsBeforeReply; ++i) {
        Sleep(kPollPauseMs);
        read(headset.device, report);
    }
    close(headset);
}

void seeThrough(bool enabled) {
    readConfig();
    if (!enabled) return;
    underLock(sendReport);
}

void command() { underLock(sendReport); }

void getState() {
    underLock([] {
        sendReport();
        Headset headset = open();
        std::array<unsigned char, 64> report{0x04, 0x87, 0x29, 0x3C};
        hid.getFeature(headset.device, report.data(), static_cast<ULONG>(report.size()));
        close(headset);
        headset = open();
        read(headset.device, report);
        close(headset);
    });
}

}  // namespace tamo::floor
