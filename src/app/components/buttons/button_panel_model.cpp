#include "app/components/buttons/button_panel_model.h"

#include <algorithm>

#include "core/commands/command_ids.h"

namespace nuko::app {

using playback::PlayOrder;

const std::vector<int>& ButtonPanelModel::PlayIds() {
    static const std::vector<int> ids{cmd::kPrevious, cmd::kPlay, cmd::kNext, cmd::kStop, cmd::kPause, cmd::kEject};
    return ids;
}

const std::vector<int>& ButtonPanelModel::KindIds() {
    static const std::vector<int> ids{cmd::KindId(media::MediaKind::Midi), cmd::KindId(media::MediaKind::Cd),
                                      cmd::KindId(media::MediaKind::Movie), cmd::KindId(media::MediaKind::Sound)};
    return ids;
}

const std::vector<int>& ButtonPanelModel::ModeIds() {
    static const std::vector<int> ids{cmd::kModeSelected, cmd::kModeSequential, cmd::kModeLoop,
                                      cmd::kModeRepeat,   cmd::kRandom,         cmd::kIntro};
    return ids;
}

ButtonPanelModel::Look ButtonPanelModel::LookOf(int id) const {
    const bool empty = state_ < 0;
    const bool stopped = state_ == 3 || empty;
    Look look;
    switch (id) {
        case cmd::kPlay:
            look.enabled = !empty;
            look.down = state_ == 1;
            return look;
        case cmd::kPrevious:
        case cmd::kNext: look.enabled = !empty; return look;
        case cmd::kStop: look.enabled = !stopped; return look;
        case cmd::kPause:
            look.enabled = !stopped;
            look.down = state_ == 4;
            return look;
        case cmd::kModeSelected: look.checked = mode_.mode == PlayOrder::Selected; return look;
        case cmd::kModeSequential: look.checked = mode_.mode == PlayOrder::Sequential; return look;
        case cmd::kModeLoop: look.checked = mode_.mode == PlayOrder::Loop; return look;
        case cmd::kModeRepeat: look.checked = mode_.mode == PlayOrder::Repeat; return look;
        case cmd::kRandom: look.checked = mode_.random; return look;
        case cmd::kIntro: look.checked = mode_.intro; return look;
        default: break;
    }
    const auto& kinds = KindIds();
    if (std::find(kinds.begin(), kinds.end(), id) != kinds.end()) {
        const bool current = id == cmd::KindId(kind_);
        look.checked = current;
        // The kind changes only while stopped.
        look.enabled = stopped || current;
    }
    return look;
}

bool ButtonPanelModel::Press(int id) const {
    if (!LookOf(id).enabled || !run_) return false;
    run_(id);
    return true;
}

}  // namespace nuko::app
