/*
 * tamo_settings: audio control of the headset over its vendor-defined HID
 * interface, for Windows hosts: one build of the DLL for 32-bit (x86) and
 * one for 64-bit (x64) hosts, the same functions with the same behaviour.
 *
 * USE
 *
 * Call qor_tamo_sound_init first: it asks the headset for its firmware
 * version and enables the library when it is 103 or later. Then call the
 * four commands (qor_tamo_sound_set_audio_mode,
 * qor_tamo_sound_set_hi_power_state, qor_tamo_sound_set_see_through_state,
 * qor_tamo_sound_get_state) as often as needed, and qor_tamo_sound_destroy
 * last. After qor_tamo_sound_destroy the sequence may start again with
 * qor_tamo_sound_init. Every function returns a StatusCode: SOUND_OK (0) or
 * one of the negative codes below.
 *
 * THE HEADSET
 *
 * Between calls the library holds no handle, memory or configuration: it
 * keeps whether it is initialised, and hid.dll once it has loaded it from
 * the system directory. Each exchange with the headset is complete: it
 * reads the device table (hmd_config.ini beside the host's executable, or the
 * three built-in entries; see hmd_config.md; a file too large for the
 * memory at hand counts as one that cannot be read), enumerates the HID interfaces
 * present, opens the first one that matches the table, exchanges its
 * 64-byte reports and closes the interface again. A function that needs
 * several exchanges opens the headset for each of them.
 *
 * BLOCKING
 *
 * Every function runs on the caller's thread; the library starts no thread.
 * An input or output report transfer waits at most 10000 ms for completion.
 * Feature-report transfers (HidD_SetFeature, HidD_GetFeature) have no time
 * limit of the library's own: they take as long as the driver does. The
 * worst cases stated for each function count the library's own waits; they
 * do not count the time the system takes to enumerate and open the HID
 * interfaces, to read hmd_config.ini, or to cancel a timed-out transfer.
 *
 * THREADS AND PROCESSES
 *
 * The four commands are serialised across every thread of every process of
 * the Windows session that uses the library: each takes the named semaphore
 * "SoundModeSwitchLocker" (maximum count 1, no namespace prefix) with a 0 ms
 * wait, holds it for all of its exchanges and releases it before it returns.
 * A command that finds it taken, also by another thread of the same process,
 * returns SOUND_ERROR_LOCK_BUSY at once and sends nothing; retrying is the
 * caller's choice. The lock never waits, so it cannot deadlock, and it is
 * not recursive. A semaphore has no owner: a process that ends inside a
 * command leaves it taken for as long as another handle to it stays open
 * (handles are open only during command calls).
 *
 * qor_tamo_sound_init and qor_tamo_sound_destroy do not take the semaphore
 * and are not serialised with the commands; the host orders them. The
 * initialised flag is per process and is written without any ordering
 * against other threads: a command that runs while another thread is in
 * qor_tamo_sound_init or qor_tamo_sound_destroy may find the library
 * initialised or not. The firmware query of qor_tamo_sound_init may overlap
 * another caller's command on the same headset.
 *
 * DIAGNOSTICS
 *
 * The library writes plain lines, without prefix or time stamp, to the
 * process's standard output, through the DLL's own C runtime, never to
 * standard error or a file:
 *
 *   reading hmd_config.ini (every function but qor_tamo_sound_destroy):
 *     "strtok_r() is failed!!" and "getKeyValueFromBuffer(<line>) is failed!!"
 *         for a line that is not key=value; the file is then ignored
 *     "Cannot find the key:<key>" for a key the file lacks
 *     (once for every exchange, since every exchange reads the file)
 *   finding the headset (every function but qor_tamo_sound_destroy):
 *     "SetupDiGetClassDevs failed: <error code>"
 *     "Error: OpenDeviceInterface: malloc failed"
 *     "Error: SetupDiGetInterfaceDeviceDetail failed"
 *     "Error: HidD_GetAttributes failed"
 *   the semaphore (the four commands):
 *     "Handle is exist." when it already existed, that is, when another
 *         caller had it open; not an error
 *     the system's message for the error code when it cannot be created,
 *         waited on, released or closed
 *   the firmware check (qor_tamo_sound_init):
 *     "MCU FW is not supported!!(Current Version:<text>)" and
 *     "mc_version:<number>" with SOUND_ERROR_FIRMWARE_UNSUPPORTED
 *
 * A host without a console (a GUI program, a service) can have the lines
 * elsewhere: the environment variable TAMO_SETTINGS_DIAGNOSTICS, read once
 * per process when the first line is printed, says where (case does not
 * matter):
 *   stdout     standard output, as above (also when the variable is not
 *              set, or holds anything else)
 *   debugger   each line, with its "\n", as one OutputDebugStringA call
 *              (OutputDebugStringW for the system's message): a debugger,
 *              or DebugView, shows them; nothing reaches standard output
 *   off        nowhere
 * A line sent to the debugger ends at its first NUL byte, as a C string
 * does.
 */
