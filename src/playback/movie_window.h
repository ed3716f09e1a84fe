// The program's own movie frame (CMovieFrame), as the device layer needs
// it: a native window for the picture, its handle for the callers, and the
// few things the device changes on it. The Qt frame implements it; the
// device knows only this.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "backend.h"

namespace nuko::playback {

class MovieWindow {
public:
    virtual ~MovieWindow() = default;
    // The native window the picture is drawn into.
    virtual std::uint64_t VideoWindowId() = 0;
    // The frame's handle, as MediaDevice::MovieWindow hands it out.
    virtual void* Handle() = 0;
    // The native windows of the frame and of its owner, for the mouse hook:
    // presses inside the frame are caught, the owner is told; 0 when gone.
    virtual std::uint64_t FrameWindowId() = 0;
    virtual std::uint64_t OwnerWindowId() = 0;
    // The movie's own size, once it is known.
    virtual void SetVideoSize(Size size) = 0;
    // Where in the frame the picture goes.
    virtual void SetDestination(const Rect& rect) = 0;
    virtual void SetBusyCursor(bool busy) = 0;
    // The frame shows that a movie plays (its icon).
    virtual void SetPlaying() = 0;
    // The frame's caption: the movie's file name.
    virtual void SetTitle(const std::string& title) { (void)title; }
};

// Makes the movie frame under an owner window (null when it cannot).
using MovieWindowFactory = std::function<std::unique_ptr<MovieWindow>(void* owner)>;

}  // namespace nuko::playback
