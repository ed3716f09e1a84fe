// Global hot keys through the desktop portal, against a fake portal on a
// private session bus: finding the portal, the session and the one binding
// per turn, refusals, activation, and what happens after the service is gone
// or when the portal never answers.
#include "hotkeys/portal_shortcuts.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>

#include "fake_portal.h"
#include "hotkeys/shortcut_service.h"
#include "qt_app.h"
#include "test_support.h"

using namespace nuko;
using namespace nuko::hotkeys;
using namespace std::chrono_literals;

namespace {

// Runs the event loop until `done` holds (at most `limit`).
bool Until(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
    return test::PollUntil(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return done();
        },
        limit, 5ms);
}

std::vector<test::PortalCall> CallsNamed(const test::FakePortal& portal, const char* member) {
    std::vector<test::PortalCall> out;
    for (const test::PortalCall& c : portal.calls())
        if (c.member == QLatin1String(member)) out.push_back(c);
    return out;
}

class PortalShortcutsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bus_ = new test::PrivateBus;
        // The player's own session bus is this one: MakeShortcutService
        // finds the fake portal there.
        env_ = new test::ScopedEnv("DBUS_SESSION_BUS_ADDRESS", bus_->address());
        test::QtApp();
    }
    static void TearDownTestSuite() {
        delete env_;
        delete bus_;
    }

    void SetUp() override {
        ASSERT_FALSE(bus_->address().empty()) << "no dbus-daemon";
        static int serial = 0;
        client_name_ = QStringLiteral("client-%1").arg(++serial);
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(client_name_); }

    QDBusConnection Client() { return bus_->Connect(client_name_); }

    // A service on a fake portal whose presses and refusals are counted.
    std::unique_ptr<PortalShortcuts> Make() {
        auto service = PortalShortcuts::Create([this](int id) { activated_.push_back(id); }, Client());
        if (service) service->SetBindFailed([this](std::vector<int> ids) { failed_.push_back(std::move(ids)); });
        return service;
    }

    static test::PrivateBus* bus_;
    static test::ScopedEnv* env_;
    QString client_name_;
    std::vector<int> activated_;
    std::vector<std::vector<int>> failed_;
};

test::PrivateBus* PortalShortcutsTest::bus_ = nullptr;
test::ScopedEnv* PortalShortcutsTest::env_ = nullptr;

TEST_F(PortalShortcutsTest, CreateFailsWithoutBusPortalOrInterface) {
    EXPECT_EQ(PortalShortcuts::Create([](int) {}, QDBusConnection(QStringLiteral("never-connected"))), nullptr);
    EXPECT_EQ(PortalShortcuts::Create([](int) {}, Client()), nullptr);  // nobody owns the portal's name
    {
        test::FakePortal old(*bus_, {.version = 0});
        ASSERT_TRUE(old.ok());
        EXPECT_EQ(PortalShortcuts::Create([](int) {}, Client()), nullptr);
    }
    test::FakePortal portal(*bus_, {});
    ASSERT_TRUE(portal.ok());
    auto service = PortalShortcuts::Create([](int) {}, Client());
    ASSERT_NE(service, nullptr);
    // Nothing is asked of the portal before there is something to bind.
    QCoreApplication::processEvents();
    EXPECT_TRUE(portal.calls().empty());
    EXPECT_TRUE(service->idle());
}

