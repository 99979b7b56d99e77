// Placeholder device layer: a system with no HID interfaces. The virtual HID
// bus replaces this file.
#include "platform/emulated/kernel.h"

using namespace emulated::kernel;

namespace {
template <class Result>
Result fail(const char* function, Result result, DWORD error = ERROR_INVALID_HANDLE) {
    auto fault = enter(function);
    SetLastError(fault ? *fault : error);
    return result;
}
}  // namespace

HANDLE WINAPI CreateFileW(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    return fail("CreateFileW", INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND);
}
BOOL WINAPI ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) { return fail("ReadFile", FALSE); }
BOOL WINAPI WriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) { return fail("WriteFile", FALSE); }
BOOL WINAPI CancelIo(HANDLE) { return fail("CancelIo", FALSE); }
BOOL WINAPI GetOverlappedResult(HANDLE, LPOVERLAPPED, LPDWORD, BOOL) { return fail("GetOverlappedResult", FALSE); }
HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID*, LPCWSTR, HWND, DWORD) {
    return fail("SetupDiGetClassDevsW", INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER);
}
BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD, PSP_DEVICE_INTERFACE_DATA) {
    return fail("SetupDiEnumDeviceInterfaces", FALSE);
}
BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_W,
                                             DWORD, LPDWORD, PSP_DEVINFO_DATA) {
    return fail("SetupDiGetDeviceInterfaceDetailW", FALSE);
}
BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO) { return fail("SetupDiDestroyDeviceInfoList", FALSE); }
void NTAPI HidD_GetHidGuid(LPGUID guid) {
    enter("HidD_GetHidGuid");
    *guid = GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}
BOOLEAN NTAPI HidD_GetAttributes(HANDLE, PHIDD_ATTRIBUTES) { return fail("HidD_GetAttributes", BOOLEAN{FALSE}); }
BOOLEAN NTAPI HidD_GetProductString(HANDLE, PVOID, ULONG) { return fail("HidD_GetProductString", BOOLEAN{FALSE}); }
BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE, PHIDP_PREPARSED_DATA*) {
    return fail("HidD_GetPreparsedData", BOOLEAN{FALSE});
}
BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA) { return fail("HidD_FreePreparsedData", BOOLEAN{FALSE}); }
NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA, PHIDP_CAPS) {
    enter("HidP_GetCaps");
    return HIDP_STATUS_INVALID_PREPARSED_DATA;
}
BOOLEAN NTAPI HidD_SetFeature(HANDLE, PVOID, ULONG) { return fail("HidD_SetFeature", BOOLEAN{FALSE}); }
BOOLEAN NTAPI HidD_GetFeature(HANDLE, PVOID, ULONG) { return fail("HidD_GetFeature", BOOLEAN{FALSE}); }
