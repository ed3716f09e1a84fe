// What each hot key record runs.
#include "app/components/hotkeys/hotkey_commands.h"

#include <gtest/gtest.h>

#include "core/commands/command_ids.h"

using namespace nuko;

TEST(HotkeyCommands, RecordsRunTheirCommands) {
    EXPECT_EQ(app::HotkeyCommandOf(848), app::cmd::kPrevious);
    EXPECT_EQ(app::HotkeyCommandOf(852), app::cmd::kPause);
    EXPECT_EQ(app::HotkeyCommandOf(854), app::cmd::kKindMidi);
    EXPECT_EQ(app::HotkeyCommandOf(857), app::cmd::kKindSound);
    EXPECT_EQ(app::HotkeyCommandOf(858), app::cmd::kPanelWordFullScreen);
    EXPECT_EQ(app::HotkeyCommandOf(861), app::cmd::kPanelMute);
    EXPECT_EQ(app::HotkeyCommandOf(862), app::cmd::kPanelMovieFull);
    EXPECT_EQ(app::HotkeyCommandOf(863), app::cmd::kPanelPageUp);
    EXPECT_EQ(app::HotkeyCommandOf(864), app::cmd::kPanelPageDown);
    EXPECT_EQ(app::HotkeyCommandOf(847), 0);
    EXPECT_EQ(app::HotkeyCommandOf(865), 0);
}