TEST_F(PortalShortcutsTest, ThreeRecordsGoInOneBinding) {
    test::FakePortal portal(*bus_, {});
    ASSERT_TRUE(portal.ok());
    auto service = Make();
    ASSERT_NE(service, nullptr);

    EXPECT_TRUE(service->Register(849, 13, kCtrl | kShift));    // Play
    EXPECT_TRUE(service->Register(851, 'S', kCtrl | kAlt));     // Stop
    EXPECT_TRUE(service->Register(859, 0x26, kCtrl));           // VolumeUp
    // Bad records are refused at once and never reach the portal.
    EXPECT_FALSE(service->Register(850, 0x07, kCtrl));          // a key nobody knows
    EXPECT_FALSE(service->Register(865, 13, kCtrl));            // outside the table
    EXPECT_FALSE(service->Register(852, 13, kExtended));        // a bit beyond Shift, Ctrl, Alt
    ASSERT_TRUE(Until([&] { return service->idle(); }));

    const auto creates = CallsNamed(portal, "CreateSession");
    ASSERT_EQ(creates.size(), 1u);
    const QString handle_token = creates[0].options.value("handle_token").toString();
    const QString session_token = creates[0].options.value("session_handle_token").toString();
    EXPECT_FALSE(handle_token.isEmpty());
    EXPECT_FALSE(session_token.isEmpty());
    EXPECT_NE(handle_token, session_token);
    for (const QChar c : handle_token + session_token) EXPECT_TRUE(c.isLetterOrNumber() || c == QLatin1Char('_')) << int(c.unicode());
    ASSERT_EQ(portal.sessions().size(), 1u);
    EXPECT_EQ(service->session(), portal.sessions()[0]);

    const auto binds = CallsNamed(portal, "BindShortcuts");
    ASSERT_EQ(binds.size(), 1u);
    EXPECT_EQ(binds[0].session, service->session());
    EXPECT_FALSE(binds[0].options.value("handle_token").toString().isEmpty());
    EXPECT_NE(binds[0].options.value("handle_token"), handle_token);
    ASSERT_EQ(binds[0].shortcuts.size(), 3u);
    const auto& s = binds[0].shortcuts;
    EXPECT_EQ(s[0].id, "Play");
    EXPECT_EQ(s[0].options.value("description").toString().toStdString(), "再生");
    EXPECT_EQ(s[0].options.value("preferred_trigger").toString(), "CTRL+SHIFT+Return");
    EXPECT_EQ(s[1].id, "Stop");
    EXPECT_EQ(s[1].options.value("preferred_trigger").toString(), "CTRL+ALT+s");
    EXPECT_EQ(s[2].id, "VolumeUp");
    EXPECT_EQ(s[2].options.value("description").toString().toStdString(), DisplayName(859));
    EXPECT_EQ(s[2].options.value("preferred_trigger").toString(), "CTRL+Up");
    EXPECT_TRUE(failed_.empty());

    // The same record again changes nothing; a new key binds the set again.
    EXPECT_TRUE(service->Register(849, 13, kCtrl | kShift));
    ASSERT_TRUE(Until([&] { return service->idle(); }));
    EXPECT_EQ(CallsNamed(portal, "BindShortcuts").size(), 1u);
    EXPECT_TRUE(service->Register(849, 0x70, 0));
    ASSERT_TRUE(Until([&] { return CallsNamed(portal, "BindShortcuts").size() == 2 && service->idle(); }));
    EXPECT_EQ(CallsNamed(portal, "BindShortcuts")[1].shortcuts[0].options.value("preferred_trigger").toString(), "F1");
    EXPECT_EQ(CallsNamed(portal, "CreateSession").size(), 1u);  // one session for all
}

TEST_F(PortalShortcutsTest, RefusedRecordsReachBindFailedAndUnregisterRebinds) {
    test::FakePortal portal(*bus_, {.refused = {"FF"}});
    ASSERT_TRUE(portal.ok());
    auto service = Make();
    ASSERT_NE(service, nullptr);
    service->Register(849, 13, kCtrl | kShift);
    service->Register(850, 39, kCtrl | kShift);  // FF: refused
    service->Register(851, 40, kCtrl | kShift);
    ASSERT_TRUE(Until([&] { return service->idle(); }));
    ASSERT_EQ(failed_.size(), 1u);
    EXPECT_EQ(failed_[0], std::vector<int>{850});

    // The portal has no unbind: the rest is bound again, without the refused one.
    service->Unregister(849);
    service->Unregister(850);  // no longer held: nothing happens for it
    ASSERT_TRUE(Until([&] { return CallsNamed(portal, "BindShortcuts").size() == 2 && service->idle(); }));
    const auto rebind = CallsNamed(portal, "BindShortcuts")[1];
    ASSERT_EQ(rebind.shortcuts.size(), 1u);
    EXPECT_EQ(rebind.shortcuts[0].id, "Stop");
    EXPECT_EQ(failed_.size(), 1u);

    // Nothing left: the session is closed instead of binding an empty set.
    const QString session = service->session();
    service->Unregister(851);
    ASSERT_TRUE(Until([&] { return !portal.closed().empty(); }));
    EXPECT_EQ(portal.closed(), std::vector<QString>{session});
    EXPECT_EQ(CallsNamed(portal, "BindShortcuts").size(), 2u);
    EXPECT_TRUE(service->session().isEmpty());

    // Registering again makes a new session.
    service->Register(849, 13, kCtrl | kShift);
    ASSERT_TRUE(Until([&] { return CallsNamed(portal, "BindShortcuts").size() == 3 && service->idle(); }));
    EXPECT_EQ(CallsNamed(portal, "CreateSession").size(), 2u);
    EXPECT_EQ(service->session(), portal.sessions().back());
}

