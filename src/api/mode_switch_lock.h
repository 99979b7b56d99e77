// The session-wide lock that keeps two commands off the headset at once.
//
// One named semaphore, count 1, shared by every thread of every process in
// the Windows session that loads the library. It is only ever tried, never
// waited for: a caller who finds it taken gets SOUND_ERROR_LOCK_BUSY.
//
// The object follows the caller's explicit protocol (openLock, tryLock,
// unlock, closeLock) and reports misuse with SOUND_ERROR_INVALID_ARGUMENT.
// As a last line of defence its destructor closes a handle the caller left
// open, so no path leaks the semaphore.
#pragma once

#include "platform/win32.h"
#include "tamo_settings.h"

namespace tamo {

inline constexpr const wchar_t* kModeSwitchLockName = L"SoundModeSwitchLocker";

class ModeSwitchLock {
public:
    ModeSwitchLock() = default;
    ~ModeSwitchLock();
    ModeSwitchLock(const ModeSwitchLock&) = delete;
    ModeSwitchLock& operator=(const ModeSwitchLock&) = delete;

    StatusCode openLock();
    StatusCode tryLock();
    StatusCode unlock();
    StatusCode closeLock();

    HANDLE handle() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace tamo
