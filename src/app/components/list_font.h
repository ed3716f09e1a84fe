// The main window's list font (`Main`/`Font`): the file area's rows and the
// title line above them.
#pragma once

#include <QFont>

#include "settings/settings.h"

class QWidget;

namespace nuko::app {

// In pixels for the screen `on` shows on.
QFont ListFont(const settings::MainSection& main, const QWidget& on);

}  // namespace nuko::app
