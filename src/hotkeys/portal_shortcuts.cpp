#include "portal_shortcuts.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QRandomGenerator>
#include <QTimer>
#include <atomic>
#include <set>

#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "virtual_keys.h"

namespace nuko::hotkeys {

QDBusArgument& operator<<(QDBusArgument& arg, const PortalShortcut& s) {
    arg.beginStructure();
    arg << s.id << s.options;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, PortalShortcut& s) {
    arg.beginStructure();
    arg >> s.id >> s.options;
    arg.endStructure();
    return arg;
}

void RegisterPortalTypes() {
    static const bool once = [] {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<PortalShortcutList>();
        return true;
    }();
    (void)once;
}

QString PortalShortcutId(int id) {
    if (id < kFirstId || id > kLastId) return {};
    return QString::fromUtf8(LoadString(strings::kFirstHotkeyName + (id - kFirstId)));
}

namespace {

// An object path or a string that holds one (the portal documents the
// session handle as a string; some answer with a path).
QString PathOf(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<QDBusObjectPath>()) return v.value<QDBusObjectPath>().path();
    return v.toString();
}

// A token of our own for a request or session handle: object path elements
// allow letters, digits and '_'. Unique within the process, unlikely to
// repeat across runs on one connection name.
QString NewToken() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("nuko_%1_%2")
        .arg(++counter)
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

}  // namespace

std::unique_ptr<PortalShortcuts> PortalShortcuts::Create(std::function<void(int)> activated, QDBusConnection bus) {
    if (!bus.isConnected()) return nullptr;
    // The version property says whether the portal has the interface at all;
    // without a portal the call fails at once or times out.
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QString::fromLatin1(kShortcutsInterface) << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kPortalCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return nullptr;
    const uint version = qdbus_cast<QDBusVariant>(reply.arguments().at(0)).variant().toUInt();
    if (version == 0) return nullptr;
    return std::unique_ptr<PortalShortcuts>(new PortalShortcuts(bus, std::move(activated)));
}

PortalShortcuts::PortalShortcuts(QDBusConnection bus, std::function<void(int)> activated)
    : bus_(std::move(bus)), activated_(std::move(activated)) {
    RegisterPortalTypes();
    bus_.connect(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                 QString::fromLatin1(kShortcutsInterface), QStringLiteral("Activated"), this,
                 SLOT(OnActivated(QDBusMessage)));
}

PortalShortcuts::~PortalShortcuts() {
    bus_.disconnect(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                    QString::fromLatin1(kShortcutsInterface), QStringLiteral("Activated"), this,
                    SLOT(OnActivated(QDBusMessage)));
    // An open request (a binding the user still looks at, a session being
    // made) is withdrawn; the portal then makes nothing for us.
    for (const auto& [path, kind] : requests_) {
        WatchRequest(path, false);
        bus_.send(QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), path,
                                                 QString::fromLatin1(kRequestInterface), QStringLiteral("Close")));
    }
    requests_.clear();
    CloseSession();
}

bool PortalShortcuts::Register(int id, int virtual_key, int modifiers) {
    if (id < kFirstId || id > kLastId || (modifiers & ~(kShift | kCtrl | kAlt)) != 0) return false;
    const QString trigger = QString::fromStdString(ShortcutTrigger(virtual_key, modifiers));
    if (trigger.isEmpty()) return false;
    auto it = wanted_.find(id);
    if (it != wanted_.end() && it->second.trigger == trigger) return true;  // nothing to ask again
    wanted_[id] = {trigger, ++serial_};
    dirty_ = true;
    Schedule();
    return true;
}

void PortalShortcuts::Unregister(int id) {
    if (!wanted_.erase(id)) return;
    dirty_ = true;
    Schedule();
}

bool PortalShortcuts::idle() const { return !scheduled_ && !creating_ && !binding_ && !dirty_; }

void PortalShortcuts::Schedule() {
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] { Flush(); });
}

void PortalShortcuts::Flush() {
    scheduled_ = false;
    // One thing at a time: what changes meanwhile goes with the next binding.
    if (!dirty_ || creating_ || binding_) return;
    if (wanted_.empty()) {
        dirty_ = false;
        CloseSession();
    } else if (session_.isEmpty()) {
        StartSession();
    } else {
        Bind();
    }
}

void PortalShortcuts::StartSession() {
    creating_ = true;
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"), NewToken());
    CallWithRequest(Pending::kCreate, QStringLiteral("CreateSession"), {options});
}

void PortalShortcuts::Bind() {
    dirty_ = false;
    binding_ = true;
    PortalShortcutList list;
    sent_.clear();
    for (const auto& [id, wanted] : wanted_) {
        QVariantMap options;
        options.insert(QStringLiteral("description"), QString::fromStdString(DisplayName(id)));
        options.insert(QStringLiteral("preferred_trigger"), wanted.trigger);
        list.append({PortalShortcutId(id), options});
        sent_.emplace_back(id, wanted.stamp);
    }
    CallWithRequest(Pending::kBind, QStringLiteral("BindShortcuts"),
                    {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(list), QString(), QVariantMap()});
}

