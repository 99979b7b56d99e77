// System error texts and the order of narrow and wide lines.
#include "api/diagnostics.h"
#include "platform/console.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

namespace tamo::test {
namespace {

using DiagnosticsTest = PlatformTest;

TEST_F(DiagnosticsTest, SystemTextIsKeptWholeWithItsLineBreak) {
    for (DWORD code : {ERROR_INVALID_HANDLE, ERROR_ACCESS_DENIED, ERROR_TOO_MANY_POSTS}) {
        std::wstring text = systemErrorText(code);
        ASSERT_GE(text.size(), 2u) << code;
        EXPECT_EQ(text.substr(text.size() - 2), L"\r\n") << code;
    }
}

TEST_F(DiagnosticsTest, CodeWithoutAMessageGivesAnEmptyText) {
    EXPECT_EQ(systemErrorText(0x2000DEADu), L"");
}

TEST_F(DiagnosticsTest, PrintLastErrorPrintsTheTextOfTheLastErrorAsOneLine) {
    // The text keeps its own "\r\n", then the format adds "\n".
    auto expected = systemErrorLines(ERROR_INVALID_HANDLE);
    ASSERT_FALSE(expected.empty());
    LineRedirect out;
    SetLastError(ERROR_INVALID_HANDLE);
    printLastError();
    EXPECT_EQ(out.lines(), expected);
}

TEST_F(DiagnosticsTest, NarrowAndWideLinesKeepTheirOrder) {
    LineRedirect out;
    printLine("first");
    printWideLine(L"second");
    printLine("third");
    printLine("fourth");
    printWideLine(L"fifth");
    EXPECT_EQ(out.lines(), (std::vector<std::string>{"first", "second", "third", "fourth", "fifth"}));
}

}  // namespace
}  // namespace tamo::test
