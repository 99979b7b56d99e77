// A DLL of this build loaded at run time, the way a host that uses
// LoadLibraryW and GetProcAddress calls the library's six exports.
#pragma once

#include "beside_program.h"
#include "platform/win32.h"
#include "tamo_settings.h"

#include <string>

namespace tamo::test {

class LoadedLibrary {
public:
    explicit LoadedLibrary(const wchar_t* fileName) : module_(LoadLibraryW(besideProgram(fileName).c_str())) {}
    ~LoadedLibrary() {
        if (module_) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return module_ != nullptr; }
    HMODULE module() const { return module_; }

    template <class Function>
    Function* get(const char* name) const {
        return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }

    StatusCode init() const { return get<decltype(qor_tamo_sound_init)>("qor_tamo_sound_init")(); }
    StatusCode destroy() const { return get<decltype(qor_tamo_sound_destroy)>("qor_tamo_sound_destroy")(); }
    StatusCode seeThrough(uint8_t on) const {
        return get<decltype(qor_tamo_sound_set_see_through_state)>("qor_tamo_sound_set_see_through_state")(on);
    }
    StatusCode audioMode(int32_t mode) const {
        return get<decltype(qor_tamo_sound_set_audio_mode)>("qor_tamo_sound_set_audio_mode")(mode);
    }
    StatusCode hiPower(uint8_t on) const {
        return get<decltype(qor_tamo_sound_set_hi_power_state)>("qor_tamo_sound_set_hi_power_state")(on);
    }
    StatusCode state(SoundState* out) const {
        return get<decltype(qor_tamo_sound_get_state)>("qor_tamo_sound_get_state")(out);
    }

private:
    HMODULE module_;
};

}  // namespace tamo::test
