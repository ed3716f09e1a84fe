#include "app/frame/play_menu.h"

#include <QMenu>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"

namespace nuko::app {

void FillPlayMenu(QMenu& menu, CommandRouter& router) {
    const int groups[][6] = {{cmd::kPrevious, cmd::kPlay, cmd::kNext, cmd::kPause, cmd::kStop, cmd::kEject},
                             {cmd::kModeSelected, cmd::kModeSequential, cmd::kModeLoop, cmd::kModeRepeat, cmd::kRandom,
                              cmd::kIntro},
                             {cmd::kSetA, cmd::kSetB, cmd::kClearAB, 0, 0, 0}};
    bool first = true;
    for (const auto& group : groups) {
        if (!first) menu.addSeparator();
        first = false;
        for (int id : group) {
            if (id == 0) continue;
            QAction* a = menu.addAction(QString::fromStdString(router.Text(id)));
            a->setEnabled(router.IsEnabled(id));
            if (router.IsCheckable(id)) {
                a->setCheckable(true);
                a->setChecked(router.IsChecked(id));
            }
            QObject::connect(a, &QAction::triggered, &menu, [&router, id] { router.Run(id); });
        }
    }
}

}  // namespace nuko::app
