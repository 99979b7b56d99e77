// The session-wide lock that keeps two commands off the headset at once.
//
// One named semaphore, count 1, shared by every thread of every process in
// the Windows session that loads the library. It is only ever tried, never
// waited for: a caller who finds it taken gets SOUND_ERROR_LOCK_BUSY.
//
// The object follows the caller's explicit protocol (openLock, tryLock,
// unlock, closeLock) and reports misuse with SOUND_ERROR_INVALID_ARGUMENT.
// Its destructor closes a handle that closeLock was never asked to close (a
// call unwinding), so no path leaks the semaphore. It does not try again
// after a failed closeLock: CloseHandle fails on a handle that is no longer
// valid, and by then the same value may name another thread's object.
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
    bool closeFailed_ = false;
};

}  // namespace tamo
