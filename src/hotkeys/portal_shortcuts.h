// Global hot keys through the desktop portal (org.freedesktop.portal.
// GlobalShortcuts on the session bus), the way Wayland desktops offer them.
//
// The portal binds all shortcuts of a session at once and may ask the user
// first, so registering is asynchronous: Register checks the record and
// queues it, and once per event-loop turn the whole set goes to the portal
// in one BindShortcuts call. The portal answers later through a Request
// object's Response signal; records it left out are reported through
// `bind_failed`. Unregister binds the remaining set again (the portal has no
// unbind) and closes the session when nothing is left.
//
// Main thread only. QtDBus delivers the bus's signals to this object's
// thread; a hot key runs `activated` from a posted call, never inside the
// bus's delivery (a command may open a dialog), and nothing posted outlives
// the object.
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "hotkey_table.h"

namespace nuko::hotkeys {

// One entry of the portal's a(sa{sv}) shortcut lists: the id and its
// options ("description", "preferred_trigger"; in results also
// "trigger_description").
struct PortalShortcut {
    QString id;
    QVariantMap options;
};
using PortalShortcutList = QList<PortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& arg, const PortalShortcut& s);
const QDBusArgument& operator>>(const QDBusArgument& arg, PortalShortcut& s);
// Registers the two types with QtDBus (once; any thread).
void RegisterPortalTypes();

inline constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
inline constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
inline constexpr const char* kShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
inline constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
inline constexpr const char* kSessionInterface = "org.freedesktop.portal.Session";
// The longest a call to the portal may take before it counts as failed.
inline constexpr int kPortalCallTimeoutMs = 2000;

// The shortcut id the portal knows a record by: its key name in the
// settings ("Play" for 849); empty outside the table.
QString PortalShortcutId(int id);

class PortalShortcuts final : public QObject, public ShortcutService {
    Q_OBJECT
public:
    // Null when the bus is not connected, no portal answers within the
    // timeout, or the portal lacks GlobalShortcuts. Blocks at most
    // kPortalCallTimeoutMs (one property read); the session itself is made
    // asynchronously.
    static std::unique_ptr<PortalShortcuts> Create(std::function<void(int id)> activated,
                                                   QDBusConnection bus = QDBusConnection::sessionBus());
    // Closes the session and any open request, and stops listening.
    ~PortalShortcuts() override;

    // True when the record can be asked for (a known key, an id of the
    // table); the portal's verdict comes later through bind_failed.
    bool Register(int id, int virtual_key, int modifiers) override;
    void Unregister(int id) override;

    // Receives the ids the portal refused (left out of the bound set), or
    // every id of a binding that failed or was cancelled. The refused
    // records are dropped from the set.
    void SetBindFailed(std::function<void(std::vector<int> failed_ids)> bind_failed) {
        bind_failed_ = std::move(bind_failed);
    }

    // The session's object path once the portal made it; empty before.
    const QString& session() const { return session_; }
    // True while nothing waits: every change reached the portal and the
    // portal answered.
    bool idle() const;

private slots:
    void OnResponse(const QDBusMessage& message);
    void OnActivated(const QDBusMessage& message);

private:
    enum class Pending { kCreate, kBind };
    struct Wanted {
        QString trigger;
        // Which Register made it, so that a refusal of an older binding
        // does not drop a record registered again since.
        unsigned stamp = 0;
    };

    PortalShortcuts(QDBusConnection bus, std::function<void(int)> activated);

    // Sends whatever changed since the last binding (coalesced per turn).
    void Schedule();
    void Flush();
    void StartSession();
    void Bind();
    void CloseSession();
    // Calls `method` of the portal with a handle_token added to the options
    // (the last argument) and waits for its Response; a call that fails or
    // times out ends like a refusal.
    void CallWithRequest(Pending kind, const QString& method, QList<QVariant> args);
    void WatchRequest(const QString& path, bool on);
    void Finished(Pending kind, uint response, const QVariantMap& results);
    void CallFailed(Pending kind);
    // Reports the entries still wanted as they were sent as failed, and
    // drops them from the set.
    void Fail(std::vector<std::pair<int, unsigned>> entries);
    QString RequestPath(const QString& token) const;

    QDBusConnection bus_;
    std::function<void(int)> activated_;
    std::function<void(std::vector<int>)> bind_failed_;
    std::map<int, Wanted> wanted_;
    std::vector<std::pair<int, unsigned>> sent_;  // ids and stamps of the binding under way
    std::map<QString, Pending> requests_;   // request paths we wait on
    QString session_;
    bool creating_ = false;
    bool binding_ = false;
    bool dirty_ = false;      // the set changed since the last binding
    bool scheduled_ = false;  // a Flush is posted
    unsigned serial_ = 0;
    // Posted replies find out that the object is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace nuko::hotkeys

Q_DECLARE_METATYPE(nuko::hotkeys::PortalShortcut)
