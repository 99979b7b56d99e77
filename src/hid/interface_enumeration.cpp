#include "hid/interface_enumeration.h"

#include "hid/device_access.h"
#include "platform/console.h"

#include <cstdlib>
#include <memory>

namespace tamo {
namespace {

using namespace device_access;

// A record of variable length: the C heap, not an exception-throwing new,
// since running out here only skips the interface.
struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};
using DetailBlock = std::unique_ptr<SP_DEVICE_INTERFACE_DETAIL_DATA_W, FreeBlock>;

// The interface's detail record, which holds its device path; nothing, with
// the line that says why, when it cannot be read.
DetailBlock readDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData) {
    // Asked only for the size, so its failure is the expected answer.
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &required, nullptr);
    // Less than the fixed part means the call failed for another reason; a
    // block that small could not even take the size field.
    if (required < kDetailFixedSize) {
        printLine("Error: SetupDiGetInterfaceDeviceDetail failed");
        return nullptr;
    }
    DetailBlock detail(static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(std::malloc(required)));
    if (!detail) {
        printLine("Error: OpenDeviceInterface: malloc failed");
        return nullptr;
    }
    detail->cbSize = kDetailFixedSize;
    if (!SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail.get(), required, nullptr, nullptr)) {
        printLine("Error: SetupDiGetInterfaceDeviceDetail failed");
        return nullptr;
    }
    return detail;
}

}  // namespace

std::optional<DWORD> visitInterfaces(HDEVINFO set, const GUID& hidGuid, const InterfaceVisitor& visit) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData); ++index) {
        DetailBlock detail = readDetail(set, interfaceData);
        if (visit(index, detail ? detail->DevicePath : nullptr)) return index;
    }
    return std::nullopt;
}

}  // namespace tamo
