// The movie window's mouse hook: what a press means, and the X11 library on
// an X server of the test's own, clicked with xdotool.
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <gtest/gtest.h>

#include "mousehook/nu_32mhk.h"
#include "media_fixtures.h"
#include "mousehook/press_judge.h"
#include "test_support.h"
#include "x_server.h"

// Last: Xlib's macros (None, Status) would clash with the test framework's names.
#include <X11/Xlib.h>

using namespace nuko;
using mousehook::PressJudge;
using mousehook::Reaction;
using namespace std::chrono_literals;

TEST(PressJudge, OnlyPressesOnTheTargetOrInsideItCount) {
    PressJudge j(400);
    const std::uint64_t target = 10;
    // A right press on a child of the target is one on the target.
    EXPECT_EQ(j.Press(target, 3, {11, 10, 5}, 0), Reaction::Menu);
    EXPECT_EQ(j.Press(target, 3, {12, 5}, 0), Reaction::Pass);
    EXPECT_EQ(j.Press(0, 3, {10}, 0), Reaction::Pass);  // no target set
    EXPECT_EQ(j.Press(target, 2, {10}, 0), Reaction::Pass);  // the middle button
}

TEST(PressJudge, TwoLeftPressesInTimeToggleAndAThirdStartsAgain) {
    PressJudge j(400);
    EXPECT_EQ(j.Press(10, 1, {10}, 1000), Reaction::Pass);
    EXPECT_EQ(j.Press(10, 1, {10}, 1300), Reaction::ToggleMaximized);
    EXPECT_EQ(j.Press(10, 1, {10}, 1400), Reaction::Pass);
    EXPECT_EQ(j.Press(10, 1, {10}, 1900), Reaction::Pass);  // too late: a new first press
    EXPECT_EQ(j.Press(10, 1, {10}, 2200), Reaction::ToggleMaximized);
    // A press elsewhere between the two breaks the pair.
    EXPECT_EQ(j.Press(10, 1, {10}, 3000), Reaction::Pass);
    EXPECT_EQ(j.Press(10, 1, {7}, 3100), Reaction::Pass);
    EXPECT_EQ(j.Press(10, 1, {10}, 3200), Reaction::Pass);
}

TEST(MouseHookLibrary, StopWithoutStartAndNoDisplay) {
    EXPECT_EQ(MouseHookVersion(), 100);
    EXPECT_EQ(MouseHookStop(), 0);
    EXPECT_EQ(MouseHookSetCaption(1), 0);  // no target
    const char* was = std::getenv("DISPLAY");
    std::string kept = was ? was : "";
    ::setenv("DISPLAY", ":999", 1);  // nothing there: as on a Wayland session
    EXPECT_EQ(MouseHookStart(), nullptr);
    EXPECT_EQ(MouseHookStop(), 0);
    if (was) ::setenv("DISPLAY", kept.c_str(), 1);
    else ::unsetenv("DISPLAY");
}

namespace {

// Waits for a ClientMessage of `type` on the connection.
bool WaitClientMessage(Display* d, Atom type, XClientMessageEvent* out) {
    return test::PollUntil(
        [&] {
            while (XPending(d) > 0) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type == ClientMessage && e.xclient.message_type == type) {
                    *out = e.xclient;
                    return true;
                }
            }
            return false;
        },
        10s, 20ms);
}

}  // namespace

TEST(MouseHookLibrary, ARightClickInsideTheTargetTellsTheNotifyWindowAndADoubleClickAsksToMaximise) {
    NUKO_REQUIRE_TOOL(!test::FindProgram("xdotool").empty(), "no xdotool");
    test::XServer x;
    std::string why;
    NUKO_REQUIRE_TOOL(x.Start(&why, "640x480x24"), why);
    test::ScopedEnv display("DISPLAY", x.display());
    Display* d = XOpenDisplay(x.display().c_str());
    ASSERT_NE(d, nullptr);
    const Window root = DefaultRootWindow(d);
    // The test plays the window manager: it hears the requests to the root.
    XSelectInput(d, root, SubstructureRedirectMask);
    const Window target = XCreateSimpleWindow(d, root, 0, 0, 200, 200, 0, 0, 0);
    const Window video = XCreateSimpleWindow(d, target, 0, 0, 200, 200, 0, 0, 0);  // what the video output makes
    const Window other = XCreateSimpleWindow(d, root, 300, 0, 200, 200, 0, 0, 0);
    const Window notify = XCreateSimpleWindow(d, root, 0, 300, 50, 50, 0, 0, 0);
    for (Window w : {target, video, other, notify}) XMapRaised(d, w);
    XSync(d, False);

    ASSERT_NE(MouseHookStart(), nullptr);
    MouseHookSetAction(0xF060);
    MouseHookSetTargetWindow(reinterpret_cast<void*>(target), reinterpret_cast<void*>(notify));
    const Atom hook = XInternAtom(d, "_NU_KOP_MOUSE_HOOK", False);
    const Atom state = XInternAtom(d, "_NET_WM_STATE", False);
    auto xdotool = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "xdotool");
        test::ProgramOptions o;
        o.env = {{"DISPLAY", x.display()}};
        return test::RunProgram(args, nullptr, o);
    };

    ASSERT_EQ(xdotool({"mousemove", "400", "50", "click", "3"}), 0);  // elsewhere: nothing
    ASSERT_EQ(xdotool({"mousemove", "50", "60", "click", "3"}), 0);
    XClientMessageEvent m{};
    ASSERT_TRUE(WaitClientMessage(d, hook, &m));
    EXPECT_EQ(m.window, notify);
    EXPECT_EQ(static_cast<Window>(m.data.l[0]), target);
    EXPECT_EQ(m.data.l[1], 0xF060);
    EXPECT_EQ(m.data.l[2], 50);
    EXPECT_EQ(m.data.l[3], 60);

    ASSERT_EQ(xdotool({"click", "--repeat", "2", "--delay", "50", "1"}), 0);
    ASSERT_TRUE(WaitClientMessage(d, state, &m));
    EXPECT_EQ(m.window, target);
    EXPECT_EQ(m.data.l[0], 2);  // toggle

    EXPECT_NE(MouseHookSetCaption(0), 0);
    EXPECT_EQ(MouseHookSetCaption(1) & 0x00C00000, 0);  // it had none since the last call
    EXPECT_EQ(MouseHookStop(), 1);
    EXPECT_EQ(MouseHookStop(), 0);
    XCloseDisplay(d);
}

// Xlib unlocks its display lock twice on the way out of a lost connection
// when the handlers return, and ThreadSanitizer reports that inside libX11:
// the ThreadSanitizer build leaves this test out, the other builds run it.
#if !defined(__SANITIZE_THREAD__)
TEST(MouseHookLibrary, AServerThatGoesAwayEndsTheHookAndNotTheProgram) {
    // Xlib's own handler would end this whole test program from the hook's
    // thread.
    auto x = std::make_unique<test::XServer>();
    std::string why;
    NUKO_REQUIRE_TOOL(x->Start(&why, "320x240x24"), why);
    test::ScopedEnv display("DISPLAY", x->display());
    ASSERT_NE(MouseHookStart(), nullptr);
    x.reset();  // the server ends under the hook
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(MouseHookStop(), 1);
    EXPECT_EQ(MouseHookStop(), 0);
}
#endif
