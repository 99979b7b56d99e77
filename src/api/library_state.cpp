#include "api/library_state.h"

#include <atomic>
#include <cstdint>

namespace tamo {
namespace {
std::atomic<std::uint8_t> initialisedFlag{0};
}

bool isInitialised() { return initialisedFlag.load(std::memory_order_relaxed) != 0; }

void setInitialised(bool initialised) {
    initialisedFlag.store(initialised ? 1 : 0, std::memory_order_relaxed);
}

}  // namespace tamo
