// CMovieFrame: the program's own movie window. Movies are drawn into a
// native child of it (libmpv renders into that window), so the picture
// belongs to the player's window and follows its size.
#pragma once

#include <QWidget>

#include "movie_window.h"

namespace nuko::playback {

class CMovieFrame final : public QWidget {
    Q_OBJECT

public:
    // A top-level window owned by `owner` (it stays above it and goes with it).
    explicit CMovieFrame(QWidget* owner);

    // The native window the picture is drawn into.
    QWidget* video() const { return video_; }
    // The movie's own size: the frame takes it unless maximised.
    void SetVideoSize(Size size);
    // Where the picture goes inside the frame; an empty rectangle fills it.
    void SetDestination(const Rect& rect);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* video_;
    bool has_destination_ = false;
};

// The factory MediaDevice takes: a CMovieFrame under the owner window (a
// QWidget*), shown. The frame may go with its owner before the device lets
// it go; the device's handle then reports nothing.
MovieWindowFactory MakeMovieFrameFactory();

}  // namespace nuko::playback
