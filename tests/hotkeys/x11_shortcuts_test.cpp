// The X11 shortcut service on a test's own X server: a combination another
// client holds is reported by name, the others are grabbed and their
// presses run the records, whatever the lock keys; given back, a key is
// free for the next program.
#include "hotkeys/x11_shortcuts.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "test_support.h"
#include "x_server.h"
#include "x_windows.h"

using namespace nuko;

namespace {

bool RunEventsUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

}  // namespace

TEST(X11Shortcuts, ATakenCombinationIsReportedByNameAndTheOthersWork) {
    test::XServer x;
    std::string why;
    NUKO_REQUIRE_TOOL(x.Start(&why), why);
    test::ScopedEnv display("DISPLAY", x.display());
    test::ScopedEnv platform("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "x11_shortcuts_test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    // Another program holds Ctrl+Shift+Enter.
    auto holder = std::make_unique<test::ForeignWindow>(x.display(), XK_Return);
    ASSERT_TRUE(holder->ok());
    std::vector<int> pressed;
    auto service = hotkeys::X11Shortcuts::Create([&](int id) { pressed.push_back(id); });
    ASSERT_NE(service, nullptr);

    settings::HotkeySection table;
    table.keys[1].enabled = 1;  // Play: Ctrl+Shift+Enter
    table.keys[3].enabled = 1;  // Stop: Ctrl+Shift+Space
    const hotkeys::RegisterResult r = hotkeys::RegisterAll(*service, table, 2);
    EXPECT_EQ(r.failed, std::vector<int>{849});
    EXPECT_EQ(r.message_id, 220);
    EXPECT_EQ(r.text, "ﾎｯﾄｷｰの設定で一部登録できませんでした.\n\n再生");

    // Stop works while the other program has the focus, with Caps Lock on too.
    test::ProgramOptions env;
    env.env = {{"DISPLAY", x.display()}};
    ASSERT_EQ(test::RunProgram({"xdotool", "key", "ctrl+shift+space"}, nullptr, env), 0);
    EXPECT_TRUE(RunEventsUntil([&] { return pressed.size() == 1; }, 5000));
    test::RunProgram({"xdotool", "key", "Caps_Lock", "ctrl+shift+space", "Caps_Lock"}, nullptr, env);
    EXPECT_TRUE(RunEventsUntil([&] { return pressed.size() == 2; }, 5000));
    EXPECT_EQ(pressed, (std::vector<int>{851, 851}));

    // Once the other program lets go, the key is ours; given back, it is
    // free again for anyone.
    holder.reset();
    EXPECT_TRUE(hotkeys::RegisterAll(*service, table, 2).all);
    hotkeys::UnregisterAll(*service);
    test::ForeignWindow next(x.display(), XK_space);
    ASSERT_TRUE(next.ok());
    EXPECT_FALSE(service->Register(851, 0x20, 3));  // the next program has it now
}
