// What every fuzz target shares: the emulated Windows, and a way to report a
// broken promise.
#pragma once

#include "platform/emulated/world.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tamo::fuzz {

// One world for the whole run, its directory in memory where possible (the
// configuration file is rewritten for every input); reset() it per input.
emulated::World& world();

// Ends the run as a crash that libFuzzer records, with the input that caused it.
[[noreturn]] void broken(const char* promise, const std::string& detail = {});
inline void require(bool kept, const char* promise, const std::string& detail = {}) {
    if (!kept) broken(promise, detail);
}

// Nothing the platform handed out is still open or allocated.
void requireNothingHeld();

// Printable form of text that may hold any byte, for crash reports.
std::string escaped(std::string_view text);

}  // namespace tamo::fuzz
