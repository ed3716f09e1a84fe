// A fake logind for the tests, as a program of its own: it owns
// org.freedesktop.login1 on the bus given and prints every call that reaches
// it as one line, "CALL <path> <interface> <member> <signature> <arguments>",
// the arguments separated by blanks. Calls to the methods named with
// --refuse are answered with org.freedesktop.DBus.Error.AccessDenied, the
// others with an empty reply, as logind does. Prints "ready" once it owns
// the name. Nothing here powers anything off.
//
//   fake_login1 --address=ADDR [--refuse=METHOD]...
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

namespace {

class Login1 final : public QDBusVirtualObject {
public:
    Login1(QDBusConnection bus, QStringList refused) : bus_(std::move(bus)), refused_(std::move(refused)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection&) override {
        QStringList args;
        for (const QVariant& a : m.arguments()) args << a.toString();
        std::printf("CALL %s %s %s %s %s\n", qPrintable(m.path()), qPrintable(m.interface()), qPrintable(m.member()),
                    qPrintable(m.signature()), qPrintable(args.join(QLatin1Char(' '))));
        std::fflush(stdout);
        if (refused_.contains(m.member()))
            bus_.send(m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                         QStringLiteral("Interactive authentication required.")));
        else
            bus_.send(m.createReply());
        return true;
    }

private:
    QDBusConnection bus_;
    QStringList refused_;
};

}  // namespace

int main(int argc, char** argv) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // dies with the test
    QCoreApplication app(argc, argv);
    QString address;
    QStringList refused;
    for (const QString& a : app.arguments().mid(1)) {
        if (a.startsWith(QLatin1String("--address="))) {
            address = a.section(QLatin1Char('='), 1);
        } else if (a.startsWith(QLatin1String("--refuse="))) {
            refused << a.section(QLatin1Char('='), 1);
        } else {
            std::fprintf(stderr, "fake_login1: unknown argument %s\n", qPrintable(a));
            return 2;
        }
    }
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("fake-login1"));
    Login1 login1(bus, refused);
    if (!bus.isConnected() || !bus.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), &login1) ||
        !bus.registerService(QStringLiteral("org.freedesktop.login1"))) {
        std::fprintf(stderr, "fake_login1: cannot serve on %s\n", qPrintable(address));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
