#include "emulated_platform.h"

#include "api/mode_switch_lock.h"
#include "hid/hid_library.h"
#include "platform/emulated/system.h"

namespace tamo::test {

void enterFreshPlatform() {
    tamo::HidLibrary::instance();
    emulated::System::reset();
}

std::vector<std::string> platformLeftovers() {
    std::vector<std::string> left;
    if (const std::size_t handles = emulated::System::openHandleCount(); handles != 0) {
        left.push_back(std::to_string(handles) + " handle(s) left open");
    }
    if (const std::size_t blocks = emulated::System::outstandingAllocations(); blocks != 0) {
        left.push_back(std::to_string(blocks) + " block(s) of platform memory not given back");
    }
    return left;
}

bool lockGone() { return emulated::System::semaphoreCount(kModeSwitchLockName) == std::nullopt; }

}  // namespace tamo::test
