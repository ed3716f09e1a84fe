#include "app/components/mpris/mpris_component.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <unistd.h>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"

namespace nuko::app {

namespace {

constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

QString Q(const std::string& s) { return QString::fromStdString(s); }

QVariantMap Metadata(const std::optional<MprisTrack>& track) {
    QVariantMap m;
    if (!track) {
        m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(MprisModel::kNoTrack)));
        return m;
    }
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(Q(track->id))));
    if (!track->title.empty()) m.insert(QStringLiteral("xesam:title"), Q(track->title));
    if (track->length_us > 0) m.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(track->length_us));
    if (!track->path.empty() && track->path.front() == '/')
        m.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(Q(track->path)).toString(QUrl::FullyEncoded));
    return m;
}

}  // namespace

std::string LocalPathOfUri(const QString& uri) {
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile()) return {};
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost")) return {};
    const std::string path = QUrl(url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment)).path().toStdString();
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) return {};
    return path;
}

// The object on the bus; the adaptors below are its interfaces.
class MprisService final : public QObject {
    Q_OBJECT
public:
    explicit MprisService(MprisComponent& owner) : owner_(owner) {}
    MprisComponent& owner() const { return owner_; }
    MprisModel& model() const { return *owner_.model_; }
    MprisSnapshot snapshot() const { return owner_.model_->Snapshot(); }

private:
    MprisComponent& owner_;
};

class MprisRootAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("NU-KOP32"); }
    // The menu entry's file name, without ".desktop".
    QString DesktopEntry() const { return QStringLiteral("jp.nuko.NuKop32"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const {
        return {QStringLiteral("audio/midi"),        QStringLiteral("audio/x-rcp"),
                QStringLiteral("audio/mpeg"),        QStringLiteral("audio/x-wav"),
                QStringLiteral("audio/x-aiff"),      QStringLiteral("audio/x-ms-wma"),
                QStringLiteral("video/x-ms-wmv"),    QStringLiteral("video/x-ms-asf"),
                QStringLiteral("video/x-msvideo"),   QStringLiteral("video/quicktime"),
                QStringLiteral("video/mpeg"),        QStringLiteral("application/x-nu-kop32-catalog"),
                QStringLiteral("application/x-lha")};
    }

public Q_SLOTS:
    void Raise() { service_->owner().Raise(); }
    void Quit() { service_->owner().Quit(); }

private:
    MprisService* service_;
};

class MprisPlayerAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
    QString PlaybackStatus() const { return Q(service_->snapshot().status); }
    // The player plays at its own speed only.
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    QVariantMap Metadata() const { return nuko::app::Metadata(service_->snapshot().track); }
    // The volume belongs to the volume panel and its mixer lines, which the
    // controls do not drive.
    double Volume() const { return 1.0; }
    void SetVolume(double) {}
    qlonglong Position() const { return service_->model().PositionUs(); }
    bool CanGoNext() const { return service_->snapshot().can_go_next; }
    bool CanGoPrevious() const { return service_->snapshot().can_go_previous; }
    bool CanPlay() const { return service_->snapshot().can_play; }
    bool CanPause() const { return service_->snapshot().can_pause; }
    bool CanSeek() const { return service_->snapshot().can_seek; }
    bool CanControl() const { return true; }

public Q_SLOTS:
    void Next() { service_->model().Next(); }
    void Previous() { service_->model().Previous(); }
    void Pause() { service_->model().Pause(); }
    void PlayPause() { service_->model().PlayPause(); }
    void Stop() { service_->model().Stop(); }
    void Play() { service_->model().Play(); }
    void Seek(qlonglong offset) {
        if (auto to = service_->model().Seek(offset)) service_->owner().SendSeeked(*to);
        service_->owner().Changed();
    }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        if (auto to = service_->model().SetPosition(track.path().toStdString(), position))
            service_->owner().SendSeeked(*to);
    }
    void OpenUri(const QString& uri) { service_->model().OpenFile(LocalPathOfUri(uri)); }

Q_SIGNALS:
    void Seeked(qlonglong position);

private:
    MprisService* service_;
};

MprisComponent::MprisComponent(std::function<void()> raise, std::optional<QString> bus_address)
    : raise_(std::move(raise)), address_(std::move(bus_address)) {}

MprisComponent::~MprisComponent() {
    Shutdown();
    if (!connection_name_.isEmpty()) QDBusConnection::disconnectFromBus(connection_name_);
}

void MprisComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    router_ = &router;
    core.Subscribe(*this);
    model_ = std::make_unique<MprisModel>(core, router);
    last_ = model_->Snapshot();
    // Commands change what may be run next (CanGoNext, CanPause).
    router.Watch([alive = std::weak_ptr<int>(alive_), this] {
        if (alive.lock()) Changed();
    });

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (address_) {
        connection_name_ = QStringLiteral("nu_kop32-mpris");
        bus = QDBusConnection::connectToBus(*address_, connection_name_);
    }
    if (!bus.isConnected()) return;
    service_ = std::make_unique<MprisService>(*this);
    new MprisRootAdaptor(service_.get());
    new MprisPlayerAdaptor(service_.get());
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), service_.get())) {
        service_.reset();
        return;
    }
    QDBusConnectionInterface* names = bus.interface();
    const QString wanted = QString::fromLatin1(kBusName);
    const QString own = wanted + QStringLiteral(".instance") + QString::number(::getpid());
    for (const QString& name : {wanted, own}) {
        auto reply = names->registerService(name, QDBusConnectionInterface::DontQueueService,
                                            QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            bus_name_ = name;
            break;
        }
    }
    if (bus_name_.isEmpty()) {
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        service_.reset();
    }
}

void MprisComponent::Shutdown() {
    if (!service_) return;
    QDBusConnection bus = connection_name_.isEmpty() ? QDBusConnection::sessionBus()
                                                     : QDBusConnection(connection_name_);
    if (!bus_name_.isEmpty()) bus.unregisterService(bus_name_);
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
    bus_name_.clear();
    service_.reset();
}

void MprisComponent::Quit() {
    // After the call has been answered: the exit path may ask first.
    QTimer::singleShot(0, service_.get(), [alive = std::weak_ptr<int>(alive_), this] {
        if (alive.lock() && router_) router_->Run(cmd::kExit);
    });
}

void MprisComponent::SendSeeked(std::int64_t position_us) {
    last_position_us_ = position_us;
    if (core_ && core_->context().clock) last_position_ms_ = core_->context().clock->NowMs();
    if (!service_) return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QString::fromLatin1(kPlayerInterface), QStringLiteral("Seeked"));
    signal << static_cast<qlonglong>(position_us);
    QDBusConnection bus = connection_name_.isEmpty() ? QDBusConnection::sessionBus()
                                                     : QDBusConnection(connection_name_);
    bus.send(signal);
}

void MprisComponent::Changed() {
    if (!model_) return;
    MprisSnapshot now = model_->Snapshot();
    if (now == last_) return;
    QVariantMap changed;
    if (now.status != last_.status) changed.insert(QStringLiteral("PlaybackStatus"), Q(now.status));
    if (now.track != last_.track) changed.insert(QStringLiteral("Metadata"), Metadata(now.track));
    const std::pair<const char*, bool MprisSnapshot::*> flags[] = {
        {"CanPlay", &MprisSnapshot::can_play},
        {"CanPause", &MprisSnapshot::can_pause},
        {"CanGoNext", &MprisSnapshot::can_go_next},
        {"CanGoPrevious", &MprisSnapshot::can_go_previous},
        {"CanSeek", &MprisSnapshot::can_seek}};
    for (const auto& [name, member] : flags)
        if (now.*member != last_.*member) changed.insert(QString::fromLatin1(name), now.*member);
    last_ = std::move(now);
    if (!service_) return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection bus = connection_name_.isEmpty() ? QDBusConnection::sessionBus()
                                                     : QDBusConnection(connection_name_);
    bus.send(signal);
}

void MprisComponent::OnStateChanged(playback::PlayState, media::MediaKind) { Changed(); }

void MprisComponent::OnItemShown(int item) {
    if (model_) model_->ItemShown(item);
    Changed();
}

void MprisComponent::OnItemStarted(const playback::ItemDisplay& item) {
    if (model_) model_->ItemStarted(item);
    last_position_us_ = 0;
    if (core_ && core_->context().clock) last_position_ms_ = core_->context().clock->NowMs();
    Changed();
}

void MprisComponent::OnItemStopped() { Changed(); }

void MprisComponent::OnPosition(std::uint16_t) {
    if (!model_ || !core_ || !core_->context().clock) return;
    const std::int64_t now_ms = core_->context().clock->NowMs();
    const std::int64_t position = model_->PositionUs();
    std::int64_t expected = last_position_us_;
    if (core_->controller().state() == playback::PlayState::Playing)
        expected += (now_ms - last_position_ms_) * 1000;
    last_position_us_ = position;
    last_position_ms_ = now_ms;
    // The time slider, a hot key or the A-B section moved the position.
    constexpr std::int64_t kJumpUs = 2'000'000;
    if (position - expected > kJumpUs || expected - position > kJumpUs) SendSeeked(position);
}

void MprisComponent::OnKindChanged(media::MediaKind) {
    if (model_) model_->ListChanged();
    Changed();
}

void MprisComponent::OnListStarted() {
    if (model_ && core_ && core_->is_stopped()) model_->ListChanged();
    Changed();
}

void MprisComponent::OnListLoaded(int selected) {
    if (model_ && core_ && core_->is_stopped()) model_->ItemShown(selected);
    Changed();
}

}  // namespace nuko::app

#include "mpris_component.moc"
