// The control channel between the pipe headset process and its clients: the
// stand-in setupapi.dll and hid.dll inside a test host, and the test itself.
//
// Every virtual device interface is a named pipe, \\.\pipe\<namespace>_<n>;
// the headset process answers everything else on \\.\pipe\<namespace>_control.
// One request per connection: a 32-bit length, then the request; the answer
// comes back the same way. Numbers are little-endian, wide text is UTF-16.
//
// The namespace keeps test runs apart. A test host sets it in its own
// environment (VHID_NAMESPACE) before the library runs, and the stand-ins read
// it on every call; without it the namespace is "vhid".
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vhid {

inline constexpr wchar_t kNamespaceVariable[] = L"VHID_NAMESPACE";
inline constexpr wchar_t kDefaultNamespace[] = L"vhid";
inline constexpr std::size_t kReportSize = 64;

// What a client asks for. The first four serve the stand-in DLLs, the rest
// the tests.
enum class Op : std::uint32_t {
    Enumerate = 1,   // -> count, then each device path (wide)
    Describe,        // pipe name -> DeviceDescription
    SetFeature,      // pipe name, length, report bytes -> error
    GetFeature,      // pipe name, length, report bytes -> error, report bytes
    AddDevice = 20,  // DeviceDescription -> index, device path
    SetVersionText,  // index, text
    SetSilent,       // index, flag
    SetState,        // index, audio mode byte, hi-power status byte, see-through flag
    SetOtherReportsBeforeVersion,  // index, count
    Record,          // index -> DeviceRecord
    WaitIdle,        // index, time limit in ms -> flag: no connection open or arriving
    Unplug,          // index: no longer enumerated (its pipe stays)
    Plug,            // index: enumerated again, in its old place
    Quit,
};

// The answer's first word: zero, or the Windows error the request met.
inline constexpr std::uint32_t kOk = 0;

// How a device interface presents itself to hid.dll.
struct DeviceDescription {
    std::uint16_t vendorId = 0x2E5C;
    std::uint16_t productId = 0x0712;
    std::uint16_t versionNumber = 0x0100;
    std::wstring productString = L"Tamo Mk2";
    std::uint16_t usagePage = 0xFF00;
    std::uint16_t usage = 0x0001;
    std::uint16_t inputReportByteLength = 64;
    std::uint16_t outputReportByteLength = 64;
    std::uint16_t featureReportByteLength = 64;
    // False: enumerated, but no pipe stands behind its path.
    bool openable = true;
};

enum class ReportKind : std::uint32_t { SetFeature = 1, GetFeature, Output };

struct ReceivedReport {
    ReportKind kind;
    bool accepted;
    std::vector<std::uint8_t> bytes;  // the first 64 bytes as the headset was offered them
};

// Everything a device saw, and its state now.
struct DeviceRecord {
    std::vector<ReceivedReport> received;
    std::uint32_t opens = 0;
    std::uint32_t closes = 0;
    std::uint32_t openHandles = 0;
    std::uint32_t inputReportsDelivered = 0;
    std::uint8_t audioMode = 0;
    bool seeThrough = false;
    bool hiPower = false;
};

// Building and reading messages.
class Writer {
public:
    Writer& u32(std::uint32_t value);
    Writer& u16(std::uint16_t value);
    Writer& u8(std::uint8_t value);
    Writer& bytes(const void* data, std::size_t size);
    Writer& wide(const std::wstring& text);
    Writer& narrow(const std::string& text);
    Writer& description(const DeviceDescription& description);
    Writer& record(const DeviceRecord& record);
    Writer& op(Op value) { return u32(static_cast<std::uint32_t>(value)); }
    const std::vector<std::uint8_t>& data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

// Reads fields in order; a read past the end sets failed() and gives zeros.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& data) : data_(data) {}
    std::uint32_t u32();
    std::uint16_t u16();
    std::uint8_t u8();
    std::vector<std::uint8_t> bytes();
    std::wstring wide();
    std::string narrow();
    DeviceDescription description();
    DeviceRecord record();
    bool failed() const { return failed_; }

private:
    bool take(void* out, std::size_t size);
    const std::vector<std::uint8_t>& data_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

// Names.
std::wstring currentNamespace();
std::wstring pipePath(const std::wstring& pipeName);  // \\.\pipe\<name>
std::wstring controlPipeName(const std::wstring& ns);
std::wstring devicePipeName(const std::wstring& ns, std::uint32_t index);

// Bounded transfers on a handle opened for overlapped I/O: the whole buffer
// or false (cancelled after `timeoutMs`).
bool readAll(HANDLE handle, void* buffer, DWORD size, DWORD timeoutMs);
bool writeAll(HANDLE handle, const void* buffer, DWORD size, DWORD timeoutMs);

// One framed message on a connected pipe.
bool sendMessage(HANDLE pipe, const std::vector<std::uint8_t>& message, DWORD timeoutMs);
std::optional<std::vector<std::uint8_t>> receiveMessage(HANDLE pipe, DWORD timeoutMs);

// One request to the headset process of namespace `ns` and its answer, or
// nothing when the process is not there or does not answer in time. With
// `waitForServer` an absent control pipe is waited for (up to the limit);
// otherwise it means no headset process at all.
inline constexpr DWORD kControlTimeoutMs = 10000;
std::optional<std::vector<std::uint8_t>> transact(const std::wstring& ns, const std::vector<std::uint8_t>& request,
                                                  bool waitForServer = false, DWORD timeoutMs = kControlTimeoutMs);

}  // namespace vhid