#ifndef TAMO_SETTINGS_H
#define TAMO_SETTINGS_H

/* The version of this header and of the DLL built with it; the DLL's file
 * version resource says the same (major.minor.patch.0). */
#define TAMO_SETTINGS_VERSION_MAJOR 0
#define TAMO_SETTINGS_VERSION_MINOR 2
#define TAMO_SETTINGS_VERSION_PATCH 0

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
    SOUND_ERROR_NOT_INITIALIZED = -2000,      /* qor_tamo_sound_init has not succeeded, or
                                                 qor_tamo_sound_destroy was called since */
    SOUND_ERROR_SEE_THROUGH_DISABLED = -1999, /* hmd_config.ini does not enable see-through */
    SOUND_ERROR_INVALID_ARGUMENT = -1998,     /* a mode other than 0, 1 or 2, or a null
                                                 state pointer */
    SOUND_ERROR_DEVICE_NOT_FOUND = -1997,     /* no HID interface matching the device table
                                                 could be opened */
    SOUND_ERROR_OUT_OF_MEMORY = -1996,        /* memory ran out: no report buffer, or any
                                                 allocation failure during the call but
                                                 those of reading hmd_config.ini, which
                                                 count as a file that cannot be read;
                                                 nothing is held afterwards */
    SOUND_ERROR_TRANSFER_FAILED = -1995,      /* a report could not be sent or read, or an
                                                 input or output report not within 10 s */
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

/* The layout checked where the language has the means: C++11 (MSVC keeps
 * __cplusplus at 199711L unless asked, and says its own in _MSVC_LANG) and
 * C11. C89, C99 and C++98 compile the header without it. */
#if defined(__cplusplus) && (__cplusplus >= 201103L || (defined(_MSVC_LANG) && _MSVC_LANG >= 201103L))
static_assert(offsetof(SoundState, audioMode) == 4 && sizeof(SoundState) == 8, "SoundState layout");
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(offsetof(SoundState, audioMode) == 4 && sizeof(SoundState) == 8, "SoundState layout");
#endif

/*
 * qor_tamo_sound_init: checks the headset's firmware and enables the library.
 *
 * Sends the version request (output report 1: 01 66 22, then zeros) and reads
 * input reports until the version reply (an input report starting 01 66 22)
 * arrives, at most 101 of them, pausing 10 ms after each one that is not the
 * reply. The reply carries the version as text: ten "0" characters and two
 * three-digit numbers, the second being the firmware version. From 103 on
 * the library is enabled (also when it already was; the firmware is asked
 * again).
 *
 * Results, the first that applies:
 *   SOUND_ERROR_DEVICE_NOT_FOUND      no matching headset could be opened
 *   SOUND_ERROR_TRANSFER_FAILED       the request was not sent within 10 s
 *                                     or completed with an error, a read was
 *                                     refused or did not complete within
 *                                     10 s, or none of the 101 input reports
 *                                     was the version reply (a read that
 *                                     completes with an error, as on a
 *                                     connection that drops, brought none)
 *   SOUND_ERROR_FIRMWARE_UNSUPPORTED  a version below 103, or a reply whose
 *                                     text is not of the form above
 *   SOUND_OK                          the library is enabled
 * and SOUND_ERROR_OUT_OF_MEMORY when memory runs out at any step.
 * A failure leaves the initialised flag as it was: an earlier success stays.
 *
 * Blocks up to 10 s for the request, then up to 10 s for each input report
 * and 10 ms after each report that is not the reply: at most
 * 10 s + 101 x (10 s + 10 ms) = 1021.01 s (about 17 minutes), reached only by
 * a headset that completes every transfer just in time and never replies. A
 * headset that sends no input report at all fails it within 20 s; a reply
 * read first costs no pause.
 *
 * Prints the configuration and discovery lines, and the two firmware lines
 * with SOUND_ERROR_FIRMWARE_UNSUPPORTED.
 *
 * Takes no lock: not serialised with the commands or with another init.
 */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_init(void);

/*
 * qor_tamo_sound_destroy: disables the library.
 *
 * Clears the initialised flag, so that every command returns
 * SOUND_ERROR_NOT_INITIALIZED until the next successful qor_tamo_sound_init.
 * Touches no headset, file or lock, prints nothing, never blocks, and always
 * returns SOUND_OK, initialised or not. Not serialised with the commands: a
 * command already running on another thread completes.
 */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_destroy(void);

