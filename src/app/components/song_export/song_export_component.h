// "書き出し(&X)..." of the File menu: the MIDI kind's selected song or whole
// list rendered to audio files. Asks the choices, runs a SongExportJob and
// shows its progress; the player plays on meanwhile.
#pragma once

#include <QPointer>
#include <memory>

#include "app/components/component.h"
#include "app/components/song_export/song_export_choices.h"
#include "app/components/song_export/song_export_job.h"

#include "app/components/song_export/song_export_dialog.h"

class QWidget;

namespace nuko::app {

class SongExportComponent final : public Component {
public:
    explicit SongExportComponent(QWidget* owner) : owner_(owner) {}
    ~SongExportComponent() override;

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void StoreSettings(settings::Settings& s) const override;
    void Shutdown() override;

    void Open();
    bool running() const { return job_ && job_->running(); }

private:
    bool Applies() const;
    void Ended(const ExportReport& report);

    QWidget* owner_;
    PlayerCore* core_ = nullptr;
    settings::ExportSection export_;
    std::unique_ptr<SongExportJob> job_;
    QPointer<ExportProgressDialog> progress_;  // owned by owner_
};

}  // namespace nuko::app
