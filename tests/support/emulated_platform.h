// The emulated Windows as the tests begin and end in it, without the test
// framework: the scenario host inside the simulator DLL starts and checks
// its world with the same functions as the native tests.
#pragma once

#include <string>
#include <vector>

namespace tamo::test {

// A fresh emulated world, hid.dll resolved first: it is resolved once per
// process, on first use, so no test's call log or injected fault depends on
// whether an earlier test in the process got there first.
void enterFreshPlatform();

// What the library should have given back to the platform and has not
// (open handles, platform memory), one sentence each.
std::vector<std::string> platformLeftovers();

// Whether the mode-switch semaphore is gone, i.e. no handle to it is open.
bool lockGone();

}  // namespace tamo::test
