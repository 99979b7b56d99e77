// The real tamo_settings.dll, loaded at run time the way a host loads it.
#include <gtest/gtest.h>

#include "loaded_library.h"
#include "platform/win32.h"
#include "stdout_capture.h"
#include "tamo_settings.h"

#include <string>

namespace tamo::test {
namespace {

// The shipped DLL, from beside this test program.
struct TamoDll : LoadedLibrary {
    TamoDll() : LoadedLibrary(L"tamo_settings.dll") {}
};

TEST(DllHost, EverySixExportIsFoundByItsPlainName) {
    TamoDll dll;
    ASSERT_TRUE(dll.loaded()) << "tamo_settings.dll beside the test program";
    for (const char* name : {"qor_tamo_sound_init", "qor_tamo_sound_destroy", "qor_tamo_sound_get_state",
                             "qor_tamo_sound_set_audio_mode", "qor_tamo_sound_set_hi_power_state",
                             "qor_tamo_sound_set_see_through_state"}) {
        EXPECT_NE(GetProcAddress(GetModuleHandleW(L"tamo_settings.dll"), name), nullptr) << name;
    }
    EXPECT_EQ(GetProcAddress(GetModuleHandleW(L"tamo_settings.dll"), "_qor_tamo_sound_init"), nullptr);
}

TEST(DllHost, DestroyAndCommandsBeforeInit) {
    TamoDll dll;
    ASSERT_TRUE(dll.loaded());
    SoundState state{0x33, 9, 77};
    StdoutCapture out;
    EXPECT_EQ(dll.destroy(), SOUND_OK);
    EXPECT_EQ(dll.destroy(), SOUND_OK);
    EXPECT_EQ(dll.seeThrough(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.audioMode(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.audioMode(7), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.hiPower(0), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.state(&state), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(dll.state(nullptr), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(state.reserved, 0x33);
    EXPECT_EQ(state.hiPowerState, 9);
    EXPECT_EQ(state.audioMode, 77);
}

}  // namespace
}  // namespace tamo::test
