// What the button panel shows: the six play commands, the four media kinds
// and the play modes, each enabled, checked or held down by the play state,
// the kind and the mode. Pressing a button runs its command.
#pragma once

#include <functional>
#include <vector>

#include "library/media_kinds.h"
#include "playback/play_list.h"

namespace nuko::app {

class ButtonPanelModel {
public:
    struct Look {
        bool enabled = true;
        bool checked = false;
        bool down = false;
    };

    // The command ids of the buttons, row by row.
    static const std::vector<int>& PlayIds();
    static const std::vector<int>& KindIds();
    static const std::vector<int>& ModeIds();

    // The play state code (1 Playing, 3 Stopped, 4 Paused, ...), or -1
    // while the list is empty.
    void SetPlayState(int state) { state_ = state; }
    void SetKind(media::MediaKind kind) { kind_ = kind; }
    void SetMode(const playback::PlayMode& mode) { mode_ = mode; }
    Look LookOf(int id) const;

    // Where pressed buttons go (the command router).
    void SetRunner(std::function<void(int id)> run) { run_ = std::move(run); }
    // A press of an enabled button; false when it was not.
    bool Press(int id) const;

private:
    int state_ = 3;
    media::MediaKind kind_ = media::MediaKind::Midi;
    playback::PlayMode mode_;
    std::function<void(int)> run_;
};

}  // namespace nuko::app
