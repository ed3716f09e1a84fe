#include "fake_portal.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";

QVariantMap MapOf(const QJsonValue& v) { return v.toObject().toVariantMap(); }

}  // namespace

PrivateBus::PrivateBus() {
    std::string config = kConfig;
    config.replace(config.find("DIR"), 3, dir_.path());
    std::ofstream(dir_.File("bus.conf")) << config;
    daemon_ = std::make_unique<ChildProgram>(std::vector<std::string>{FAKE_PORTAL, "--bus", dir_.File("bus.conf")});
    if (auto line = daemon_->ReadLine(std::chrono::seconds(10))) address_ = *line;
}

QDBusConnection PrivateBus::Connect(const QString& name) const {
    return QDBusConnection::connectToBus(QString::fromStdString(address_), name);
}

FakePortal::FakePortal(const PrivateBus& bus, const Behaviour& b) : control_(QString()) {
    static std::atomic<int> serial{0};
    control_name_ = QStringLiteral("fake-portal-control-%1").arg(++serial);
    control_ = bus.Connect(control_name_);
    std::vector<std::string> argv = {FAKE_PORTAL, "--address=" + bus.address()};
    for (std::string& a : b.Args()) argv.push_back(std::move(a));
    program_ = std::make_unique<ChildProgram>(argv);
    const auto line = program_->ReadLine(std::chrono::seconds(10));
    ok_ = control_.isConnected() && line && *line == "ready";
}

FakePortal::~FakePortal() {
    program_.reset();  // kills it
    // The bus frees the name when it sees the connection go; the next test
    // must not find this fake still there.
    PollUntil([&] { return !control_.interface()->isServiceRegistered(QString::fromLatin1(kPortalName)).value(); },
              std::chrono::seconds(5), std::chrono::milliseconds(5));
    QDBusConnection::disconnectFromBus(control_name_);
}

QDBusMessage FakePortal::Ask(const QString& member, const QList<QVariant>& args) const {
    QDBusMessage m = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalName), QStringLiteral("/fake"),
                                                    QStringLiteral("test.FakePortal"), member);
    m.setArguments(args);
    return control_.call(m, QDBus::Block, 5000);
}

std::vector<PortalCall> FakePortal::calls() const {
    std::vector<PortalCall> out;
    const QDBusMessage reply = Ask(QStringLiteral("Calls"));
    const QJsonArray list = QJsonDocument::fromJson(reply.arguments().value(0).toString().toUtf8()).array();
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        PortalCall c{o["member"].toString(), o["signature"].toString(), o["sender"].toString(),
                     o["session"].toString(), MapOf(o["options"]), {}};
        for (const QJsonValue& s : o["shortcuts"].toArray())
            c.shortcuts.push_back({s.toObject()["id"].toString(), MapOf(s.toObject()["options"])});
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<QString> FakePortal::closed() const {
    const QStringList l = Ask(QStringLiteral("Closed")).arguments().value(0).toStringList();
    return {l.begin(), l.end()};
}

std::vector<QString> FakePortal::sessions() const {
    const QStringList l = Ask(QStringLiteral("Sessions")).arguments().value(0).toStringList();
    return {l.begin(), l.end()};
}

void FakePortal::Flush(const QDBusConnection& client) const {
    QDBusMessage m = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalName), QStringLiteral("/fake"),
                                                    QStringLiteral("test.FakePortal"), QStringLiteral("Sessions"));
    QDBusConnection(client).call(m, QDBus::Block, 5000);
}

void FakePortal::Activate(const QString& session, const QString& shortcut_id) const {
    Ask(QStringLiteral("Activate"), {session, shortcut_id});
}

}  // namespace nuko::test
