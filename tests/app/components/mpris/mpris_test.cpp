// The media controls: the model over a core with recording back ends, and
// the component on a D-Bus bus of the test's own, asked as the desktop's
// controls ask (properties, methods, signals).
#include "app/components/mpris/mpris_component.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QObject>
#include <QTest>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "app/components/mpris/mpris_model.h"
#include "fake_backend.h"
#include "fake_core_context.h"
#include "manual_clock.h"
#include "qt_app.h"
#include "session_bus.h"
#include "test_support.h"

using namespace nuko;
using app::MprisModel;
using media::MediaKind;
using playback::PlayState;
namespace cmd = app::cmd;

namespace {

class MprisTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* n : {"a.mid", "b.mid", "c d.mid"}) test::WriteBytes(midi.File(n), "x");
        s.kinds[0].path = midi.path();
        s.kinds[0].sub_code = 0x0001;
        s.kinds[0].mode = 1;  // sequential
        backends.setup[MediaKind::Midi] = [](test::FakeBackend& b) {
            b.length_ms = 30'000;
            b.mode = playback::DeviceMode::Playing;  // no end seen on the clock
        };
        core = std::make_unique<app::PlayerCore>(test::FakeCoreContext(s, work.path(), queue, clock, backends));
        core->RegisterCommands(router);
    }

    test::FakeBackend& Midi() { return *backends.made.front(); }
    void Run() { queue.RunPending(); }
    // The song is at `ms` a second later: the clock reads the position.
    void At(std::int64_t ms) {
        Midi().position_ms = ms;
        clock.Advance(1000);
        core->Tick();
    }

    test::TempDir midi, work;
    settings::Settings s;
    test::FakeBackends backends;
    CallQueue queue;
    test::ManualClock clock;
    app::CommandRouter router;
    std::unique_ptr<app::PlayerCore> core;
};

// The model alone, fed the core's events as the component feeds it.
class ModelTest : public MprisTest, public app::CoreListener {
protected:
    void SetUp() override {
        MprisTest::SetUp();
        model = std::make_unique<MprisModel>(*core, router);
        core->Subscribe(*this);
        core->Start();
    }
    void OnItemShown(int item) override { model->ItemShown(item); }
    void OnItemStarted(const playback::ItemDisplay& item) override { model->ItemStarted(item); }

    std::unique_ptr<MprisModel> model;
};

}  // namespace

TEST_F(ModelTest, StatusTrackAndSwitchesFollowThePlayCommands) {
    app::MprisSnapshot idle = model->Snapshot();
    EXPECT_EQ(idle.status, "Stopped");
    EXPECT_TRUE(idle.can_play);
    EXPECT_FALSE(idle.can_pause);
    EXPECT_FALSE(idle.can_seek);

    model->Play();
    Run();
    app::MprisSnapshot playing = model->Snapshot();
    EXPECT_EQ(playing.status, "Playing");
    ASSERT_TRUE(playing.track);
    EXPECT_EQ(playing.track->id, MprisModel::TrackId(MediaKind::Midi, 1));
    EXPECT_EQ(playing.track->title, "a");
    EXPECT_EQ(playing.track->path, midi.File("a.mid"));
    EXPECT_EQ(playing.track->length_us, 30'000'000);
    EXPECT_TRUE(playing.can_pause && playing.can_go_next && playing.can_seek);

    model->Play();  // already playing: nothing starts again
    Run();
    EXPECT_EQ(Midi().plays, 1);

    model->Pause();
    EXPECT_EQ(model->Snapshot().status, "Paused");
    model->Pause();  // a pause does not resume
    EXPECT_EQ(model->Snapshot().status, "Paused");
    model->PlayPause();
    EXPECT_EQ(model->Snapshot().status, "Playing");
    model->PlayPause();
    EXPECT_EQ(model->Snapshot().status, "Paused");
    model->Play();  // goes on from the pause
    EXPECT_EQ(model->Snapshot().status, "Playing");

    model->Next();
    Run();
    ASSERT_TRUE(model->Snapshot().track);
    EXPECT_EQ(model->Snapshot().track->title, "b");
    EXPECT_EQ(model->Snapshot().track->id, MprisModel::TrackId(MediaKind::Midi, 2));

    model->Stop();
    EXPECT_EQ(model->Snapshot().status, "Stopped");
    EXPECT_FALSE(model->Snapshot().can_seek);
    EXPECT_EQ(model->PositionUs(), 0);
}

