#include "fake_portal.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <atomic>
#include <fstream>

namespace nuko::test {

namespace {

// A session bus with no services to start and no limits on who talks.
constexpr const char* kConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=DIR</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

QString Escaped(QString sender) {
    if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

}  // namespace

PrivateBus::PrivateBus() {
    std::string config = kConfig;
    config.replace(config.find("DIR"), 3, dir_.path());
    std::ofstream(dir_.File("bus.conf")) << config;
    daemon_ = std::make_unique<ChildProgram>(
        std::vector<std::string>{"/usr/bin/dbus-daemon", "--config-file=" + dir_.File("bus.conf"), "--nofork",
                                 "--print-address"});
    if (auto line = daemon_->ReadLine(std::chrono::seconds(10))) address_ = *line;
}

QDBusConnection PrivateBus::Connect(const QString& name) const {
    return QDBusConnection::connectToBus(QString::fromStdString(address_), name);
}

FakePortal::FakePortal(const PrivateBus& bus, Behaviour behaviour)
    : bus_(QDBusConnection(QString())), behaviour_(std::move(behaviour)) {
    static std::atomic<int> serial{0};
    name_ = QStringLiteral("fake-portal-%1").arg(++serial);
    hotkeys::RegisterPortalTypes();
    bus_ = bus.Connect(name_);
    // Registered here, then moved with what registering made: calls reach
    // the object on its own thread from then on.
    ok_ = bus_.isConnected() &&
          bus_.registerVirtualObject(QString::fromLatin1(hotkeys::kPortalPath), this, QDBusConnection::SubPath);
    thread_.start();
    moveToThread(&thread_);
    ok_ = ok_ && bus_.registerService(QString::fromLatin1(hotkeys::kPortalService));
}

FakePortal::~FakePortal() {
    bus_.unregisterService(QString::fromLatin1(hotkeys::kPortalService));
    bus_.unregisterObject(QString::fromLatin1(hotkeys::kPortalPath), QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(name_);
    thread_.quit();
    thread_.wait();
}

std::vector<PortalCall> FakePortal::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<QString> FakePortal::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

std::vector<QString> FakePortal::sessions() const {
    std::lock_guard lock(mutex_);
    return sessions_;
}

void FakePortal::Activate(const QString& session, const QString& shortcut_id) {
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(hotkeys::kPortalPath),
                                                     QString::fromLatin1(hotkeys::kShortcutsInterface),
                                                     QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(session)) << shortcut_id << qulonglong(1234) << QVariantMap();
    bus_.send(signal);
}

QString FakePortal::introspect(const QString&) const { return {}; }

void FakePortal::Answer(const QDBusMessage& message, const QString& token, uint response, const QVariantMap& results) {
    const QString request =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(Escaped(message.service()), token);
    QDBusMessage signal =
        QDBusMessage::createSignal(request, QString::fromLatin1(hotkeys::kRequestInterface), QStringLiteral("Response"));
    signal << response << results;
    const QDBusMessage reply = message.createReply(QVariant::fromValue(QDBusObjectPath(request)));
    if (behaviour_.response_first) {
        bus_.send(signal);
        bus_.send(reply);
    } else {
        bus_.send(reply);
        bus_.send(signal);
    }
}

bool FakePortal::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    const QString member = message.member();
    const QList<QVariant> args = message.arguments();
    std::lock_guard lock(mutex_);
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get")) {
        if (!behaviour_.answer_get) return true;
        if (behaviour_.version == 0 || args.value(0).toString() != QLatin1String(hotkeys::kShortcutsInterface)) {
            bus_.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                               QStringLiteral("No such interface")));
            return true;
        }
        bus_.send(message.createReply(QVariant::fromValue(QDBusVariant(behaviour_.version))));
        return true;
    }
    if (member == QLatin1String("Close")) {
        closed_.push_back(message.path());
        bus_.send(message.createReply());
        return true;
    }
    if (message.interface() != QLatin1String(hotkeys::kShortcutsInterface)) return false;

    PortalCall call{member, message.signature(), message.service(), {}, {}, {}};
    if (member == QLatin1String("CreateSession") && message.signature() == QLatin1String("a{sv}")) {
        call.options = qdbus_cast<QVariantMap>(args.at(0));
        calls_.push_back(call);
        const QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                                    .arg(Escaped(message.service()), call.options.value("session_handle_token").toString());
        sessions_.push_back(session);
        Answer(message, call.options.value("handle_token").toString(), 0, {{QStringLiteral("session_handle"), session}});
        return true;
    }
    if (member == QLatin1String("BindShortcuts") && message.signature() == QLatin1String("oa(sa{sv})sa{sv}")) {
        call.session = args.at(0).value<QDBusObjectPath>().path();
        call.shortcuts = qdbus_cast<hotkeys::PortalShortcutList>(args.at(1));
        call.options = qdbus_cast<QVariantMap>(args.at(3));
        calls_.push_back(call);
        if (!behaviour_.answer_bind) return true;
        hotkeys::PortalShortcutList bound;
        for (const hotkeys::PortalShortcut& s : call.shortcuts) {
            if (behaviour_.refused.count(s.id)) continue;
            bound.append({s.id, {{QStringLiteral("description"), s.options.value("description")},
                                 {QStringLiteral("trigger_description"), s.options.value("preferred_trigger")}}});
        }
        Answer(message, call.options.value("handle_token").toString(), behaviour_.bind_response,
               {{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}});
        return true;
    }
    calls_.push_back(call);
    bus_.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), QStringLiteral("bad call")));
    return true;
}

}  // namespace nuko::test
