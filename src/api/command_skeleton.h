// The shape every command function shares.
//
// initialised? -> own precondition -> open and try the mode-switch lock ->
// transactions -> release and close the lock. The first failing step decides
// the result: a busy or broken lock ends the call before the headset is
// touched; after a failed transaction the lock is still given back but what
// that costs is dropped; after success a failed release outranks a failed
// close, because a semaphore left taken blocks every later command of the
// session while a leaked handle only costs this process.
#pragma once

#include "api/library_state.h"
#include "api/mode_switch_lock.h"
#include "tamo_settings.h"

namespace tamo {

// Gives the semaphore back if the holder leaves by an exception, so that a
// failed call can never keep the session's commands locked out.
class LockHold {
public:
    explicit LockHold(ModeSwitchLock& lock) : lock_(lock) {}
    ~LockHold() {
        if (!held_) return;
        // Reporting a failed release needs memory, which may be what ran out.
        try {
            lock_.unlock();
        } catch (...) {
        }
    }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;

    StatusCode release() {
        held_ = false;
        return lock_.unlock();
    }

private:
    ModeSwitchLock& lock_;
    bool held_ = true;
};

// Runs `transactions` (returning a StatusCode) under one hold of the
// mode-switch lock. The lock's own destructor closes the handle on the
// exceptional path.
template <class Transactions>
StatusCode runUnderLock(Transactions&& transactions) {
    ModeSwitchLock lock;
    if (StatusCode opened = lock.openLock(); opened != SOUND_OK) return opened;
    if (StatusCode taken = lock.tryLock(); taken != SOUND_OK) {
        lock.closeLock();
        return taken;
    }
    LockHold hold(lock);
    StatusCode result = transactions();
    StatusCode released = hold.release();
    StatusCode closed = lock.closeLock();
    if (result != SOUND_OK) return result;
    return released != SOUND_OK ? released : closed;
}

// A whole command function: the initialised test before anything else, then
// `precondition` (returning SOUND_OK or its refusal), then the transactions
// under the lock.
template <class Precondition, class Transactions>
StatusCode runCommand(Precondition&& precondition, Transactions&& transactions) {
    if (!isInitialised()) return SOUND_ERROR_NOT_INITIALIZED;
    if (StatusCode allowed = precondition(); allowed != SOUND_OK) return allowed;
    return runUnderLock(transactions);
}

}  // namespace tamo
