// A second process for the lock tests: takes the mode-switch lock, signals
// "held", keeps it until the test signals "release", then gives it back.
#include "api/mode_switch_lock.h"
#include "platform/win32.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
    if (!held || !release) return 3;

    tamo::ModeSwitchLock lock;
    int result = 0;
    if (lock.openLock() != SOUND_OK || lock.tryLock() != SOUND_OK) {
        result = 4;
    } else {
        SetEvent(held);
        WaitForSingleObject(release, 30000);
        if (lock.unlock() != SOUND_OK) result = 5;
    }
    if (lock.closeLock() != SOUND_OK) result = 6;
    CloseHandle(held);
    CloseHandle(release);
    return result;
}
