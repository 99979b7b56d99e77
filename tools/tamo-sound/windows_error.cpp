#include "windows_error.h"

#include "inspect/library_facts.h"
#include "text_paths.h"

#include <string_view>

namespace tamo::tool {
namespace {

struct Advice {
    unsigned long code;
    const char* text;
};

// The numbers are Windows' own (winerror.h); written out so that the table
// reads the same on the emulated build.
constexpr Advice kAdvice[] = {
    {2, "the file or device is not there: check the path, or plug the headset in again"},
    {5, "Windows refused access: another program may hold the headset exclusively, or this account may not open it"},
    {32, "another program holds the headset open: close it (a vendor tool, another tamo-sound) and try again"},
    {109, "the program reading this output has closed it (a pipe into a command that ended early)"},
    {126, "put tamo_settings.dll beside tamo-sound.exe (a DLL that it needs may be missing too)"},
    {193, "this program cannot load that file: tamo-sound.exe and tamo_settings.dll must come from the same SDK "
          "(-win32 or -win64: a program loads only a DLL of its own size), and a damaged copy loads in none"},
    {232, "the program reading this output has closed it (a pipe into a command that ended early)"},
};

// Some messages name their subject with an insert ("%1 is not a valid
// Win32 application."); the tool asks for them without inserts.
constexpr std::string_view kInsert = "%1";
constexpr std::string_view kInsertSubject = "the file";

}  // namespace

const char* windowsErrorAdvice(unsigned long code) {
    for (const Advice& advice : kAdvice) {
        if (advice.code == code) return advice.text;
    }
    return nullptr;
}

std::string describeWindowsError(unsigned long code) {
    return describeWindowsError(code, utf8FromWide(inspect::systemErrorText(static_cast<DWORD>(code))));
}

std::string describeWindowsError(unsigned long code, std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    for (std::size_t at = text.find(kInsert); at != std::string::npos;
         at = text.find(kInsert, at + kInsertSubject.size())) {
        text.replace(at, kInsert.size(), kInsertSubject);
    }
    std::string description = "Windows error " + std::to_string(code);
    if (!text.empty()) description += " (" + text + ")";
    if (const char* advice = windowsErrorAdvice(code)) description += "; advice: " + std::string(advice);
    return description;
}

}  // namespace tamo::tool
