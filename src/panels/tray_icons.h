// The tray's 13 icons, drawn here: 0 idle, then three per media kind
// (MIDI, CD, movie, sound), each group in its kind's colour with one to
// three sound bars, so that stepping through a group makes the icon dance.
#pragma once

#include <QIcon>

namespace nuko::panels {

// An index outside 0..12 gives the idle icon.
QIcon TrayIconImage(int index);

}  // namespace nuko::panels
