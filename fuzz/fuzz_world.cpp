#include "fuzz_world.h"

#include "platform/emulated/system.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace tamo::fuzz {

namespace {

// On a memory file system when there is one, since a disk's file system
// may flush a file that is truncated and rewritten.
std::filesystem::path scratchRoot() {
    std::error_code ignored;
    if (std::filesystem::is_directory("/dev/shm", ignored) && access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

}  // namespace

emulated::World& world() {
    static emulated::World instance(scratchRoot());
    return instance;
}

void broken(const char* promise, const std::string& detail) {
    std::fprintf(stderr, "\nbroken promise: %s\n%s\n", promise, detail.c_str());
    std::abort();
}

void requireNothingHeld() {
    require(emulated::System::openHandleCount() == 0, "every platform handle is closed",
            std::to_string(emulated::System::openHandleCount()) + " open");
    require(emulated::System::outstandingAllocations() == 0, "every platform allocation is given back");
}

std::string escaped(std::string_view text) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

}  // namespace tamo::fuzz
