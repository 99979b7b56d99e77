// Base fixture for tests that touch the platform.
//
// On the native build every test starts in a fresh emulated world with the
// library not initialised, and ends with a check that nothing the platform
// handed out is left open. On Windows the real system is used as it is.
#pragma once

#include <gtest/gtest.h>

#include "tamo_settings.h"

#if !defined(_WIN32)
#include "platform/emulated/system.h"
#endif

namespace tamo::test {

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The system's text for `code` followed by the print format's "\n", as the
// library prints it, split like LineRedirect::lines would split it.
std::vector<std::string> systemErrorLines(unsigned long code);

}  // namespace tamo::test
