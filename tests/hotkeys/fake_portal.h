// A private session bus (a dbus-daemon of the test's own) and a fake
// desktop portal on it: org.freedesktop.portal.Desktop with the
// GlobalShortcuts calls answered through Request objects' Response signals,
// as the real portal answers. The fake serves from a thread of its own, so
// that the code under test may block on a call; what it records is read
// under a lock.
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QThread>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "child_program.h"
#include "hotkeys/portal_shortcuts.h"
#include "test_support.h"

namespace nuko::test {

class PrivateBus {
public:
    // Starts the daemon; address() is empty when that failed.
    PrivateBus();
    const std::string& address() const { return address_; }
    // A new connection with a name of its own.
    QDBusConnection Connect(const QString& name) const;

private:
    TempDir dir_;
    std::unique_ptr<ChildProgram> daemon_;
    std::string address_;
};

struct PortalCall {
    QString member;     // "CreateSession", "BindShortcuts"
    QString signature;  // of the message
    QString sender;     // the caller's unique name
    QString session;    // BindShortcuts: the session handle
    QVariantMap options;
    hotkeys::PortalShortcutList shortcuts;
};

class FakePortal final : public QDBusVirtualObject {
public:
    struct Behaviour {
        uint version = 1;              // 0: the portal lacks GlobalShortcuts
        bool answer_get = true;        // false: the version read never returns
        bool answer_bind = true;       // false: BindShortcuts never returns
        bool response_first = false;   // the Response signal before the call's reply
        uint bind_response = 0;        // 1: the user cancelled
        std::set<QString> refused;     // ids left out of the bound set
    };

    // Owns the portal's name on `bus` (a connection of its own) until
    // destroyed.
    FakePortal(const PrivateBus& bus, Behaviour behaviour);
    ~FakePortal() override;
    bool ok() const { return ok_; }

    std::vector<PortalCall> calls() const;
    std::vector<QString> closed() const;  // paths of Session.Close and Request.Close
    std::vector<QString> sessions() const;
    // Emits Activated for `session`.
    void Activate(const QString& session, const QString& shortcut_id);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void Answer(const QDBusMessage& message, const QString& token, uint response, const QVariantMap& results);

    QString name_;
    QDBusConnection bus_;
    QThread thread_;
    bool ok_ = false;
    mutable std::mutex mutex_;
    Behaviour behaviour_;
    std::vector<PortalCall> calls_;
    std::vector<QString> closed_;
    std::vector<QString> sessions_;
};

}  // namespace nuko::test
