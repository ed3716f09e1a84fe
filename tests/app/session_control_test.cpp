// How the sleep timer's exit mode (the flags of the old session-end call:
// 0 log off, 1 shut down, 2 restart, 4 force, 8 power off, 16 force when
// hung) becomes a logind request.
#include "app/session_control.h"

#include <chrono>
#include <climits>

#include <gtest/gtest.h>

#include "child_program.h"
#include "qt_app.h"
#include "session_bus.h"
#include "test_support.h"

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

// The real call, on a system bus of the test's own where a fake logind
// prints what reaches it: each mode asks for exactly its method, with the
// arguments logind takes (no interactive authentication; the session's id).
TEST(SessionControl, EachModeReachesItsLogindMethodOnTheBus) {
    nuko::test::QtApp();
    nuko::test::SessionBus bus;
    std::string why;
    NUKO_REQUIRE_TOOL(bus.Start(&why), why);
    nuko::test::ScopedEnv system_bus("DBUS_SYSTEM_BUS_ADDRESS", bus.address());
    nuko::test::ChildProgram login1({FAKE_LOGIN1, "--address=" + bus.address(), "--refuse=Reboot"});
    ASSERT_EQ(login1.ReadLine(std::chrono::seconds(30)), "ready");
    const std::string manager = "CALL /org/freedesktop/login1 org.freedesktop.login1.Manager ";
    auto control = MakeLogindSessionControl();
    {
        nuko::test::ScopedEnv session("XDG_SESSION_ID", "c7");
        EXPECT_TRUE(control->End(0));
        EXPECT_EQ(login1.ReadLine(std::chrono::seconds(30)), manager + "TerminateSession s c7");
    }
    EXPECT_TRUE(control->End(1));
    EXPECT_EQ(login1.ReadLine(std::chrono::seconds(30)), manager + "PowerOff b false");
    EXPECT_TRUE(control->End(8 | 4));
    EXPECT_EQ(login1.ReadLine(std::chrono::seconds(30)), manager + "PowerOff b false");
    // Refused (as without the right to): End says so.
    EXPECT_FALSE(control->End(2));
    EXPECT_EQ(login1.ReadLine(std::chrono::seconds(30)), manager + "Reboot b false");
    // Without a session id there is nothing to end: no call at all, so the
    // next line is the next mode's.
    {
        nuko::test::ScopedEnv session("XDG_SESSION_ID", "");
        EXPECT_FALSE(control->End(0));
    }
    EXPECT_TRUE(control->End(1));
    EXPECT_EQ(login1.ReadLine(std::chrono::seconds(30)), manager + "PowerOff b false");
}
