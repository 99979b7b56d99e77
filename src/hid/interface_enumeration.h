// Walking the present HID interfaces in the order the system enumerates
// them. The connection opens the first that matches; a tool that surveys
// every interface walks the same list the same way.
#pragma once

#include "platform/win32.h"

#include <functional>
#include <optional>

namespace tamo {

// Called with an interface's enumeration index and its device path, or a
// null path when the path cannot be read (the library has then printed why).
// Returning true ends the walk.
using InterfaceVisitor = std::function<bool(DWORD index, const wchar_t* devicePath)>;

// Visits the HID interfaces of `set` until `visit` returns true, and gives
// the index at which it did.
std::optional<DWORD> visitInterfaces(HDEVINFO set, const GUID& hidGuid, const InterfaceVisitor& visit);

}  // namespace tamo
