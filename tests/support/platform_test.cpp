#include "platform_test.h"

#include "api/diagnostics.h"
#include "platform/console.h"
#include "platform/line_redirect.h"

#if !defined(_WIN32)
#include "emulated_platform.h"
#include "platform/emulated/utf8.h"
#endif

namespace tamo::test {

void PlatformTest::SetUp() {
#if !defined(_WIN32)
    enterFreshPlatform();
#endif
    qor_tamo_sound_destroy();
}

void PlatformTest::TearDown() {
#if !defined(_WIN32)
    for (const std::string& left : platformLeftovers()) ADD_FAILURE() << left;
#endif
    qor_tamo_sound_destroy();
}

std::vector<std::string> systemErrorLines(unsigned long code) {
    LineRedirect capture;
    tamo::printWideLine(tamo::systemErrorText(static_cast<DWORD>(code)));
    return capture.lines();
}

}  // namespace tamo::test
