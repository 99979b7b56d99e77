#include "api/mode_switch_lock.h"

#include "api/diagnostics.h"
#include "platform/console.h"

namespace tamo {

ModeSwitchLock::~ModeSwitchLock() {
    if (handle_ != nullptr && !closeFailed_) CloseHandle(handle_);
}

StatusCode ModeSwitchLock::openLock() {
    if (handle_ != nullptr) return SOUND_ERROR_INVALID_ARGUMENT;
    handle_ = CreateSemaphoreW(nullptr, 1, 1, kModeSwitchLockName);
    if (handle_ == nullptr) {
        printLastError();
        return SOUND_ERROR_LOCK_CREATE_FAILED;
    }
    // Not a failure: another handle to the semaphore is open somewhere.
    if (GetLastError() == ERROR_ALREADY_EXISTS) printLine("Handle is exist.");
    return SOUND_OK;
}

StatusCode ModeSwitchLock::tryLock() {
    if (handle_ == nullptr) return SOUND_ERROR_INVALID_ARGUMENT;
    switch (WaitForSingleObject(handle_, 0)) {
    case WAIT_OBJECT_0:
        return SOUND_OK;
    case WAIT_TIMEOUT:
        return SOUND_ERROR_LOCK_BUSY;
    default:
        printLastError();
        return SOUND_ERROR_LOCK_WAIT_FAILED;
    }
}

StatusCode ModeSwitchLock::unlock() {
    if (handle_ == nullptr) return SOUND_ERROR_INVALID_ARGUMENT;
    if (!ReleaseSemaphore(handle_, 1, nullptr)) {
        printLastError();
        return SOUND_ERROR_LOCK_RELEASE_FAILED;
    }
    return SOUND_OK;
}

StatusCode ModeSwitchLock::closeLock() {
    if (handle_ == nullptr) return SOUND_ERROR_INVALID_ARGUMENT;
    if (!CloseHandle(handle_)) {
        closeFailed_ = true;
        printLastError();
        return SOUND_ERROR_LOCK_CLOSE_FAILED;
    }
    handle_ = nullptr;
    return SOUND_OK;
}

}  // namespace tamo
