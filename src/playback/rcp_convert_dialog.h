// The window of an RCP conversion ("RCPCV 実行中..."): the song's file name
// and a progress bar, shown while librcpcv.so converts on this thread.
#pragma once

#include <QDialog>

#include "playback/rcp_conversion.h"

class QLabel;
class QProgressBar;

namespace nuko::playback {

class RcpConvertDialog final : public QDialog, public playback::RcpConversionView {
    Q_OBJECT
public:
    explicit RcpConvertDialog(QWidget* parent = nullptr);

    void Begin(std::string_view song_file_name) override;
    void SetProgress(int percent) override;
    void End(bool ok) override;

    int progress() const;

private:
    QLabel* file_ = nullptr;
    QProgressBar* bar_ = nullptr;
};

}  // namespace nuko::playback
