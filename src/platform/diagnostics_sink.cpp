#include "platform/diagnostics_sink.h"

#include "platform/win32.h"

#include <algorithm>
#include <array>
#include <cwctype>

namespace tamo {
namespace {

bool equalIgnoringCase(std::wstring_view value, std::wstring_view name) {
    return std::equal(value.begin(), value.end(), name.begin(), name.end(),
                      [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

// The variable's value; empty when it is not set, or longer than any name
// of a sink.
std::wstring_view readVariable(std::array<wchar_t, 16>& buffer) {
    const DWORD length = GetEnvironmentVariableW(kDiagnosticsVariable, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    return std::wstring_view(buffer.data(), length);
}

}  // namespace

DiagnosticsSink diagnosticsSinkNamed(std::wstring_view value) {
    if (equalIgnoringCase(value, L"debugger")) return DiagnosticsSink::Debugger;
    if (equalIgnoringCase(value, L"off")) return DiagnosticsSink::Off;
    return DiagnosticsSink::Stdout;
}

DiagnosticsSink diagnosticsSink() {
    static const DiagnosticsSink sink = [] {
        std::array<wchar_t, 16> buffer{};
        return diagnosticsSinkNamed(readVariable(buffer));
    }();
    return sink;
}

}  // namespace tamo
