// Threads of one host calling the command functions at once on Wine: the
// real named semaphore lets one through at a time and turns the others away.
#include "concurrent_calls.h"
#include "wine_device_test.h"

namespace tamo::test {
namespace {

using WineConcurrencyTest = WineDeviceTest;

TEST_F(WineConcurrencyTest, OneCommandAtATimeTheRestAreBusy) {
    allowSeeThrough();
    initialise();
    const ConcurrentOutcome outcome = callAtOnce(
        [this](Export which, std::int32_t argument, SoundState* record) { return dll.call(which, argument, record); },
        4, 30);
    // Every command that got through sent exactly one command report (a state
    // read its status request); none that was turned away sent anything.
    EXPECT_EQ(commandsSent().size(), static_cast<std::size_t>(outcome.succeeded));
    EXPECT_TRUE(lockGone());
}

}  // namespace
}  // namespace tamo::test