TEST_F(PortalShortcutsTest, CancelledBindingFailsEveryRecord) {
    // The Response also comes before the call's reply here: it must still count.
    test::FakePortal portal(*bus_, {.response_first = true, .bind_response = 1});
    ASSERT_TRUE(portal.ok());
    auto service = Make();
    ASSERT_NE(service, nullptr);
    service->Register(849, 13, kCtrl | kShift);
    service->Register(853, 'E', kCtrl | kShift);
    ASSERT_TRUE(Until([&] { return service->idle(); }));
    EXPECT_FALSE(service->session().isEmpty());
    ASSERT_EQ(failed_.size(), 1u);
    EXPECT_EQ(failed_[0], (std::vector<int>{849, 853}));
}

TEST_F(PortalShortcutsTest, ActivatedRunsTheRecordOfOurSessionOnly) {
    test::FakePortal portal(*bus_, {});
    ASSERT_TRUE(portal.ok());
    auto service = Make();
    ASSERT_NE(service, nullptr);
    service->Register(849, 13, kCtrl | kShift);
    service->Register(861, 'M', kCtrl | kShift);
    ASSERT_TRUE(Until([&] { return service->idle(); }));

    portal.Activate(service->session(), QStringLiteral("Play"));
    ASSERT_TRUE(Until([&] { return !activated_.empty(); }));
    EXPECT_EQ(activated_, std::vector<int>{849});

    // Another program's session, an id we never bound, then ours again: only
    // the last one counts (signals keep their order).
    portal.Activate(QStringLiteral("/org/freedesktop/portal/desktop/session/1_99/other"), QStringLiteral("Play"));
    portal.Activate(service->session(), QStringLiteral("Stop"));
    portal.Activate(service->session(), QStringLiteral("VolumeMute"));
    ASSERT_TRUE(Until([&] { return activated_.size() == 2; }));
    EXPECT_EQ(activated_, (std::vector<int>{849, 861}));
}

TEST_F(PortalShortcutsTest, DestroyedServiceClosesTheSessionAndIgnoresLateSignals) {
    test::FakePortal portal(*bus_, {});
    ASSERT_TRUE(portal.ok());
    auto service = Make();
    ASSERT_NE(service, nullptr);
    service->Register(849, 13, kCtrl | kShift);
    ASSERT_TRUE(Until([&] { return service->idle(); }));
    const QString session = service->session();

    // A press already on its way when the service goes, and one after.
    portal.Activate(session, QStringLiteral("Play"));
    service.reset();
    portal.Activate(session, QStringLiteral("Play"));
    ASSERT_TRUE(Until([&] { return !portal.closed().empty(); }));
    EXPECT_EQ(portal.closed(), std::vector<QString>{session});
    // Give the late signals every chance to arrive.
    Until([] { return false; }, 300ms);
    EXPECT_TRUE(activated_.empty());
}

