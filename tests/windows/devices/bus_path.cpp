// The headset model also describes itself for the emulated HID bus of the
// native build (VirtualHeadset::describe), whose interfaces are named by
// HidBus::devicePath. This process has no such bus: its interfaces are pipes
// named after the test's namespace, and nothing here calls describe(). The
// bus's naming is given so that the model links without the emulated kernel.
#include "platform/emulated/hid_bus.h"

#include <cwchar>

namespace emulated {

std::wstring HidBus::devicePath(USHORT vendorId, USHORT productId, unsigned instance) {
    wchar_t path[160];
    std::swprintf(path, sizeof path / sizeof path[0],
                  L"\\\\?\\hid#vid_%04x&pid_%04x#%04x#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  static_cast<unsigned>(vendorId), static_cast<unsigned>(productId), instance);
    return path;
}

}  // namespace emulated
