// Where the library's diagnostic lines go, chosen once per process by the
// environment variable TAMO_SETTINGS_DIAGNOSTICS: a GUI or service host has
// no standard output, and support would see nothing there.
#pragma once

#include <string_view>

namespace tamo {

enum class DiagnosticsSink {
    Stdout,    // "stdout", and anything else, or no variable: standard output
    Debugger,  // "debugger": OutputDebugString, one call a line
    Off,       // "off": nowhere
};

inline constexpr const wchar_t* kDiagnosticsVariable = L"TAMO_SETTINGS_DIAGNOSTICS";

// The sink a value of the variable names; case does not matter.
DiagnosticsSink diagnosticsSinkNamed(std::wstring_view value);

// The process's sink: the variable as it was when the first line was
// printed.
DiagnosticsSink diagnosticsSink();

}  // namespace tamo
