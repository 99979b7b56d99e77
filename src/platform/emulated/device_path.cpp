// How the emulated bus names its interfaces. On its own so that the headset
// model, which names itself the same way, links without the emulated kernel
// (the headset process of the Wine tests uses it so).
#include "platform/emulated/hid_bus.h"

#include <cwchar>

namespace emulated {

std::wstring HidBus::devicePath(USHORT vendorId, USHORT productId, unsigned instance) {
    wchar_t path[160];
    std::swprintf(path, sizeof path / sizeof path[0],
                  L"\\\\?\\hid#vid_%04x&pid_%04x#7&2a1b3c4d&0&%04x#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  static_cast<unsigned>(vendorId), static_cast<unsigned>(productId), instance);
    return path;
}

}  // namespace emulated
