// The ids of the main frame's commands (menu 128, the play menu, the panel
// buttons). Their menu texts are the string-table entries of the same ids.
#pragma once

#include "playback/play_controller.h"

namespace nuko::app::cmd {

// Play commands. Their ids run in the order Previous, Play, Next, Pause,
// Stop, Eject; their codes put Stop (3) before Pause (4).
inline constexpr int kPrevious = 32771;
inline constexpr int kPlay = 32772;
inline constexpr int kNext = 32773;
inline constexpr int kPause = 32774;
inline constexpr int kStop = 32775;
inline constexpr int kEject = 32776;
// Play modes.
inline constexpr int kModeSelected = 32777;
inline constexpr int kModeSequential = 40111;
inline constexpr int kModeLoop = 40112;
inline constexpr int kModeRepeat = 40113;
inline constexpr int kRandom = 40114;
inline constexpr int kIntro = 40115;
// A-B section.
inline constexpr int kSetA = 32782;
inline constexpr int kSetB = 32783;
inline constexpr int kClearAB = 32784;
// Media kinds: 40107 + kind.
inline constexpr int kKindMidi = 40107;
inline constexpr int kKindSound = 40110;
// File menu.
inline constexpr int kOpenFile = 57601;
inline constexpr int kRelatedFiles = 40036;
inline constexpr int kCatalogMidi = 40037;
inline constexpr int kCatalogMovie = 40039;
inline constexpr int kCatalogSound = 40040;
inline constexpr int kExport = 40041;
inline constexpr int kMiniWindow = 40017;
// The mini window's Up and Down keys.
inline constexpr int kMiniUp = 32803;
inline constexpr int kMiniDown = 32804;
inline constexpr int kCdBackupTool = 32790;
inline constexpr int kMultimedia = 32802;
inline constexpr int kExit = 57665;
// Timers.
inline constexpr int kSleep90 = 32805;  // ... kSleep10 = 32810
inline constexpr int kSleep10 = 32810;
inline constexpr int kSleepOn = 32795;
inline constexpr int kSleepOff = 32796;
inline constexpr int kOnTimer1 = 32797;
inline constexpr int kOnTimer2 = 32799;
inline constexpr int kOffTimer1 = 32800;
inline constexpr int kOffTimer2 = 32801;
// Options and view.
inline constexpr int kOptions = 40031;
inline constexpr int kHotkeys = 32811;
inline constexpr int kZero = 40019;
inline constexpr int kDigitDigital = 32785;
inline constexpr int kDigitCharacter = 32786;
inline constexpr int kDigitDot = 32787;
inline constexpr int kDowntime = 40023;
inline constexpr int kSort = 40022;
inline constexpr int kWordFiles = 40026;
inline constexpr int kSpaceCut = 40024;
inline constexpr int kMinimumSize = 32780;
inline constexpr int kDefaultSize = 32779;
inline constexpr int kSizeFrame = 32781;
inline constexpr int kAbout = 57664;
// Panel commands.
inline constexpr int kPanelDigitCycle = 30030;
inline constexpr int kPanelForcedExit = 30095;
inline constexpr int kPanelSecondForcedExit = 30010;
inline constexpr int kPanelMinimise = 30011;
inline constexpr int kPanelVolumeUp = 30043;
inline constexpr int kPanelVolumeDown = 30044;
inline constexpr int kPanelMute = 30045;
inline constexpr int kPanelBackToItem = 30090;
// The options sheet at its pages: 30100 general, 30101 files, 30102 the
// MIDI-Word page, 30103 the volume page.
inline constexpr int kPanelOptionsFirst = 30100;
inline constexpr int kPanelOptionsWord = 30102;
inline constexpr int kPanelOptionsVolume = 30103;
// The MINI and CD pages of the options sheet, and the CD title dialog of
// the disc in the chosen drive.
inline constexpr int kPanelOptionsMini = 30104;
inline constexpr int kCdEditTitles = 30105;
inline constexpr int kPanelOptionsCd = 30106;
inline constexpr int kPanelWordFullScreen = 30125;
// The movie window between maximised and normal, and the play position a
// page of the time slider on or back: commands of the hot keys.
inline constexpr int kPanelMovieFull = 30126;
inline constexpr int kPanelPageUp = 30127;
inline constexpr int kPanelPageDown = 30128;

// Not a menu entry: every panel takes the tool-tip setting again (after a
// dialog that may have changed it).
inline constexpr int kApplyTooltips = 0x46E;

// The one table between play commands and their menu ids.
inline constexpr int PlayCommandId(playback::PlayCommand command) {
    constexpr int kIds[] = {kPrevious, kPlay, kNext, kStop, kPause, kEject};
    return kIds[static_cast<int>(command)];
}
// Menu ids of the media kinds.
inline constexpr int KindId(media::MediaKind kind) { return kKindMidi + static_cast<int>(kind); }

}  // namespace nuko::app::cmd
