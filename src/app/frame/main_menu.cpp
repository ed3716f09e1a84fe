// The main frame's menu and the commands of the window itself.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "app/frame/main_frame.h"
#include "app/frame/play_menu.h"
#include "app/product.h"
#include "nuko/qt_strings.h"
#include "nuko/file_filters.h"
#include "playback/movie_frame_window.h"
#include "nuko/prompt.h"
#include "nuko/run_program.h"
#include "nuko/strings.h"
#include "nuko/string_ids.h"
#include "library/file_area_model.h"

namespace nuko::app {

using media::MediaKind;

QAction* CMainFrame::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::RunCommand(int id) { router_.Run(id); }

void CMainFrame::RegisterCommands() {
    router_.Register(cmd::kOpenFile, {[this] { OpenFileDialog(); }});
    const std::string program_folder = core_.context().program_folder;
    router_.Register(cmd::kCdBackupTool, {[this, program_folder] {
                         process::RunProgram(std::vector<std::string>{program_folder + "nu_32cvt"}, strings::kCdBackupToolMissing, this);
                     }});
    router_.Register(cmd::kMultimedia,
                     {[this] { process::RunProgram(std::vector<std::string>{"pavucontrol"}, strings::kMultimediaPropertiesFailed, this); }});
    router_.Register(cmd::kExit, {[this] { close(); }});
    router_.Register(cmd::kPanelForcedExit, {[this] {
                         forced_exit_ = true;
                         close();
                     }});
    router_.Register(cmd::kPanelSecondForcedExit, {[this] {
                         second_forced_exit_ = true;
                         close();
                     }});
    router_.Register(cmd::kPanelMinimise, {[this] { showMinimized(); }});
    router_.Register(cmd::kApplyTooltips, {[this] { ApplyTooltips(); }});
    router_.Register(cmd::kPanelMovieFull, {[this] { playback::ToggleMovieFrameMaximised(this); },
                                            [this] { return playback::HasMovieFrameToToggle(this); }});
    router_.Register(cmd::kMinimumSize, {[this] {
                         s_.main.minimam = 1;
                         resize(minimumSizeHint().width(), height());
                     }});
    router_.Register(cmd::kDefaultSize, {[this] {
                         s_.main.minimam = 0;
                         resize(sizeHint().width(), height());
                     }});
    router_.Register(cmd::kSizeFrame,
                     {[this] { s_.main.size = !s_.main.size; }, {}, [this] { return s_.main.size == 0; }});
    router_.Register(cmd::kAbout, {[this] {
                         QMessageBox::about(this, LoadQString(cmd::kAbout).section('(', 0, 0),
                                            QString::fromUtf8(kProductTitle) + QStringLiteral("\n") +
                                                LoadQString(strings::kVersionText));
                     }});
}

void CMainFrame::OpenFileDialog() {
    const int kind = media::Code(core_.kind());
    QString chosen = QFileDialog::getOpenFileName(this, LoadQString(cmd::kOpenFile).section('(', 0, 0),
                                                  QString::fromStdString(core_.source()),
                                                  QString::fromStdString(JoinedNameFilters(media::OpenFileFilter(kind, false))));
    if (!chosen.isEmpty() && OpenPath(chosen.toStdString()) == kNothingOpened)
        Ask(strings::kNothingToPlay, {}, PromptButtons::Ok, PromptIcon::Information, {}, this);
}

void CMainFrame::BuildMenu() {
    auto add = [this](QMenu* menu, int id, bool checkable = false) {
        QAction* a = menu->addAction(LoadQString(id));
        a->setCheckable(checkable);
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        actions_[id] = a;
        return a;
    };
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(LoadQString(strings::kFileMenu));
    add(file, cmd::kOpenFile)->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    add(file, cmd::kRelatedFiles);
    file->addSeparator();
    add(file, cmd::kCatalogMidi);
    add(file, cmd::kCatalogMovie);
    add(file, cmd::kCatalogSound);
    file->addSeparator();
    add(file, cmd::kExport);
    file->addSeparator();
    add(file, cmd::kMiniWindow, true);
    add(file, cmd::kCdEditTitles);
    add(file, cmd::kCdBackupTool);
    add(file, cmd::kMultimedia);
    file->addSeparator();
    add(file, cmd::kExit);

    play_menu_ = bar->addMenu(LoadQString(strings::kPlayMenu));
    for (const auto& group : PlayMenuGroups()) {
        if (!play_menu_->isEmpty()) play_menu_->addSeparator();
        for (int id : group) add(play_menu_, id, router_.IsCheckable(id));
    }

    QMenu* media = bar->addMenu(LoadQString(strings::kMediaMenu));
    const char* kind_keys[] = {"Ctrl+M", "Ctrl+C", "Ctrl+A", "Ctrl+W"};
    for (int k = 0; k < 4; ++k)
        add(media, cmd::KindId(static_cast<MediaKind>(k)), true)->setShortcut(QKeySequence(QString::fromUtf8(kind_keys[k])));

    QMenu* timer = bar->addMenu(LoadQString(strings::kTimerMenu));
    for (int id = cmd::kSleep90; id <= cmd::kSleep10; ++id) add(timer, id);
    timer->addSeparator();
    add(timer, cmd::kSleepOn);
    add(timer, cmd::kSleepOff);
    timer->addSeparator();
    for (int id : {cmd::kOnTimer1, cmd::kOffTimer1, cmd::kOnTimer2, cmd::kOffTimer2}) add(timer, id, true);

    QMenu* view = bar->addMenu(LoadQString(strings::kViewMenu));
    add(view, cmd::kZero, true);
    view->addSeparator();
    add(view, cmd::kDigitDot, true);
    add(view, cmd::kDigitDigital, true);
    add(view, cmd::kDigitCharacter, true);
    view->addSeparator();
    for (int id : {cmd::kDowntime, cmd::kSort, cmd::kWordFiles, cmd::kSpaceCut}) add(view, id, true);
    view->addSeparator();
    add(view, cmd::kMinimumSize);
    add(view, cmd::kDefaultSize);
    add(view, cmd::kSizeFrame, true);

    QMenu* options = bar->addMenu(LoadQString(strings::kOptionsMenu));
    add(options, cmd::kOptions);
    add(options, cmd::kPanelOptionsVolume);
    add(options, cmd::kPanelOptionsMini);
    add(options, cmd::kPanelOptionsCd);
    add(options, cmd::kHotkeys);

    QMenu* help = bar->addMenu(LoadQString(strings::kHelpMenu));
    add(help, cmd::kAbout);

    // The play keys of the main window.
    struct Key {
        int id;
        Qt::Key key;
    };
    for (Key k : {Key{cmd::kPrevious, Qt::Key_Left}, Key{cmd::kNext, Qt::Key_Right}, Key{cmd::kStop, Qt::Key_Space},
                  Key{cmd::kPause, Qt::Key_Escape}}) {
        auto* a = new QAction(this);
        a->setShortcut(QKeySequence(k.key));
        connect(a, &QAction::triggered, this, [this, id = k.id] { RunCommand(id); });
        addAction(a);
    }
}

void CMainFrame::RefreshActions() {
    for (auto& [id, a] : actions_) {
        a->setEnabled(router_.IsEnabled(id));
        if (a->isCheckable()) a->setChecked(router_.IsChecked(id));
        const QString text = QString::fromStdString(router_.Text(id));
        if (a->text() != text) a->setText(text);
    }
}

QMenu* CMainFrame::ListMenu() {
    delete list_menu_;
    list_menu_ = new QMenu(this);
    QAction* back = list_menu_->addAction(LoadQString(core_.controller().item_active() ? strings::kToPlayingPosition : strings::kBackToStartPosition));
    connect(back, &QAction::triggered, this, [this] { RunCommand(cmd::kPanelBackToItem); });
    list_menu_->addSeparator();
    list_menu_->addMenu(play_menu_);
    const MediaKind kind = core_.kind();
    if (kind != MediaKind::Cd) {
        list_menu_->addAction(action(cmd::kRelatedFiles));
        if (core_.files().catalog_mode()) {
            const int editor = kind == MediaKind::Midi ? cmd::kCatalogMidi
                               : kind == MediaKind::Movie ? cmd::kCatalogMovie
                                                          : cmd::kCatalogSound;
            list_menu_->addAction(action(editor));
            list_menu_->addSeparator();
        }
        list_menu_->addAction(action(cmd::kSort));
    }
    return list_menu_;
}

}  // namespace nuko::app
