// The values of TAMO_SETTINGS_DIAGNOSTICS and the sink each one names.
// (Where the lines then go is tested with the real DLL under Wine.)
#include "platform/diagnostics_sink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamo::test {
namespace {

struct NameCase {
    std::wstring value;
    DiagnosticsSink sink;
};

TEST(DiagnosticsSink, EachValueNamesItsSinkAndAnyOtherStandardOutput) {
    const std::vector<NameCase> cases = {
        {L"stdout", DiagnosticsSink::Stdout},    {L"debugger", DiagnosticsSink::Debugger},
        {L"DEBUGGER", DiagnosticsSink::Debugger}, {L"Debugger", DiagnosticsSink::Debugger},
        {L"off", DiagnosticsSink::Off},           {L"OFF", DiagnosticsSink::Off},
        {L"", DiagnosticsSink::Stdout},           {L"debug", DiagnosticsSink::Stdout},
        {L"debuggers", DiagnosticsSink::Stdout},  {L"off ", DiagnosticsSink::Stdout},
        {L" off", DiagnosticsSink::Stdout},       {L"none", DiagnosticsSink::Stdout},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(diagnosticsSinkNamed(c.value), c.sink) << std::string(c.value.begin(), c.value.end());
    }
}

}  // namespace
}  // namespace tamo::test
