#include "app/frame/play_menu.h"

#include <QMenu>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"

namespace nuko::app {

const std::vector<std::vector<int>>& PlayMenuGroups() {
    static const std::vector<std::vector<int>> groups = {
        {cmd::kPrevious, cmd::kPlay, cmd::kNext, cmd::kPause, cmd::kStop, cmd::kEject},
        {cmd::kModeSelected, cmd::kModeSequential, cmd::kModeLoop, cmd::kModeRepeat, cmd::kRandom, cmd::kIntro},
        {cmd::kSetA, cmd::kSetB, cmd::kClearAB}};
    return groups;
}

void FillPlayMenu(QMenu& menu, CommandRouter& router) {
    bool first = true;
    for (const auto& group : PlayMenuGroups()) {
        if (!first) menu.addSeparator();
        first = false;
        for (int id : group) {
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
