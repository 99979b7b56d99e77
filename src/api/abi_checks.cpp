// What the 32-bit DLL relies on of the x86 Windows ABI, checked when it is
// compiled. No machine that builds it can run 32-bit programs, so a wrong
// calling convention or structure size must fail the build instead.
#include "hid/hid_library.h"
#include "tamo_settings.h"

#include <cstddef>
#include <type_traits>

#if defined(_WIN32) && !defined(_WIN64)

namespace tamo {

// hid.dll's functions are __stdcall: called through a __cdecl pointer, the
// stack would be popped twice.
static_assert(std::is_same_v<decltype(HidLibrary::getHidGuid), void(__stdcall*)(LPGUID)>);
static_assert(std::is_same_v<decltype(HidLibrary::getAttributes), BOOLEAN(__stdcall*)(HANDLE, PHIDD_ATTRIBUTES)>);
static_assert(std::is_same_v<decltype(HidLibrary::getProductString), BOOLEAN(__stdcall*)(HANDLE, PVOID, ULONG)>);
static_assert(
    std::is_same_v<decltype(HidLibrary::getPreparsedData), BOOLEAN(__stdcall*)(HANDLE, PHIDP_PREPARSED_DATA*)>);
static_assert(std::is_same_v<decltype(HidLibrary::freePreparsedData), BOOLEAN(__stdcall*)(PHIDP_PREPARSED_DATA)>);
static_assert(std::is_same_v<decltype(HidLibrary::getCaps), NTSTATUS(__stdcall*)(PHIDP_PREPARSED_DATA, PHIDP_CAPS)>);
static_assert(std::is_same_v<decltype(HidLibrary::setFeature), BOOLEAN(__stdcall*)(HANDLE, PVOID, ULONG)>);
static_assert(std::is_same_v<decltype(HidLibrary::getFeature), BOOLEAN(__stdcall*)(HANDLE, PVOID, ULONG)>);

// SetupAPI checks cbSize against the 32-bit layouts (packed to 1 there).
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 6);
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28);

// The host's view of the exports: __cdecl, and the record it passes.
static_assert(std::is_same_v<decltype(&qor_tamo_sound_init), StatusCode(__cdecl*)(void)>);
static_assert(std::is_same_v<decltype(&qor_tamo_sound_destroy), StatusCode(__cdecl*)(void)>);
static_assert(std::is_same_v<decltype(&qor_tamo_sound_set_see_through_state), StatusCode(__cdecl*)(uint8_t)>);
static_assert(std::is_same_v<decltype(&qor_tamo_sound_set_audio_mode), StatusCode(__cdecl*)(int32_t)>);
static_assert(std::is_same_v<decltype(&qor_tamo_sound_set_hi_power_state), StatusCode(__cdecl*)(uint8_t)>);
static_assert(std::is_same_v<decltype(&qor_tamo_sound_get_state), StatusCode(__cdecl*)(SoundState*)>);
static_assert(!std::is_same_v<StatusCode(__cdecl*)(void), StatusCode(__stdcall*)(void)>,
              "the compiler must tell the conventions apart for these checks to mean anything");
static_assert(sizeof(SoundState) == 8 && offsetof(SoundState, hiPowerState) == 1 &&
              offsetof(SoundState, audioMode) == 4);

}  // namespace tamo

#endif