TEST_F(ModelTest, PositionsAndSeeksInMicroseconds) {
    model->Play();
    Run();
    At(12'000);
    const std::int64_t unit = core->controller().seconds_unit() ? 1'000'000 : 10'000;
    EXPECT_EQ(model->PositionUs(), 12'000'000);

    const std::string id = model->Snapshot().track->id;
    // A stale track, a negative position, one past the end: ignored.
    EXPECT_FALSE(model->SetPosition(MprisModel::TrackId(MediaKind::Midi, 2), 1'000'000));
    EXPECT_FALSE(model->SetPosition(id, -1));
    EXPECT_FALSE(model->SetPosition(id, 31'000'000));
    EXPECT_FALSE(model->SetPosition(MprisModel::kNoTrack, 1'000'000));
    EXPECT_EQ(Midi().seek_ms, -1);

    std::optional<std::int64_t> to = model->SetPosition(id, 20'000'000);
    ASSERT_TRUE(to);
    EXPECT_EQ(*to, 20'000'000 / unit * unit);
    EXPECT_EQ(Midi().seek_ms, 20'000);

    // Relative: back before the start is the start; the largest offsets do
    // not overflow.
    At(20'000);
    to = model->Seek(-5'000'000);
    ASSERT_TRUE(to);
    EXPECT_EQ(*to, 15'000'000);
    At(15'000);
    to = model->Seek(INT64_MIN);
    ASSERT_TRUE(to);
    EXPECT_EQ(*to, 0);

    // Past the end: the next item.
    At(1'000);
    EXPECT_FALSE(model->Seek(INT64_MAX));
    Run();
    EXPECT_EQ(model->Snapshot().track->title, "b");
}

TEST_F(ModelTest, NothingSeeksWhileStopped) {
    EXPECT_FALSE(model->Seek(1'000'000));
    EXPECT_FALSE(model->SetPosition(MprisModel::TrackId(MediaKind::Midi, 1), 0));
}

TEST_F(ModelTest, OpenFilePlaysWhatItNamesAndNothingElse) {
    EXPECT_FALSE(model->OpenFile(""));
    EXPECT_FALSE(model->OpenFile(midi.File("no-such.mid")));
    Run();
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);

    ASSERT_TRUE(model->OpenFile(midi.File("c d.mid")));
    Run();
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    ASSERT_TRUE(model->Snapshot().track);
    EXPECT_EQ(model->Snapshot().track->path, midi.File("c d.mid"));
}

TEST(MprisUri, OnlyLocalFileUrlsGiveAPath) {
    test::QtApp();
    auto path = [](const char* uri) { return app::LocalPathOfUri(QString::fromUtf8(uri)); };
    EXPECT_EQ(path("file:///music/a%20b.mid"), "/music/a b.mid");
    EXPECT_EQ(path("FILE:///%E6%9B%B2.mid"), "/曲.mid");
    EXPECT_EQ(path("file:///a.mid?x=1#y"), "/a.mid");
    EXPECT_EQ(path("file://localhost/a.mid"), "/a.mid");
    for (const char* ignored : {"file://host/a.mid", "file:///a%zz.mid", "file:///a%2", "file:///a%00b.mid",
                                "https://example.com/a.mid", "ftp:///a.mid", "file:", "a.mid", "", "file://"})
        EXPECT_EQ(path(ignored), "") << ignored;
}

// ---- On a bus ----

namespace {

constexpr const char* kPlayer = "org.mpris.MediaPlayer2.Player";
constexpr const char* kPath = "/org/mpris/MediaPlayer2";

// What the player says on the bus.
class SignalLog : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changed;
    QList<qlonglong> seeked;

public Q_SLOTS:
    void OnChanged(const QString& interface, const QVariantMap& properties, const QStringList&) {
        if (interface == QLatin1String(kPlayer)) changed.push_back(properties);
    }
    void OnSeeked(qlonglong position) { seeked.push_back(position); }
};

// The reply of a call made without blocking: the player answers from the
// same event loop.
QDBusMessage Call(QDBusConnection& bus, const QString& service, const QString& interface, const QString& method,
                  const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, QLatin1String(kPath), interface, method);
    m.setArguments(args);
    QDBusPendingCall call = bus.asyncCall(m);
    QElapsedTimer t;
    t.start();
    while (!call.isFinished() && t.elapsed() < 10'000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return call.reply();
}

QVariant Get(QDBusConnection& bus, const QString& service, const QString& interface, const char* name) {
    QDBusMessage r = Call(bus, service, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                          {interface, QString::fromLatin1(name)});
    return r.arguments().value(0).value<QDBusVariant>().variant();
}

QVariantMap MapOf(const QVariant& v) {
    if (v.canConvert<QDBusArgument>()) return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

class BusTest : public MprisTest {
protected:
    void SetUp() override {
        test::QtApp();
        std::string why;
        NUKO_REQUIRE_TOOL(bus.Start(&why), why);
        MprisTest::SetUp();
        client = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), QStringLiteral("test-client"));
        ASSERT_TRUE(client.isConnected());
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("test-client")); }

    QString Name() const { return QString::fromLatin1(app::MprisComponent::kBusName); }
    QVariant Player(const char* property) { return Get(client, Name(), QLatin1String(kPlayer), property); }
    QDBusMessage Do(const char* method, const QVariantList& args = {}) {
        QDBusMessage r = Call(client, Name(), QLatin1String(kPlayer), QString::fromLatin1(method), args);
        Run();
        return r;
    }

    test::SessionBus bus;
    QDBusConnection client{QStringLiteral("none")};
};

}  // namespace

TEST_F(BusTest, ControlsSeeAndDriveThePlayer) {
    int raised = 0;
    app::MprisComponent mpris([&raised] { ++raised; }, QString::fromStdString(bus.address()));
    mpris.Attach(*core, router);
    core->Start();
    ASSERT_EQ(mpris.bus_name(), Name());

    SignalLog log;
    ASSERT_TRUE(client.connect(Name(), QLatin1String(kPath), QStringLiteral("org.freedesktop.DBus.Properties"),
                               QStringLiteral("PropertiesChanged"), &log,
                               SLOT(OnChanged(QString, QVariantMap, QStringList))));
    ASSERT_TRUE(client.connect(Name(), QLatin1String(kPath), QLatin1String(kPlayer), QStringLiteral("Seeked"), &log,
                               SLOT(OnSeeked(qlonglong))));

    EXPECT_EQ(Get(client, Name(), QStringLiteral("org.mpris.MediaPlayer2"), "Identity").toString(), "NU-KOP32");
    EXPECT_EQ(Player("PlaybackStatus").toString(), "Stopped");
    EXPECT_TRUE(Player("CanPlay").toBool());
    EXPECT_FALSE(Player("CanPause").toBool());

    Do("Play");
    EXPECT_EQ(Player("PlaybackStatus").toString(), "Playing");
    QVariantMap meta = MapOf(Player("Metadata"));
    EXPECT_EQ(meta.value("xesam:title").toString(), "a");
    EXPECT_EQ(meta.value("mpris:length").toLongLong(), 30'000'000);
    EXPECT_EQ(meta.value("xesam:url").toString(), QUrl::fromLocalFile(QString::fromStdString(midi.File("a.mid"))).toString());
    const QString id = meta.value("mpris:trackid").value<QDBusObjectPath>().path();
    EXPECT_EQ(id.toStdString(), MprisModel::TrackId(MediaKind::Midi, 1));
    QTRY_VERIFY(std::any_of(log.changed.begin(), log.changed.end(), [](const QVariantMap& m) {
        return m.value("PlaybackStatus").toString() == "Playing";
    }));
    QTRY_VERIFY(std::any_of(log.changed.begin(), log.changed.end(),
                            [](const QVariantMap& m) { return m.contains("Metadata"); }));

    // A second of play: no jump, no Seeked.
    Midi().position_ms = 1'000;
    clock.Advance(1000);
    core->Tick();
    EXPECT_EQ(Player("Position").toLongLong(), 1'000'000);

    // A stale track id and a negative position are ignored; the right one
    // seeks and says so.
    Do("SetPosition", {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/jp/nuko/nu_kop32/track/0_3"))),
                       qlonglong(1'000'000)});
    Do("SetPosition", {QVariant::fromValue(QDBusObjectPath(id)), qlonglong(-1)});
    EXPECT_EQ(Midi().seek_ms, -1);
    Do("SetPosition", {QVariant::fromValue(QDBusObjectPath(id)), qlonglong(10'000'000)});
    EXPECT_EQ(Midi().seek_ms, 10'000);
    QTRY_COMPARE(log.seeked.size(), 1);
    EXPECT_EQ(log.seeked.front(), 10'000'000);
    // The position jumps further than the time that passed (the time
    // slider, a hot key): the controls hear of it too.
    Midi().position_ms = 25'000;
    clock.Advance(1000);
    core->Tick();
    QTRY_COMPARE(log.seeked.size(), 2);
    EXPECT_EQ(log.seeked.back(), 25'000'000);
    Midi().position_ms = 26'000;
    clock.Advance(1000);
    core->Tick();
    QTest::qWait(50);
    EXPECT_EQ(log.seeked.size(), 2);

    // A URL that is not a local file: an answer, nothing else.
    QDBusMessage r = Do("OpenUri", {QStringLiteral("http://example.com/x.mid")});
    EXPECT_NE(r.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(core->controller().current_item(), 1);
    Do("OpenUri", {QUrl::fromLocalFile(QString::fromStdString(midi.File("c d.mid"))).toString(QUrl::FullyEncoded)});
    EXPECT_EQ(MapOf(Player("Metadata")).value("xesam:title").toString(), "c d");

    Do("Previous");
    EXPECT_EQ(MapOf(Player("Metadata")).value("xesam:title").toString(), "b");
    Do("Pause");
    EXPECT_EQ(Player("PlaybackStatus").toString(), "Paused");
    Do("PlayPause");
    EXPECT_EQ(Player("PlaybackStatus").toString(), "Playing");
    Do("Stop");
    EXPECT_EQ(Player("PlaybackStatus").toString(), "Stopped");

    Call(client, Name(), QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Raise"));
    EXPECT_EQ(raised, 1);

    // The name goes at the exit.
    mpris.Shutdown();
    EXPECT_TRUE(mpris.bus_name().isEmpty());
    EXPECT_NE(Call(client, Name(), QLatin1String(kPlayer), QStringLiteral("Play")).type(),
              QDBusMessage::ReplyMessage);
}

TEST_F(BusTest, QuitRunsTheExitCommandAfterAnswering) {
    int exits = 0;
    router.Register(cmd::kExit, {[&exits] { ++exits; }});
    app::MprisComponent mpris({}, QString::fromStdString(bus.address()));
    mpris.Attach(*core, router);
    QDBusMessage r = Call(client, Name(), QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Quit"));
    EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE(exits, 1);
}

TEST_F(BusTest, ASecondPlayerTakesANameOfItsOwn) {
    // Another process holds the name.
    QDBusConnection other = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), QStringLiteral("other"));
    ASSERT_TRUE(other.registerService(Name()));
    {
        app::MprisComponent mpris({}, QString::fromStdString(bus.address()));
        mpris.Attach(*core, router);
        EXPECT_EQ(mpris.bus_name(), Name() + ".instance" + QString::number(::getpid()));
        EXPECT_EQ(Get(client, mpris.bus_name(), QLatin1String(kPlayer), "PlaybackStatus").toString(), "Stopped");
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("other"));
}

TEST_F(MprisTest, WithoutABusThePlayerRunsOn) {
    test::QtApp();
    app::MprisComponent mpris({}, QStringLiteral("unix:path=/nonexistent/bus"));
    mpris.Attach(*core, router);
    core->Start();
    EXPECT_TRUE(mpris.bus_name().isEmpty());
    ASSERT_TRUE(router.Run(cmd::kPlay));
    Run();
    EXPECT_EQ(mpris.model()->Snapshot().status, "Playing");
    mpris.SendSeeked(1);  // nowhere to go: nothing happens
    mpris.Shutdown();
}

#include "mpris_test.moc"
