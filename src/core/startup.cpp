#include "core/startup.h"

#include "nuko/paths.h"

namespace nuko::app {

std::string ChooseWorkFolder(const settings::ToolSection& tool, std::error_code* ec) {
    std::error_code user_error;
    if (tool.user_tmp && !tool.tmp_dir.empty()) {
        std::string folder = path::WithTrailingSlash(path::FromWindows(tool.tmp_dir));
        user_error = folders::EnsureFolder(folder);
        if (!user_error) {
            if (ec) ec->clear();
            return folder;
        }
    }
    std::string folder = folders::DefaultWorkFolder();
    std::error_code e = folders::EnsurePrivateFolder(folder);
    if (ec) *ec = user_error ? user_error : e;
    return folder;
}

ShowCommand FirstShowCommand(const settings::MainSection& main, ShowCommand passed) {
    if (main.tray_start && main.tray_icon) return ShowCommand::Hide;
    ShowCommand cmd = passed;
    if (main.icon) return ShowCommand::Minimized;
    if (cmd == ShowCommand::Maximized && main.size == 0) return ShowCommand::Restore;
    if (cmd == ShowCommand::Normal) {
        switch (main.show) {
            case 0: return ShowCommand::Hide;
            case 1: return ShowCommand::Normal;
            case 2: return ShowCommand::Minimized;
            case 3: return main.size == 0 ? ShowCommand::Restore : ShowCommand::Maximized;
            case 9: return ShowCommand::Restore;
            default: return ShowCommand::Show;
        }
    }
    return cmd;
}

ShowCommand ShowCommandAfterCdSelection(const settings::MainSection& main) {
    return main.tray_icon ? ShowCommand::Hide : ShowCommand::Minimized;
}

}  // namespace nuko::app
