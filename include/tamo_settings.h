/*
 * tamo_settings: audio control of the headset over its vendor-defined HID
 * interface.
 *
 * Call qor_tamo_sound_init first; it enables the library when the headset's
 * firmware is version 103 or later. Then call the setters and
 * qor_tamo_sound_get_state as often as needed, and qor_tamo_sound_destroy
 * last. Every function returns a StatusCode: 0 on success, a negative value
 * from the table below on failure. Each call opens the headset, talks to it
 * and closes it again before it returns; nothing is held between calls.
 *
 * Commands are serialised across every process of the Windows session by the
 * named semaphore "SoundModeSwitchLocker". A command that finds it taken
 * returns SOUND_ERROR_LOCK_BUSY at once; retrying is the caller's choice.
 *
 * Diagnostic lines go to the process's standard output.
 */
#ifndef TAMO_SETTINGS_H
#define TAMO_SETTINGS_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define TAMO_CALL __cdecl
#if defined(TAMO_SETTINGS_BUILDING)
#define TAMO_API __declspec(dllexport)
#elif defined(TAMO_SETTINGS_STATIC)
#define TAMO_API
#else
#define TAMO_API __declspec(dllimport)
#endif
#else
#define TAMO_CALL
#define TAMO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The result of every exported function. */
typedef int32_t StatusCode;

enum {
    SOUND_OK = 0,
    SOUND_ERROR_NOT_INITIALIZED = -2000,      /* qor_tamo_sound_init has not succeeded */
    SOUND_ERROR_SEE_THROUGH_DISABLED = -1999, /* hmd_config.ini does not enable see-through */
    SOUND_ERROR_INVALID_ARGUMENT = -1998,     /* bad mode, null pointer, lock misuse */
    SOUND_ERROR_DEVICE_NOT_FOUND = -1997,     /* no headset matching the device table */
    SOUND_ERROR_OUT_OF_MEMORY = -1996,        /* memory ran out: no report buffer, or any
                                                 allocation failure during the call; nothing
                                                 is held afterwards */
    SOUND_ERROR_TRANSFER_FAILED = -1995,      /* a report could not be sent or read */
    SOUND_ERROR_LOCK_CREATE_FAILED = -1994,   /* the named semaphore could not be opened */
    SOUND_ERROR_LOCK_CLOSE_FAILED = -1993,    /* its handle could not be closed */
    SOUND_ERROR_LOCK_WAIT_FAILED = -1992,     /* waiting on it failed */
    SOUND_ERROR_LOCK_RELEASE_FAILED = -1991,  /* releasing it failed */
    SOUND_ERROR_LOCK_BUSY = -1990,            /* another caller holds it */
    SOUND_ERROR_FIRMWARE_UNSUPPORTED = -1985  /* headset firmware older than 103 */
};

/* Filled by qor_tamo_sound_get_state. `reserved` is never written. */
typedef struct SoundState {
    uint8_t reserved;
    uint8_t hiPowerState; /* 1: high power on, 0: off */
    int32_t audioMode;    /* 0, 1 or 2; 3 for a value the headset should not report */
} SoundState;

#if defined(__cplusplus)
static_assert(offsetof(SoundState, audioMode) == 4 && sizeof(SoundState) == 8, "SoundState layout");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(offsetof(SoundState, audioMode) == 4 && sizeof(SoundState) == 8, "SoundState layout");
#endif

/* Asks the headset for its firmware version; enables the library for 103 and
 * later. Returns 0, SOUND_ERROR_FIRMWARE_UNSUPPORTED, DEVICE_NOT_FOUND or
 * TRANSFER_FAILED (also when the headset sends no version reply). A failure
 * leaves an earlier success in place. */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_init(void);

/* Disables the library. Always 0. */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_destroy(void);

/* Any non-zero `enable` means on. Needs ENABLE_SEE_THROUGH in hmd_config.ini. */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_see_through_state(uint8_t enable);

/* mode: 0, 1 or 2; any other value gives SOUND_ERROR_INVALID_ARGUMENT and
 * sends nothing. */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_audio_mode(int32_t mode);

/* Any non-zero `enable` means on. */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_hi_power_state(uint8_t enable);

/* Reads the high-power state and the audio mode into *state. */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_get_state(SoundState* state);

#ifdef __cplusplus
}
#endif

#endif /* TAMO_SETTINGS_H */
