#include "vhid_wire.h"

#include <algorithm>
#include <cstring>

namespace vhid {

Writer& Writer::u32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) data_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return *this;
}

Writer& Writer::u16(std::uint16_t value) {
    data_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    data_.push_back(static_cast<std::uint8_t>(value >> 8));
    return *this;
}

Writer& Writer::u8(std::uint8_t value) {
    data_.push_back(value);
    return *this;
}

Writer& Writer::bytes(const void* data, std::size_t size) {
    u32(static_cast<std::uint32_t>(size));
    const auto* first = static_cast<const std::uint8_t*>(data);
    data_.insert(data_.end(), first, first + size);
    return *this;
}

Writer& Writer::wide(const std::wstring& text) {
    u32(static_cast<std::uint32_t>(text.size()));
    for (wchar_t unit : text) u16(static_cast<std::uint16_t>(unit));
    return *this;
}

Writer& Writer::narrow(const std::string& text) { return bytes(text.data(), text.size()); }

Writer& Writer::description(const DeviceDescription& description) {
    u16(description.vendorId).u16(description.productId).u16(description.versionNumber).wide(description.productString);
    u16(description.usagePage).u16(description.usage);
    u16(description.inputReportByteLength).u16(description.outputReportByteLength).u16(description.featureReportByteLength);
    return u8(description.openable ? 1 : 0);
}

Writer& Writer::record(const DeviceRecord& record) {
    u32(static_cast<std::uint32_t>(record.received.size()));
    for (const auto& report : record.received) {
        u32(static_cast<std::uint32_t>(report.kind)).u8(report.accepted ? 1 : 0);
        bytes(report.bytes.data(), report.bytes.size());
    }
    u32(record.opens).u32(record.closes).u32(record.openHandles).u32(record.inputReportsDelivered);
    return u8(record.audioMode).u8(record.seeThrough ? 1 : 0).u8(record.hiPower ? 1 : 0);
}

bool Reader::take(void* out, std::size_t size) {
    if (failed_ || data_.size() - position_ < size) {
        failed_ = true;
        std::memset(out, 0, size);
        return false;
    }
    std::memcpy(out, data_.data() + position_, size);
    position_ += size;
    return true;
}

std::uint32_t Reader::u32() {
    std::uint8_t raw[4];
    take(raw, sizeof raw);
    return std::uint32_t{raw[0]} | std::uint32_t{raw[1]} << 8 | std::uint32_t{raw[2]} << 16 |
           std::uint32_t{raw[3]} << 24;
}

std::uint16_t Reader::u16() {
    std::uint8_t raw[2];
    take(raw, sizeof raw);
    return static_cast<std::uint16_t>(raw[0] | raw[1] << 8);
}

std::uint8_t Reader::u8() {
    std::uint8_t value;
    take(&value, 1);
    return value;
}

std::vector<std::uint8_t> Reader::bytes() {
    std::uint32_t size = u32();
    if (failed_ || data_.size() - position_ < size) {
        failed_ = true;
        return {};
    }
    std::vector<std::uint8_t> result(data_.begin() + static_cast<std::ptrdiff_t>(position_),
                                     data_.begin() + static_cast<std::ptrdiff_t>(position_ + size));
    position_ += size;
    return result;
}

std::wstring Reader::wide() {
    std::uint32_t size = u32();
    if (failed_ || (data_.size() - position_) / 2 < size) {
        failed_ = true;
        return {};
    }
    std::wstring text;
    for (std::uint32_t i = 0; i < size; ++i) text.push_back(static_cast<wchar_t>(u16()));
    return text;
}

std::string Reader::narrow() {
    std::vector<std::uint8_t> raw = bytes();
    return std::string(raw.begin(), raw.end());
}

DeviceDescription Reader::description() {
    DeviceDescription description;
    description.vendorId = u16();
    description.productId = u16();
    description.versionNumber = u16();
    description.productString = wide();
    description.usagePage = u16();
    description.usage = u16();
    description.inputReportByteLength = u16();
    description.outputReportByteLength = u16();
    description.featureReportByteLength = u16();
    description.openable = u8() != 0;
    return description;
}

DeviceRecord Reader::record() {
    DeviceRecord record;
    std::uint32_t count = u32();
    for (std::uint32_t i = 0; i < count && !failed_; ++i) {
        ReceivedReport report;
        report.kind = static_cast<ReportKind>(u32());
        report.accepted = u8() != 0;
        report.bytes = bytes();
        record.received.push_back(std::move(report));
    }
    record.opens = u32();
    record.closes = u32();
    record.openHandles = u32();
    record.inputReportsDelivered = u32();
    record.audioMode = u8();
    record.seeThrough = u8() != 0;
    record.hiPower = u8() != 0;
    return record;
}

