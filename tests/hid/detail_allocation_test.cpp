// The interface-detail block cannot be allocated: the interface is skipped
// with a line, and enumeration goes on.
//
// This program replaces the global allocation functions so that nothrow
// allocations, which the connection uses for that block alone, can be made
// to fail on request.
#include "hid/hid_device_connection.h"
#include "hid_test_support.h"
#include "platform_test.h"
#include "stdout_capture.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int> nothrowFailuresLeft{0};

void* allocate(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

}  // namespace

void* operator new(std::size_t size) {
    if (void* block = allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    int left = nothrowFailuresLeft.load();
    while (left > 0) {
        if (nothrowFailuresLeft.compare_exchange_weak(left, left - 1)) return nullptr;
    }
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace tamo::test {
namespace {

class DetailAllocationTest : public PlatformTest {
protected:
    void TearDown() override {
        nothrowFailuresLeft = 0;
        PlatformTest::TearDown();
    }
};

TEST_F(DetailAllocationTest, InterfaceWhoseBlockCannotBeAllocatedIsSkipped) {
    auto skipped = plugHeadset(L"Tamo Mk2", 1);
    auto kept = plugHeadset(L"Tamo Mk2", 2);
    HidDeviceConnection connection({headsetEntry()});
    std::vector<std::string> lines;
    bool opened = false;
    {
        StdoutCapture out;
        nothrowFailuresLeft = 1;
        opened = connection.open();
        lines = out.lines();
    }
    EXPECT_TRUE(opened);
    EXPECT_EQ(nothrowFailuresLeft.load(), 0);
    EXPECT_EQ(lines, std::vector<std::string>{"Error: OpenDeviceInterface: malloc failed"});
    EXPECT_EQ(skipped->opens(), 0u);
    EXPECT_EQ(kept->openHandles(), 1u);
    EXPECT_EQ(emulated::CallLog::count("SetupDiGetDeviceInterfaceDetailW"), 3u) << "no detail read without a block";
}

TEST_F(DetailAllocationTest, NoBlockForAnyInterfaceFindsNothing) {
    plugHeadset(L"Tamo Mk2", 1);
    plugHeadset(L"Tamo Mk2", 2);
    HidDeviceConnection connection({headsetEntry()});
    std::vector<std::string> lines;
    bool opened = true;
    {
        StdoutCapture out;
        nothrowFailuresLeft = 2;
        opened = connection.open();
        lines = out.lines();
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(lines, std::vector<std::string>(2, "Error: OpenDeviceInterface: malloc failed"));
    EXPECT_TRUE(emulated::HidBus::openRequests().empty());
}

}  // namespace
}  // namespace tamo::test
