// The desktop's media controls (media keys, the panel's player applet,
// playerctl) through MPRIS on the session bus: the objects
// org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player under the name
// org.mpris.MediaPlayer2.nu_kop32. The component shows the model's
// snapshot as properties, tells the bus what changed after each event of
// the core and each command, and hands the methods to the model, which runs
// them through the router. Without a session bus the player runs without
// it; when another process holds the name, this one takes the name with
// its process id appended, as the interface asks of a second instance.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/components/component.h"
#include "app/components/mpris/mpris_model.h"

class QObject;

namespace nuko::app {

class MprisService;

// The local path of a file:// URL (a "localhost" host allowed), or empty
// when the URL names no local file: other schemes and hosts are ignored.
std::string LocalPathOfUri(const QString& uri);

class MprisComponent final : public Component {
public:
    static constexpr const char* kBusName = "org.mpris.MediaPlayer2.nu_kop32";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    // `raise` brings the player's window to the front. `bus_address`
    // unset: the session bus; else a bus of the tests' own.
    explicit MprisComponent(std::function<void()> raise, std::optional<QString> bus_address = {});
    ~MprisComponent() override;

    void Attach(PlayerCore& core, CommandRouter& router) override;
    // The name is given back: the controls stop seeing a player that ends.
    void Shutdown() override;

    // The bus name held; empty when the player is not on a bus.
    const QString& bus_name() const { return bus_name_; }
    MprisModel* model() const { return model_.get(); }

    // Sends PropertiesChanged for what differs from the last snapshot.
    void Changed();

    void OnStateChanged(playback::PlayState state, media::MediaKind kind) override;
    void OnItemShown(int item) override;
    void OnItemStarted(const playback::ItemDisplay& item) override;
    void OnItemStopped() override;
    void OnPosition(std::uint16_t position) override;
    void OnKindChanged(media::MediaKind kind) override;
    void OnListStarted() override;
    void OnListLoaded(int selected) override;

    // Of the bus's methods.
    void Raise() {
        if (raise_) raise_();
    }
    // Runs the exit command once the call has been answered.
    void Quit();
    void SendSeeked(std::int64_t position_us);

private:
    friend class MprisService;

// The local path of a file:// URL (a "localhost" host allowed), or empty
// when the URL names no local file: other schemes and hosts are ignored.
std::string LocalPathOfUri(const QString& uri);

    std::function<void()> raise_;
    std::optional<QString> address_;
    CommandRouter* router_ = nullptr;
    PlayerCore* core_ = nullptr;
    std::unique_ptr<MprisModel> model_;
    std::unique_ptr<MprisService> service_;
    QString bus_name_;
    QString connection_name_;
    MprisSnapshot last_;
    // The last position told and when: a jump that time does not explain
    // is a seek the controls hear of.
    std::int64_t last_position_us_ = 0;
    std::int64_t last_position_ms_ = 0;
    // Watchers of the router outlive the component.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace nuko::app
