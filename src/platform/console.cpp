#include "platform/console.h"

#include "platform/win32.h"

#if !defined(_WIN32)
#include "platform/emulated/utf8.h"
#endif

#include <cstdio>

namespace tamo {

void printLine(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printWideLine(const std::wstring& text) {
#if defined(_WIN32)
    // %ls, not %s: MinGW's wprintf may take %s as a narrow string.
    std::wprintf(L"%ls\n", text.c_str());
#else
    std::string utf8 = utf8FromUtf16(text);
    std::printf("%s\n", utf8.c_str());
#endif
}

}  // namespace tamo
