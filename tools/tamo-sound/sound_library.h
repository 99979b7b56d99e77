// The six exported functions of tamo_settings, as the tool calls them.
//
// On Windows they are resolved by name from tamo_settings.dll beside the
// program, as any host does; the native build links the library itself.
#pragma once

#include "tamo_settings.h"

#include <memory>
#include <string>

namespace tamo::tool {

struct SoundFunctions {
    StatusCode(TAMO_CALL* init)(void) = nullptr;
    StatusCode(TAMO_CALL* destroy)(void) = nullptr;
    StatusCode(TAMO_CALL* setSeeThroughState)(uint8_t) = nullptr;
    StatusCode(TAMO_CALL* setAudioMode)(int32_t) = nullptr;
    StatusCode(TAMO_CALL* setHiPowerState)(uint8_t) = nullptr;
    StatusCode(TAMO_CALL* getState)(SoundState*) = nullptr;
};

// The loaded library; it stays loaded as long as this object lives.
class SoundLibrary {
public:
    // Loads the library. When that fails, functions() is null and error()
    // says why.
    SoundLibrary();
    ~SoundLibrary();
    SoundLibrary(const SoundLibrary&) = delete;
    SoundLibrary& operator=(const SoundLibrary&) = delete;

    const SoundFunctions* functions() const { return loaded_ ? &functions_ : nullptr; }
    const std::string& error() const { return error_; }
    // Where the functions come from: the DLL's path, or "linked in".
    const std::string& origin() const { return origin_; }
    // The library's version: the file version in the DLL's version resource
    // (empty when it was not loaded or has none), or the linked-in library's.
    const std::string& version() const { return version_; }

private:
    SoundFunctions functions_;
    bool loaded_ = false;
    std::string error_;
    std::string origin_;
    std::string version_;
    void* module_ = nullptr;
};

}  // namespace tamo::tool
