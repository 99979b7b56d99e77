#include "platform_test.h"

#include "api/diagnostics.h"
#include "hid/hid_library.h"
#include "platform/console.h"
#include "platform/line_redirect.h"

#if !defined(_WIN32)
#include "platform/emulated/utf8.h"
#endif

namespace tamo::test {

void PlatformTest::SetUp() {
#if !defined(_WIN32)
    // hid.dll is resolved once per process, on first use. Resolve it before
    // the world is reset, so that no test's call log or injected fault
    // depends on whether an earlier test in the process got there first.
    tamo::HidLibrary::instance();
    emulated::System::reset();
#endif
    qor_tamo_sound_destroy();
}

void PlatformTest::TearDown() {
#if !defined(_WIN32)
    EXPECT_EQ(emulated::System::openHandleCount(), 0u) << "a handle was left open";
    EXPECT_EQ(emulated::System::outstandingAllocations(), 0u) << "platform memory was not given back";
#endif
    qor_tamo_sound_destroy();
}

std::vector<std::string> systemErrorLines(unsigned long code) {
    LineRedirect capture;
    tamo::printWideLine(tamo::systemErrorText(static_cast<DWORD>(code)));
    return capture.lines();
}

}  // namespace tamo::test
