// CMovieFrame: the program's own movie window. Movies are drawn into a
// native child of it (libmpv renders into that window), so the picture
// belongs to the player's window and follows its size.
#pragma once

#include <functional>

#include "nuko/owned_popup.h"

#include "movie_window.h"

namespace nuko::playback {

class CMovieFrame final : public OwnedPopup {
    Q_OBJECT

public:
    // A pop-up owned by `owner`: above it, and on screen only while it is.
    explicit CMovieFrame(QWidget* owner);

    // The native window the picture is drawn into.
    QWidget* video() const { return video_; }
    // The movie's own size: the frame takes it unless maximised.
    void SetVideoSize(Size size);
    // Where the picture goes inside the frame; an empty rectangle fills it.
    void SetDestination(const Rect& rect);

    // Where the user left it is told to `left_at` when it goes.
    void SetLeftAt(std::function<void(int, int, bool)> left_at) { left_at_ = std::move(left_at); }
    ~CMovieFrame() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* video_;
    bool has_destination_ = false;
    std::function<void(int, int, bool)> left_at_;
};

// Toggles the movie frame under `owner` between maximised and normal; false
// when there is none or it is minimised (or hidden).
bool ToggleMovieFrameMaximised(QWidget* owner);
bool HasMovieFrameToToggle(QWidget* owner);

// Where a new movie frame stands and how it looks, from the settings; and
// where the user left it, back to them.
struct MovieFramePlace {
    int x = 0;  // the frame's top-left corner on the desktop
    int y = 0;
    bool maximised = false;
    bool caption = true;
    bool activate = true;  // takes the focus when it opens
    std::function<void(int x, int y, bool maximised)> left_at;
};

// The factory MediaDevice takes: a CMovieFrame under the owner window (a
// QWidget*), shown. The frame may go with its owner before the device lets
// it go; the device's handle then reports nothing. `place` is asked for
// each new frame (unset: the desktop's choice).
MovieWindowFactory MakeMovieFrameFactory(std::function<MovieFramePlace()> place = {});

}  // namespace nuko::playback
