// The library's six exported functions, as the public header declares them:
// the one list that the tool's commands and the tests' call tables follow.
#pragma once

#include <array>
#include <cstddef>

// X(name, function) for each export, in the header's order.
#define TAMO_SETTINGS_EXPORTS(X)                     \
    X(Init, qor_tamo_sound_init)                     \
    X(Destroy, qor_tamo_sound_destroy)               \
    X(SeeThrough, qor_tamo_sound_set_see_through_state) \
    X(AudioMode, qor_tamo_sound_set_audio_mode)      \
    X(HiPower, qor_tamo_sound_set_hi_power_state)    \
    X(GetState, qor_tamo_sound_get_state)

namespace tamo::inspect {

enum class Export {
#define TAMO_EXPORT_ENUMERATOR(name, function) name,
    TAMO_SETTINGS_EXPORTS(TAMO_EXPORT_ENUMERATOR)
#undef TAMO_EXPORT_ENUMERATOR
};

inline constexpr std::array kExports = {
#define TAMO_EXPORT_VALUE(name, function) Export::name,
    TAMO_SETTINGS_EXPORTS(TAMO_EXPORT_VALUE)
#undef TAMO_EXPORT_VALUE
};

// "qor_tamo_sound_init", ...
constexpr const char* exportFunctionName(Export which) {
    switch (which) {
#define TAMO_EXPORT_CASE(name, function) \
    case Export::name:                   \
        return #function;
        TAMO_SETTINGS_EXPORTS(TAMO_EXPORT_CASE)
#undef TAMO_EXPORT_CASE
    }
    return "";
}

}  // namespace tamo::inspect
