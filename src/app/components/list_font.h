// The main window's list font (`Main`/`Font`): the title line above the file
// area, and its rows unless the file area has a font of its own.
#pragma once

#include <QFont>

#include "settings/settings.h"

class QWidget;

namespace nuko::app {

// In pixels for the screen `on` shows on.
QFont ListFont(const settings::MainSection& main, const QWidget& on);
// The file area's rows: its own font (`Font`/`FileArea`) when one is set,
// else the list font.
QFont FileAreaFont(const settings::Settings& s, const QWidget& on);

}  // namespace nuko::app
