// Owners of the platform handles that the HID layer opens: each is released
// by the code that opened it, on every path, exactly once.
#pragma once

#include "platform/win32.h"

#include <utility>

namespace tamo {

template <class Traits>
class UniqueHandle {
public:
    using Value = typename Traits::Value;

    UniqueHandle() = default;
    explicit UniqueHandle(Value value) : value_(value) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Value get() const { return value_; }
    bool valid() const { return value_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    Value release() { return std::exchange(value_, Traits::invalid()); }
    void reset(Value value = Traits::invalid()) {
        Value old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }

private:
    Value value_ = Traits::invalid();
};

// A file handle (an opened device): INVALID_HANDLE_VALUE when absent.
struct FileHandleTraits {
    using Value = HANDLE;
    static Value invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Value handle) { CloseHandle(handle); }
};

// A kernel object such as an event: null when absent.
struct KernelObjectTraits {
    using Value = HANDLE;
    static Value invalid() { return nullptr; }
    static void close(Value handle) { CloseHandle(handle); }
};

// A SetupAPI device-information set: INVALID_HANDLE_VALUE when absent.
struct DeviceInfoSetTraits {
    using Value = HDEVINFO;
    static Value invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Value set) { SetupDiDestroyDeviceInfoList(set); }
};

using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueKernelObject = UniqueHandle<KernelObjectTraits>;
using UniqueDeviceInfoSet = UniqueHandle<DeviceInfoSetTraits>;

}  // namespace tamo
