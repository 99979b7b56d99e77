#include "replaced_new.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>

// Linked with -Wl,--wrap=malloc, a program's malloc is a wrapper that may
// fail; operator new then takes its storage from the real one.
extern "C" [[gnu::weak]] void* __real_malloc(std::size_t size);

namespace {

void* allocate(std::size_t size) {
    if (size == 0) size = 1;
    return __real_malloc != nullptr ? __real_malloc(size) : std::malloc(size);
}

}  // namespace

namespace tamo::test {

bool isPlatformSymbol(const char* name) {
    if (std::strncmp(name, "_ZN8emulated", 12) == 0 || std::strncmp(name, "_ZNK8emulated", 13) == 0) return true;
    if (std::strncmp(name, "_Z", 2) != 0 || !std::isdigit(static_cast<unsigned char>(name[2]))) return false;
    const char* identifier = name + 2;
    while (std::isdigit(static_cast<unsigned char>(*identifier))) ++identifier;
    return std::isupper(static_cast<unsigned char>(*identifier)) || *identifier == '_';
}

bool calledFromPlatform() {
    void* frames[128];
    int count = backtrace(frames, 128);
    for (int i = 0; i < count; ++i) {
        Dl_info info;
        if (dladdr(frames[i], &info) != 0 && info.dli_sname != nullptr && isPlatformSymbol(info.dli_sname)) {
            return true;
        }
    }
    return false;
}

}  // namespace tamo::test

void* operator new(std::size_t size) {
    if (tamo::test::failThisNew(false)) throw std::bad_alloc();
    if (void* block = allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (tamo::test::failThisNew(true)) return nullptr;
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
