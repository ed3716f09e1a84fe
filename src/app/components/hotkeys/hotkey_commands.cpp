#include "app/components/hotkeys/hotkey_commands.h"

#include "core/commands/command_ids.h"
#include "hotkeys/hotkey_table.h"

namespace nuko::app {

int HotkeyCommandOf(int id) {
    switch (id - hotkeys::kFirstId) {
        case 0: return cmd::kPrevious;
        case 1: return cmd::kPlay;
        case 2: return cmd::kNext;
        case 3: return cmd::kStop;
        case 4: return cmd::kPause;
        case 5: return cmd::kEject;
        case 6:
        case 7:
        case 8:
        case 9: return cmd::KindId(static_cast<media::MediaKind>(id - hotkeys::kFirstId - 6));
        case 10: return cmd::kPanelWordFullScreen;
        case 11: return cmd::kPanelVolumeUp;
        case 12: return cmd::kPanelVolumeDown;
        case 13: return cmd::kPanelMute;
        case 14: return cmd::kPanelMovieFull;
        case 15: return cmd::kPanelPageUp;
        case 16: return cmd::kPanelPageDown;
        default: return 0;
    }
}

}  // namespace nuko::app
