// How the headset's HID interfaces are enumerated and opened. Shared with
// tools that look at the system's interfaces the way the library does.
#pragma once

#include "platform/win32.h"

namespace tamo::device_access {

inline constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;
inline constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
// Another process, or another connection, may hold the interface open too.
inline constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Overlapped only so that input and output report waits can be bounded.
inline constexpr DWORD kFlags = FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL;
// The detail record's fixed part: its size field and one path unit (6 bytes
// on 32-bit Windows). Windows checks the size field against exactly this.
inline constexpr DWORD kDetailFixedSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);

}  // namespace tamo::device_access
