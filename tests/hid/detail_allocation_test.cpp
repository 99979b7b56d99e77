// The interface-detail block cannot be allocated: the interface is skipped
// with a line, and enumeration goes on.
//
// This program is linked with malloc wrapped (-Wl,--wrap=malloc): the
// library's own calls of malloc, which the connection makes for that block
// alone, can be made to fail on request.
#include "hid/hid_device_connection.h"
#include "hid_test_support.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <atomic>
#include <cstddef>

namespace {
std::atomic<int> mallocFailuresLeft{0};
}

extern "C" void* __real_malloc(std::size_t size);

extern "C" void* __wrap_malloc(std::size_t size) {
    int left = mallocFailuresLeft.load();
    while (left > 0) {
        if (mallocFailuresLeft.compare_exchange_weak(left, left - 1)) return nullptr;
    }
    return __real_malloc(size);
}

namespace tamo::test {
namespace {

class DetailAllocationTest : public PlatformTest {
protected:
    void TearDown() override {
        mallocFailuresLeft = 0;
        PlatformTest::TearDown();
    }

    // Opens a connection over the headset entry with the next `failures`
    // mallocs failing; whether it opened and the lines it printed.
    static std::pair<bool, std::vector<std::string>> openWithFailingMallocs(HidDeviceConnection& connection,
                                                                            int failures) {
        LineRedirect out;
        mallocFailuresLeft = failures;
        const bool opened = connection.open();
        return {opened, out.lines()};
    }
};

TEST_F(DetailAllocationTest, InterfaceWhoseBlockCannotBeAllocatedIsSkipped) {
    auto skipped = plugHeadset(L"Tamo Mk2", 1);
    auto kept = plugHeadset(L"Tamo Mk2", 2);
    HidDeviceConnection connection({headsetEntry()});
    const auto [opened, lines] = openWithFailingMallocs(connection, 1);
    EXPECT_TRUE(opened);
    EXPECT_EQ(mallocFailuresLeft.load(), 0);
    EXPECT_EQ(lines, std::vector<std::string>{"Error: OpenDeviceInterface: malloc failed"});
    EXPECT_EQ(skipped->opens(), 0u);
    EXPECT_EQ(kept->openHandles(), 1u);
    EXPECT_EQ(emulated::CallLog::count("SetupDiGetDeviceInterfaceDetailW"), 3u) << "no detail read without a block";
}

TEST_F(DetailAllocationTest, NoBlockForAnyInterfaceFindsNothing) {
    plugHeadset(L"Tamo Mk2", 1);
    plugHeadset(L"Tamo Mk2", 2);
    HidDeviceConnection connection({headsetEntry()});
    const auto [opened, lines] = openWithFailingMallocs(connection, 2);
    EXPECT_FALSE(opened);
    EXPECT_EQ(lines, std::vector<std::string>(2, "Error: OpenDeviceInterface: malloc failed"));
    EXPECT_TRUE(emulated::HidBus::openRequests().empty());
}

}  // namespace
}  // namespace tamo::test