/*
 * The four commands share one order of steps, and the first failing step
 * gives the result:
 *
 *   1. SOUND_ERROR_NOT_INITIALIZED when the library is not initialised;
 *      nothing else happens.
 *   2. The command's own precondition (below); nothing else happens.
 *   3. SOUND_ERROR_LOCK_CREATE_FAILED when the semaphore cannot be opened;
 *      SOUND_ERROR_LOCK_BUSY when another caller holds it;
 *      SOUND_ERROR_LOCK_WAIT_FAILED when waiting on it fails. Nothing is sent.
 *   4. The exchanges with the headset, each opening it afresh:
 *      SOUND_ERROR_DEVICE_NOT_FOUND when no matching headset can be opened
 *      (hid.dll cannot be loaded, the HID interfaces cannot be enumerated,
 *      or none that opens for reading and writing matches the table),
 *      SOUND_ERROR_TRANSFER_FAILED when a report cannot be sent or read,
 *      SOUND_ERROR_OUT_OF_MEMORY when memory runs out (at any step after 1).
 *      The first failing exchange ends the command.
 *   5. The semaphore is released and closed on every path once it was
 *      opened. After an exchange failed their results are dropped; after
 *      success SOUND_ERROR_LOCK_RELEASE_FAILED, then
 *      SOUND_ERROR_LOCK_CLOSE_FAILED, can still be returned although the
 *      headset got the command.
 *
 * Feature report 4 with command word 0x2978 is the command report: 04 78 29
 * 38, then a 56-byte payload whose first four bytes are the function code
 * (little-endian), all bytes not named below zero.
 *
 * Besides the configuration and discovery lines of step 4, a command prints
 * "Handle is exist." whenever another caller had the semaphore open (so
 * also before SOUND_ERROR_LOCK_BUSY), and the system's error text when
 * creating, waiting on, releasing or closing the semaphore fails.
 */

/*
 * qor_tamo_sound_set_see_through_state: switches see-through on or off.
 *
 * Precondition: ENABLE_SEE_THROUGH in hmd_config.ini is a nonzero number,
 * else SOUND_ERROR_SEE_THROUGH_DISABLED. The file is read for this before the
 * lock is tried and the headset looked for, so the result comes even when
 * the lock is busy or no headset is connected; reading it may print the
 * configuration lines ("Cannot find the key:ENABLE_SEE_THROUGH" when the
 * key is missing).
 *
 * Sends one command report: function code 0x20, byte 17 0xC0 when `enable`
 * is non-zero (on), 0x80 when it is zero (off).
 *
 * No wait of its own: blocks for as long as the driver takes to complete
 * one HidD_SetFeature, which has no time limit of the library's own. The
 * lock is never waited for.
 */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_see_through_state(uint8_t enable);

/*
 * qor_tamo_sound_set_audio_mode: sets the headset's audio mode.
 *
 * Precondition: `mode` is 0, 1 or 2, else SOUND_ERROR_INVALID_ARGUMENT and
 * nothing is sent (negative values included).
 *
 * Sends one command report: function code 0x20, byte 17 the mode.
 *
 * No wait of its own: blocks for as long as the driver takes to complete
 * one HidD_SetFeature, which has no time limit of the library's own.
 */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_audio_mode(int32_t mode);

/*
 * qor_tamo_sound_set_hi_power_state: switches high power on or off.
 *
 * No precondition of its own. Sends one command report: function code
 * 0x08, byte 15 0 when `enable` is non-zero (on), 1 when it is zero (off).
 *
 * No wait of its own: blocks for as long as the driver takes to complete
 * one HidD_SetFeature, which has no time limit of the library's own.
 */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_set_hi_power_state(uint8_t enable);

/*
 * qor_tamo_sound_get_state: reads high power and the audio mode back.
 *
 * Precondition: `state` is not null, else SOUND_ERROR_INVALID_ARGUMENT.
 *
 * Three exchanges under one hold of the lock, each opening the headset
 * afresh; the first that fails ends the call:
 *   1. the status request: a command report with function code 0x01 and
 *      byte 12 = 1;
 *   2. the status feature report (feature report 4, 04 87 29 3C) with
 *      HidD_GetFeature; its byte 61 gives state->hiPowerState: 1 when the
 *      byte is 0, else 0. Written at once;
 *   3. the first input report of the freshly opened headset, whatever its
 *      ID; its byte 10, signed, gives state->audioMode: 0, 1 or 2 as read,
 *      3 for any other value.
 * A failure in 1 or 2 leaves *state untouched; a failure in 3 leaves the new
 * hiPowerState and the old audioMode. state->reserved is never written.
 *
 * Blocks up to 10 s for the input report of step 3, plus whatever the
 * driver takes for the HidD_SetFeature of step 1 and the HidD_GetFeature of
 * step 2, which have no time limit of the library's own. The lock is held,
 * and other callers get SOUND_ERROR_LOCK_BUSY, for the whole call. A headset
 * that sends no input report makes it return SOUND_ERROR_TRANSFER_FAILED
 * after 10 s; a read of step 3 that completes with an error (a connection
 * that drops) returns it at once.
 */
TAMO_API StatusCode TAMO_CALL qor_tamo_sound_get_state(SoundState* state);

#ifdef __cplusplus
}
#endif

#endif /* TAMO_SETTINGS_H */
