// A fake desktop portal for the tests, as a program of its own: it owns
// org.freedesktop.portal.Desktop on the bus given, answers GlobalShortcuts'
// CreateSession and BindShortcuts through Request objects' Response signals
// as the real portal does, and records the calls. A control interface
// (test.FakePortal at /fake) hands the records to the test and emits
// Activated on request. Prints "ready" once it owns the name.
//
//   fake_portal --address=ADDR [--version=N] [--silent-get] [--silent-bind]
//               [--response-first] [--bind-response=N] [--refuse=ID]...
//   fake_portal --bus CONFIG    runs the test's dbus-daemon
//
// Both die with the test program, so that a test that crashes leaves no
// daemon holding its output open.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <cstdio>
#include <set>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>

#include "fake_portal_behaviour.h"
#include "hotkeys/portal_shortcuts.h"

namespace {

using nuko::hotkeys::PortalShortcut;
using nuko::hotkeys::PortalShortcutList;

using Behaviour = nuko::test::FakePortalBehaviour;

// The portal's names as its published interface spells them, not as the
// code under test does, so that a misspelt name there cannot pass.
const QString kDesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kGlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");

QString Escaped(QString sender) {
    if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

QJsonObject ToJson(const QVariantMap& map) {
    QJsonObject o;
    for (auto it = map.begin(); it != map.end(); ++it) o.insert(it.key(), it.value().toString());
    return o;
}

class Portal final : public QDBusVirtualObject {
public:
    Portal(QDBusConnection bus, Behaviour b) : bus_(std::move(bus)), b_(std::move(b)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection&) override {
        const QString member = m.member();
        const QList<QVariant> args = m.arguments();
        if (m.path() == QLatin1String("/fake")) return Control(m);
        if (m.interface() == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get")) {
            if (!b_.answer_get) return true;
            if (b_.version == 0 || m.path() != kDesktopPath || args.value(0).toString() != kGlobalShortcuts ||
                args.value(1).toString() != QLatin1String("version"))
                bus_.send(m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                             QStringLiteral("No such interface")));
            else
                bus_.send(m.createReply(QVariant::fromValue(QDBusVariant(b_.version))));
            return true;
        }
        // A request is closed through Request, a session through Session.
        const bool request_close = m.interface() == kRequest &&
                                   m.path().startsWith(kDesktopPath + QStringLiteral("/request/"));
        const bool session_close = m.interface() == kSession &&
                                   m.path().startsWith(kDesktopPath + QStringLiteral("/session/"));
        if (member == QLatin1String("Close") && (request_close || session_close)) {
            closed_.append(m.path());
            bus_.send(m.createReply());
            return true;
        }
        QJsonObject call{{"member", member}, {"signature", m.signature()}, {"sender", m.service()},
                         {"interface", m.interface()}};
        const bool shortcuts_call = m.interface() == kGlobalShortcuts && m.path() == kDesktopPath;
        if (shortcuts_call && member == QLatin1String("CreateSession") && m.signature() == QLatin1String("a{sv}")) {
            const QVariantMap options = qdbus_cast<QVariantMap>(args.at(0));
            call.insert("options", ToJson(options));
            calls_.append(call);
            const QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                                        .arg(Escaped(m.service()), options.value("session_handle_token").toString());
            sessions_.append(session);
            Answer(m, options.value("handle_token").toString(), 0, {{QStringLiteral("session_handle"), session}});
            return true;
        }
        if (shortcuts_call && member == QLatin1String("BindShortcuts") &&
            m.signature() == QLatin1String("oa(sa{sv})sa{sv}")) {
            const PortalShortcutList shortcuts = qdbus_cast<PortalShortcutList>(args.at(1));
            const QVariantMap options = qdbus_cast<QVariantMap>(args.at(3));
            QJsonArray list;
            for (const PortalShortcut& s : shortcuts) list.append(QJsonObject{{"id", s.id}, {"options", ToJson(s.options)}});
            call.insert("session", args.at(0).value<QDBusObjectPath>().path());
            call.insert("shortcuts", list);
            call.insert("options", ToJson(options));
            calls_.append(call);
            if (!b_.answer_bind) return true;
            PortalShortcutList bound;
            for (const PortalShortcut& s : shortcuts) {
                if (b_.refused.count(s.id.toStdString())) continue;
                bound.append({s.id, {{QStringLiteral("description"), s.options.value("description")},
                                     {QStringLiteral("trigger_description"), s.options.value("preferred_trigger")}}});
            }
            Answer(m, options.value("handle_token").toString(), b_.bind_response,
                   {{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}});
            return true;
        }
        calls_.append(call);
        bus_.send(m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), QStringLiteral("bad call")));
        return true;
    }

private:
    void Answer(const QDBusMessage& m, const QString& token, uint response, const QVariantMap& results) {
        const QString request =
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(Escaped(m.service()), token);
        QDBusMessage signal = QDBusMessage::createSignal(request, kRequest, QStringLiteral("Response"));
        signal << response << results;
        const QDBusMessage reply = m.createReply(QVariant::fromValue(QDBusObjectPath(request)));
        bus_.send(b_.response_first ? signal : reply);
        bus_.send(b_.response_first ? reply : signal);
    }

    bool Control(const QDBusMessage& m) {
        const QString member = m.member();
        if (member == QLatin1String("Calls")) {
            bus_.send(m.createReply(QString::fromUtf8(QJsonDocument(calls_).toJson(QJsonDocument::Compact))));
        } else if (member == QLatin1String("Closed")) {
            bus_.send(m.createReply(closed_));
        } else if (member == QLatin1String("Sessions")) {
            bus_.send(m.createReply(sessions_));
        } else if (member == QLatin1String("Activate")) {
            QDBusMessage signal = QDBusMessage::createSignal(kDesktopPath, kGlobalShortcuts, QStringLiteral("Activated"));
            signal << QVariant::fromValue(QDBusObjectPath(m.arguments().value(0).toString()))
                   << m.arguments().value(1).toString() << qulonglong(1234) << QVariantMap();
            bus_.send(signal);
            bus_.send(m.createReply());
        } else {
            return false;
        }
        return true;
    }

    QDBusConnection bus_;
    Behaviour b_;
    QJsonArray calls_;
    QStringList closed_;
    QStringList sessions_;
};

}  // namespace

int main(int argc, char** argv) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // kept across exec
    if (argc == 3 && std::string(argv[1]) == "--bus") {
        const std::string config = std::string("--config-file=") + argv[2];
        char* daemon_argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>(config.c_str()),
                               const_cast<char*>("--nofork"), const_cast<char*>("--print-address"), nullptr};
        ::execv("/usr/bin/dbus-daemon", daemon_argv);
        std::perror("fake_portal: dbus-daemon");
        return 127;
    }
    QCoreApplication app(argc, argv);
    nuko::hotkeys::RegisterPortalTypes();
    Behaviour b;
    QString address;
    for (const QString& a : app.arguments().mid(1)) {
        if (a.startsWith("--address=")) {
            address = a.section(QLatin1Char('='), 1);
        } else if (!b.Parse(a.toStdString())) {
            std::fprintf(stderr, "fake_portal: unknown argument %s\n", qPrintable(a));
            return 2;
        }
    }
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("fake-portal"));
    Portal portal(bus, b);
    if (!bus.isConnected() || !bus.registerVirtualObject(QStringLiteral("/"), &portal, QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "fake_portal: cannot serve on %s\n", qPrintable(address));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
