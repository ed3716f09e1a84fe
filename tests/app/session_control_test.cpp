// How the sleep timer's exit mode (the flags of the old session-end call:
// 0 log off, 1 shut down, 2 restart, 4 force, 8 power off, 16 force when
// hung) becomes a logind request.
#include "app/session_control.h"

#include <climits>

#include <gtest/gtest.h>

using nuko::app::LogindMethodFor;
using nuko::app::MakeLogindSessionControl;

TEST(SessionControl, EachExitModeAsksLogindForWhatItNames) {
    struct Case {
        int mode;
        const char* method;
    };
    const Case cases[] = {
        {0, "TerminateSession"},  // log off ends only the session
        {1, "PowerOff"},          // shutting down powers off, as on machines with privileges
        {2, "Reboot"},
        {8, "PowerOff"},
        // The force flags change how the session goes, never what happens.
        {4, "TerminateSession"},
        {16, "TerminateSession"},
        {4 | 16, "TerminateSession"},
        {1 | 4, "PowerOff"},
        {2 | 4, "Reboot"},
        {2 | 16, "Reboot"},
        {8 | 4, "PowerOff"},
        {8 | 16, "PowerOff"},
    };
    for (const auto& c : cases) EXPECT_EQ(LogindMethodFor(c.mode), c.method) << "mode " << c.mode;
}

TEST(SessionControl, NegativeModesAskForNothing) {
    // -1 means "only stop" and never gets here, but a hand-edited -2 or a
    // wrapped number holds the power-off bit: it must not turn the machine off.
    for (int mode : {-1, -2, -8, -9, INT_MIN}) {
        EXPECT_EQ(LogindMethodFor(mode), "") << "mode " << mode;
        EXPECT_FALSE(MakeLogindSessionControl()->End(mode)) << "mode " << mode;
    }
}