TEST_F(PortalShortcutsTest, APressThatEndsTheServiceDropsTheNextOne) {
    test::FakePortal portal(*bus_, {});
    ASSERT_TRUE(portal.ok());
    std::unique_ptr<PortalShortcuts> service;
    // The first hot key's command ends the service (as quitting would):
    // the second press, already delivered, must not run on the freed object.
    service = PortalShortcuts::Create(
        [&](int id) {
            activated_.push_back(id);
            service.reset();
        },
        Client());
    ASSERT_NE(service, nullptr);
    service->Register(849, 13, kCtrl | kShift);
    service->Register(851, 40, kCtrl | kShift);
    ASSERT_TRUE(Until([&] { return service->idle(); }));
    portal.Activate(service->session(), QStringLiteral("Play"));
    portal.Activate(service->session(), QStringLiteral("Stop"));
    portal.Flush(Client());  // both signals wait in the queue
    ASSERT_TRUE(Until([&] { return service == nullptr; }));
    Until([] { return false; }, 300ms);  // the second one's turn has come too
    EXPECT_EQ(activated_, std::vector<int>{849});
}

TEST_F(PortalShortcutsTest, DestroyedWhileTheUserDecidesWithdrawsTheRequest) {
    test::FakePortal portal(*bus_, {.answer_bind = false});
    ASSERT_TRUE(portal.ok());
    auto service = Make();
    ASSERT_NE(service, nullptr);
    service->Register(849, 13, kCtrl | kShift);
    ASSERT_TRUE(Until([&] { return CallsNamed(portal, "BindShortcuts").size() == 1; }));
    const QString session = service->session();
    const QString token = CallsNamed(portal, "BindShortcuts")[0].options.value("handle_token").toString();
    service.reset();
    ASSERT_TRUE(Until([&] { return portal.closed().size() == 2; }));
    EXPECT_TRUE(portal.closed()[0].endsWith(QLatin1Char('/') + token));
    EXPECT_EQ(portal.closed()[1], session);
    Until([] { return false; }, 100ms);
    EXPECT_TRUE(failed_.empty());
}

TEST_F(PortalShortcutsTest, APortalThatNeverAnswersDoesNotHang) {
    {
        test::FakePortal silent(*bus_, {.answer_get = false});
        ASSERT_TRUE(silent.ok());
        EXPECT_EQ(PortalShortcuts::Create([](int) {}, Client()), nullptr);
    }
    // The binding's call times out: its records failed, and the next change
    // is tried again.
    test::FakePortal portal(*bus_, {.answer_bind = false});
    ASSERT_TRUE(portal.ok());
    auto service = Make();
    ASSERT_NE(service, nullptr);
    service->Register(849, 13, kCtrl | kShift);
    service->Register(850, 39, kCtrl | kShift);
    ASSERT_TRUE(Until([&] { return CallsNamed(portal, "BindShortcuts").size() == 1; }));
    service->Register(851, 40, kCtrl | kShift);  // waits behind the binding under way
    ASSERT_TRUE(Until([&] { return !failed_.empty(); }, 10s));
    EXPECT_EQ(failed_[0], (std::vector<int>{849, 850}));
    ASSERT_TRUE(Until([&] { return CallsNamed(portal, "BindShortcuts").size() == 2; }));
    ASSERT_EQ(CallsNamed(portal, "BindShortcuts")[1].shortcuts.size(), 1u);
    EXPECT_EQ(CallsNamed(portal, "BindShortcuts")[1].shortcuts[0].id, "Stop");
}

TEST_F(PortalShortcutsTest, ServiceForThePlatformIsThePortalOffX11) {
    // Tests run on the offscreen platform: not xcb, so the portal when the
    // session bus has one.
    ASSERT_NE(QGuiApplication::platformName(), QLatin1String("xcb"));
    EXPECT_EQ(MakeShortcutService([](int) {}), nullptr);
    test::FakePortal portal(*bus_, {.refused = {"Play"}});
    ASSERT_TRUE(portal.ok());
    auto service = MakeShortcutService([](int) {}, [this](std::vector<int> ids) { failed_.push_back(ids); });
    ASSERT_NE(service, nullptr);
    ASSERT_NE(dynamic_cast<PortalShortcuts*>(service.get()), nullptr);
    EXPECT_TRUE(service->Register(849, 13, kCtrl | kShift));
    ASSERT_TRUE(Until([&] { return !failed_.empty(); }));
    EXPECT_EQ(failed_[0], std::vector<int>{849});
}

}  // namespace
