// destroy and the initialised flag, through the exported functions.
#include "platform_test.h"
#include "platform/line_redirect.h"

namespace tamo::test {
namespace {

using LibraryStateTest = PlatformTest;

// Every command checks the flag first: -2000 whatever its arguments, and
// nothing printed or touched.
void expectEveryCommandNotInitialised() {
    SoundState state{0x5A, 7, 42};
    LineRedirect out;
    EXPECT_EQ(qor_tamo_sound_set_see_through_state(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(qor_tamo_sound_set_see_through_state(0), SOUND_ERROR_NOT_INITIALIZED);
    for (int32_t mode : {0, 1, 2, 3, -1, -1999, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(qor_tamo_sound_set_audio_mode(mode), SOUND_ERROR_NOT_INITIALIZED) << mode;
    }
    EXPECT_EQ(qor_tamo_sound_set_hi_power_state(1), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(qor_tamo_sound_set_hi_power_state(0), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(qor_tamo_sound_get_state(&state), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(qor_tamo_sound_get_state(nullptr), SOUND_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(state.reserved, 0x5A);
    EXPECT_EQ(state.hiPowerState, 7);
    EXPECT_EQ(state.audioMode, 42);
}

TEST_F(LibraryStateTest, CommandsBeforeInitReturnNotInitialised) { expectEveryCommandNotInitialised(); }

TEST_F(LibraryStateTest, DestroyAlwaysSucceedsAndLeavesTheLibraryDisabled) {
    EXPECT_EQ(qor_tamo_sound_destroy(), SOUND_OK);
    EXPECT_EQ(qor_tamo_sound_destroy(), SOUND_OK);
    expectEveryCommandNotInitialised();
}

}  // namespace
}  // namespace tamo::test
