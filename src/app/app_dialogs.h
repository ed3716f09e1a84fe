// The small dialogs of start-up: the splash window and the MCI check dialog
// with what the machine can play.
#pragma once

#include <QDialog>

#include "playback/device_types.h"

class QCheckBox;

namespace nuko::app {

// The splash window: the program's title, a word of thanks and the version.
class SplashDialog final : public QDialog {
public:
    explicit SplashDialog(QWidget* parent = nullptr);
};

// "NU-KOP95  MCIﾄﾞﾗｲﾊﾞｰ及びﾂｰﾙ ﾁｪｯｸ": the media that play, those that need
// a driver, and the converter and archive tools.
class MciCheckDialog final : public QDialog {
public:
    MciCheckDialog(const playback::ProbeResult& probe, QWidget* parent = nullptr);
    // The box "don't show this again" is ticked.
    bool dont_show_again() const;

private:
    QCheckBox* dont_show_ = nullptr;
};

}  // namespace nuko::app
