// A private session bus (a dbus-daemon of the test's own) and a fake
// desktop portal on it, run as a program of its own (fake_portal_main.cpp)
// so that the code under test may block on a call to it. The handle starts
// the program, reads what it recorded and asks it to emit signals.
#pragma once

#include <QDBusConnection>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <string>
#include <vector>

#include "child_program.h"
#include "fake_portal_behaviour.h"
#include "test_support.h"

namespace nuko::test {

class PrivateBus {
public:
    // Starts the daemon (through the fake's program, so that it dies with
    // the test); address() is empty when that failed.
    PrivateBus();
    const std::string& address() const { return address_; }
    // A new connection with a name of its own.
    QDBusConnection Connect(const QString& name) const;

private:
    TempDir dir_;
    std::unique_ptr<ChildProgram> daemon_;
    std::string address_;
};

struct PortalShortcutCall {
    QString id;
    QVariantMap options;
};

struct PortalCall {
    QString member;     // "CreateSession", "BindShortcuts"
    QString signature;  // of the message
    QString sender;     // the caller's unique name
    QString session;    // BindShortcuts: the session handle
    QVariantMap options;
    std::vector<PortalShortcutCall> shortcuts;
};

class FakePortal {
public:
    using Behaviour = FakePortalBehaviour;

    // Runs the fake until destroyed; then waits until its name is free.
    FakePortal(const PrivateBus& bus, const Behaviour& behaviour);
    ~FakePortal();
    bool ok() const { return ok_; }

    std::vector<PortalCall> calls() const;
    std::vector<QString> closed() const;  // paths of Session.Close and Request.Close
    std::vector<QString> sessions() const;
    // Emits Activated for `session`.
    void Activate(const QString& session, const QString& shortcut_id) const;
    // Returns once every signal the fake sent so far has reached `client`
    // and waits in its receivers' event queues: the fake answers a call
    // from `client` after it, and a blocking call runs no events.
    void Flush(const QDBusConnection& client) const;

private:
    QDBusMessage Ask(const QString& member, const QList<QVariant>& args = {}) const;

    QString control_name_;
    QDBusConnection control_;
    std::unique_ptr<ChildProgram> program_;
    bool ok_ = false;
};

}  // namespace nuko::test