std::wstring currentNamespace() {
    wchar_t value[128] = {};
    DWORD length = GetEnvironmentVariableW(kNamespaceVariable, value, 128);
    if (length == 0 || length >= 128) return kDefaultNamespace;
    return value;
}

std::wstring pipePath(const std::wstring& pipeName) { return L"\\\\.\\pipe\\" + pipeName; }

std::wstring controlPipeName(const std::wstring& ns) { return ns + L"_control"; }

std::wstring devicePipeName(const std::wstring& ns, std::uint32_t index) { return ns + L"_" + std::to_wstring(index); }

namespace {

// One overlapped transfer of at most `size` bytes; the count moved, or
// nothing on failure or time-out (the transfer is then cancelled and has
// ended before this returns).
std::optional<DWORD> transferOnce(HANDLE handle, bool reading, void* buffer, DWORD size, DWORD timeoutMs) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event) return std::nullopt;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    BOOL started = reading ? ReadFile(handle, buffer, size, nullptr, &overlapped)
                           : WriteFile(handle, buffer, size, nullptr, &overlapped);
    std::optional<DWORD> moved;
    if (started || GetLastError() == ERROR_IO_PENDING) {
        DWORD count = 0;
        if (WaitForSingleObject(event, timeoutMs) != WAIT_OBJECT_0) {
            CancelIo(handle);
            GetOverlappedResult(handle, &overlapped, &count, TRUE);
        } else if (GetOverlappedResult(handle, &overlapped, &count, FALSE)) {
            moved = count;
        } else if (GetLastError() == ERROR_MORE_DATA) {
            moved = count;
        }
    }
    CloseHandle(event);
    return moved;
}

bool transferAll(HANDLE handle, bool reading, std::uint8_t* buffer, DWORD size, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    DWORD done = 0;
    while (done < size) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        auto moved = transferOnce(handle, reading, buffer + done, size - done, static_cast<DWORD>(deadline - now));
        if (!moved || *moved == 0) return false;
        done += *moved;
    }
    return true;
}

}  // namespace

bool readAll(HANDLE handle, void* buffer, DWORD size, DWORD timeoutMs) {
    return transferAll(handle, true, static_cast<std::uint8_t*>(buffer), size, timeoutMs);
}

bool writeAll(HANDLE handle, const void* buffer, DWORD size, DWORD timeoutMs) {
    return transferAll(handle, false, const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(buffer)), size,
                       timeoutMs);
}

bool sendMessage(HANDLE pipe, const std::vector<std::uint8_t>& message, DWORD timeoutMs) {
    Writer framed;
    framed.bytes(message.data(), message.size());
    return writeAll(pipe, framed.data().data(), static_cast<DWORD>(framed.data().size()), timeoutMs);
}

std::optional<std::vector<std::uint8_t>> receiveMessage(HANDLE pipe, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    std::uint8_t header[4];
    if (!readAll(pipe, header, sizeof header, timeoutMs)) return std::nullopt;
    std::vector<std::uint8_t> headerBytes(header, header + 4);
    std::uint32_t size = Reader(headerBytes).u32();
    constexpr std::uint32_t kLargestMessage = 1u << 24;
    if (size > kLargestMessage) return std::nullopt;
    std::vector<std::uint8_t> message(size);
    ULONGLONG now = GetTickCount64();
    if (size > 0 && (now >= deadline || !readAll(pipe, message.data(), size, static_cast<DWORD>(deadline - now)))) {
        return std::nullopt;
    }
    return message;
}

namespace {

HANDLE connectControl(const std::wstring& ns, bool waitForServer, DWORD timeoutMs) {
    std::wstring path = pipePath(controlPipeName(ns));
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        HANDLE pipe = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return pipe;
        DWORD error = GetLastError();
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return INVALID_HANDLE_VALUE;
        DWORD left = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 200));
        if (error == ERROR_PIPE_BUSY) {
            WaitNamedPipeW(path.c_str(), left);
        } else if (error == ERROR_FILE_NOT_FOUND && waitForServer) {
            Sleep(std::min<DWORD>(left, 20));
        } else {
            return INVALID_HANDLE_VALUE;
        }
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> transact(const std::wstring& ns, const std::vector<std::uint8_t>& request,
                                                  bool waitForServer, DWORD timeoutMs) {
    HANDLE pipe = connectControl(ns, waitForServer, timeoutMs);
    if (pipe == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> answer;
    if (sendMessage(pipe, request, timeoutMs)) answer = receiveMessage(pipe, timeoutMs);
    CloseHandle(pipe);
    return answer;
}

}  // namespace vhid