void PortalShortcuts::CloseSession() {
    if (session_.isEmpty()) return;
    bus_.send(QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), session_,
                                             QString::fromLatin1(kSessionInterface), QStringLiteral("Close")));
    session_.clear();
}

QString PortalShortcuts::RequestPath(const QString& token) const {
    // The portal's rule: the caller's unique name without the ':' and with
    // '.' as '_'.
    QString sender = bus_.baseService();
    if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

void PortalShortcuts::WatchRequest(const QString& path, bool on) {
    const QString service = QString::fromLatin1(kPortalService);
    const QString iface = QString::fromLatin1(kRequestInterface);
    const QString name = QStringLiteral("Response");
    if (on)
        bus_.connect(service, path, iface, name, this, SLOT(OnResponse(QDBusMessage)));
    else
        bus_.disconnect(service, path, iface, name, this, SLOT(OnResponse(QDBusMessage)));
}

void PortalShortcuts::CallWithRequest(Pending kind, const QString& method, QList<QVariant> args) {
    // Listen on the request's path before the call: a quick portal may
    // answer before the call's reply arrives.
    const QString token = NewToken();
    const QString expected = RequestPath(token);
    QVariantMap options = args.last().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    args.last() = options;
    WatchRequest(expected, true);
    requests_[expected] = kind;

    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                                                       QString::fromLatin1(kShortcutsInterface), method);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kPortalCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, kind, expected](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        QDBusPendingReply<QDBusObjectPath> reply = *w;
        auto it = requests_.find(expected);
        if (it == requests_.end()) return;  // the Response came first
        if (reply.isError()) {
            WatchRequest(expected, false);
            requests_.erase(it);
            CallFailed(kind);
            return;
        }
        // An older portal may have chosen another path: follow it.
        const QString actual = reply.value().path();
        if (actual != expected && !actual.isEmpty()) {
            WatchRequest(expected, false);
            requests_.erase(it);
            WatchRequest(actual, true);
            requests_[actual] = kind;
        }
    });
}

void PortalShortcuts::OnResponse(const QDBusMessage& message) {
    auto it = requests_.find(message.path());
    if (it == requests_.end() || message.arguments().size() < 2) return;
    const Pending kind = it->second;
    requests_.erase(it);
    WatchRequest(message.path(), false);
    const uint response = message.arguments().at(0).toUInt();
    const QVariantMap results = qdbus_cast<QVariantMap>(message.arguments().at(1));
    Finished(kind, response, results);
}

void PortalShortcuts::Finished(Pending kind, uint response, const QVariantMap& results) {
    std::weak_ptr<int> alive = alive_;
    if (kind == Pending::kCreate) {
        creating_ = false;
        session_ = response == 0 ? PathOf(results.value(QStringLiteral("session_handle"))) : QString();
        if (session_.isEmpty()) {
            // No session, no hot keys: everything asked for so far failed.
            std::vector<std::pair<int, unsigned>> all;
            for (const auto& [id, wanted] : wanted_) all.emplace_back(id, wanted.stamp);
            dirty_ = false;
            Fail(std::move(all));
            return;
        }
        Flush();
        return;
    }

    binding_ = false;
    std::vector<std::pair<int, unsigned>> sent = std::move(sent_);
    sent_.clear();
    std::vector<std::pair<int, unsigned>> refused;
    if (response != 0) {
        refused = sent;  // cancelled by the user or failed: nothing was bound
    } else {
        std::set<QString> bound;
        const QVariant list = results.value(QStringLiteral("shortcuts"));
        for (const PortalShortcut& s : qdbus_cast<PortalShortcutList>(list)) bound.insert(s.id);
        for (const auto& entry : sent)
            if (!bound.count(PortalShortcutId(entry.first))) refused.push_back(entry);
    }
    Fail(std::move(refused));
    if (alive.lock() && dirty_) Schedule();
}

void PortalShortcuts::CallFailed(Pending kind) {
    // A failed call counts as a refusal of everything it asked for.
    Finished(kind, 2, {});
}

void PortalShortcuts::Fail(std::vector<std::pair<int, unsigned>> entries) {
    std::vector<int> failed;
    for (const auto& [id, stamp] : entries) {
        auto it = wanted_.find(id);
        if (it == wanted_.end() || it->second.stamp != stamp) continue;  // changed since
        wanted_.erase(it);
        failed.push_back(id);
    }
    if (!failed.empty() && bind_failed_) bind_failed_(std::move(failed));
}

void PortalShortcuts::OnActivated(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (session_.isEmpty() || args.size() < 2 || PathOf(args.at(0)) != session_) return;
    const QString name = args.at(1).toString();
    for (const auto& [id, wanted] : wanted_) {
        if (PortalShortcutId(id) != name) continue;
        // Not inside the bus's delivery: a command may open a dialog. The
        // posted call dies with this object.
        QTimer::singleShot(0, this, [this, id = id] {
            if (activated_) activated_(id);
        });
        return;
    }
}

}  // namespace nuko::hotkeys
