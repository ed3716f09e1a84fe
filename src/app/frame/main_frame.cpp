#include "app/frame/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/components/buttons/button_panel_component.h"
#include "app/components/buttons/button_panel_widget.h"
#include "app/components/catalog_tools/catalog_tools_component.h"
#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "app/components/cd_panel/cd_panel_component.h"
#include "app/components/file_area/file_area_component.h"
#include "cd/cd_panel_widget.h"
#include "app/components/hotkeys/hotkeys_component.h"
#include "app/components/midi_word/midi_word_component.h"
#include "app/components/mini_window/mini_window_component.h"
#include "app/mouse_hook_notices.h"
#include "app/product.h"
#include "app/options/options_sheet.h"
#include "app/components/mpris/mpris_component.h"
#include "app/session_control.h"
#include "settings/settings_store.h"
#include "app/components/time_display/time_display_component.h"
#include "app/components/tray/tray_component.h"
#include "app/components/volume/volume_panel_component.h"
#include "panels/volume_panel_widget.h"
#include "library/file_area_widget.h"
#include "nuko/draw3d.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "panels/time_panel_widget.h"

namespace nuko::app {

CContFrame::CContFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("NU-KOP32!MainWindow"));
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(3, 3, 3, 3);
    v->setSpacing(3);
    time_ = std::make_unique<TimeDisplayComponent>(central);
    volume_ = std::make_unique<VolumePanelComponent>(central);
    buttons_ = std::make_unique<ButtonPanelComponent>(central);
    title_ = new QLabel(central);
    title_->setObjectName(QStringLiteral("NU-KOP32!ScrollTextWindow"));
    title_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    title_->setAutoFillBackground(true);
    QPalette pal = title_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(0, 255, 255));
    title_->setPalette(pal);
    files_ = std::make_unique<FileAreaComponent>(central);
    cd_ = std::make_unique<CdPanelComponent>(central);
    auto* top = new QHBoxLayout;
    top->setSpacing(3);
    top->addWidget(time_->widget(), 1);
    top->addWidget(volume_->widget(), 0, Qt::AlignBottom);
    v->addLayout(top);
    v->addWidget(buttons_->widget());
    v->addWidget(title_);
    v->addWidget(files_->widget(), 1);
    v->addWidget(cd_->widget(), 1);
    setCentralWidget(central);
    statusBar();
    word_ = std::make_unique<MidiWordComponent>(this);
    hotkeys_ = std::make_unique<HotkeysComponent>();
    mini_ = std::make_unique<MiniWindowComponent>(this);
    tray_ = std::make_unique<TrayComponent>(this);
    catalog_tools_ = std::make_unique<CatalogToolsComponent>(this);
    mpris_ = std::make_unique<MprisComponent>([this] {
        if (isMinimized()) showNormal();
        show();
        raise();
        activateWindow();
    });
}

CContFrame::~CContFrame() = default;

std::vector<Component*> CContFrame::components() const {
    return {time_.get(), volume_.get(), buttons_.get(), files_.get(), cd_.get(),  word_.get(),
            hotkeys_.get(), mini_.get(),  tray_.get(),  catalog_tools_.get(), mpris_.get()};
}

CMainFrame::CMainFrame(PlayerCore& core, CommandRouter& router, SessionControl* session)
    : core_(core), router_(router), session_(session), s_(core.settings()) {
    setWindowTitle(QString::fromUtf8(kProductTitle));
    setAcceptDrops(true);
    // The owner is handed on as a QWidget (the movie frame's parent).
    core_.SetOwnerWindow(this);
    core_.Subscribe(*this);
    core_.RegisterCommands(router_);
    for (Component* c : components()) c->Attach(core_, router_);
    options_ = std::make_unique<OptionsComponent>(static_cast<OptionsHost&>(*this), this);
    options_->Attach(core_, router_);
    files_->SetContextMenu([this](const QPoint& at) { ListMenu()->exec(at - QPoint(3, 3)); });
    cd_->SetContextMenu([this](const QPoint& at) { ListMenu()->exec(at); });
    hook_notices_ = std::make_unique<MouseHookNotices>(this, [this](const QPoint& at) {
        activateWindow();
        ListMenu()->exec(at);
    });
    RegisterCommands();
    BuildMenu();
    router_.Watch([self = QPointer<CMainFrame>(this)] {
        if (self) self->RefreshActions();
    });
    ApplySettings();

    timer_.setInterval(s_.main.interval);
    connect(&timer_, &QTimer::timeout, this, [this] { core_.Tick(); });
    core_.Start();
    RefreshActions();
    timer_.start();
}

CMainFrame::~CMainFrame() {
    timer_.stop();
    core_.SetOwnerWindow({});
}

void CMainFrame::ApplySettings() {
    for (Component* c : components()) c->ApplySettings(s_);
    QFont font(draw::ResolveFamily(s_.main.font.face, QStringLiteral("IPAPGothic")));
    const int dpi = screen() ? static_cast<int>(screen()->logicalDotsPerInchY()) : 96;
    font.setPixelSize(std::max(6, s_.main.font.size * dpi / 72));
    font.setBold(s_.main.font.bold != 0);
    files_->SetFont(font);
    title_->setFont(font);
    title_->setMinimumHeight(s_.main.title_bottom / 2);
}

// --- what the core tells the window ------------------------------------------------

void CMainFrame::OnStateChanged(playback::PlayState, media::MediaKind) { RefreshActions(); }

void CMainFrame::OnKindChanged(media::MediaKind) { RefreshActions(); }

void CMainFrame::OnTimersChanged() { RefreshActions(); }

void CMainFrame::OnItemShown(int item) { title_->setText(QString::fromStdString(core_.ItemTitle(item))); }

void CMainFrame::OnRowsAdded(int first, int count) {
    if (first == 1 && count > 0) RefreshActions();  // the play commands have an item now
    if (!core_.list_loading()) return;
    const std::string rows = std::to_string(first - 1 + count);
    statusBar()->showMessage(QString::fromStdString(FormatMessage(strings::kListReading, {rows})));
    list_progress_shown_ = true;
}

void CMainFrame::OnListLoaded(int selected) {
    if (list_progress_shown_) statusBar()->clearMessage();
    list_progress_shown_ = false;
    title_->setText(QString::fromStdString(core_.ItemTitle(selected)));
    RefreshActions();
}

void CMainFrame::OnItemStarted(const playback::ItemDisplay& item) {
    title_->setText(QString::fromStdString(item.title));
    // The caption names what plays.
    setWindowTitle(QString::fromStdString(item.title) + QStringLiteral(" - ") + QString::fromUtf8(kProductTitle));
    statusBar()->clearMessage();
}

void CMainFrame::OnItemStopped() { setWindowTitle(QString::fromUtf8(kProductTitle)); }

void CMainFrame::OnStatus(std::string_view text) {
    if (text.empty()) statusBar()->clearMessage();
    else statusBar()->showMessage(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

void CMainFrame::OnSessionEndRequested(int mode) {
    forced_exit_ = true;
    shutdown_requested_ = true;
    WriteSettings();
    if (session_) session_->End(mode);
}

namespace {

// Swallows tool-tip events while the setting is off.
class NoToolTips final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

}  // namespace

void CMainFrame::ApplyTooltips() {
    if (s_.main.tool_tip) {
        if (tooltip_filter_) qApp->removeEventFilter(tooltip_filter_.get());
        tooltip_filter_.reset();
    } else if (!tooltip_filter_) {
        tooltip_filter_ = std::make_unique<NoToolTips>();
        qApp->installEventFilter(tooltip_filter_.get());
    }
}

// --- the options sheet ----------------------------------------------------------

settings::Settings CMainFrame::CurrentSettings() {
    // What the user changed since the start (modes, view switches) first.
    core_.StoreSettings(s_);
    for (Component* c : components()) c->StoreSettings(s_);
    return s_;
}

bool CMainFrame::ApplyOptions(const settings::Settings& next) {
    // Before the core reads a list again with the new folders.
    path::SetCurrentDriveMap(next.drives);
    core_.ApplySettings(s_, next);
    ApplySettings();
    ApplyTooltips();
    if (const bool top = s_.main.window_top != 0; top != windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        const bool shown = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, top);  // hides the window
        if (shown) show();
    }
    timer_.setInterval(s_.main.interval);
    if (WriteSettings()) {
        Ask(strings::kSaveFailed, {}, PromptButtons::Ok, PromptIcon::Warning, {}, static_cast<QWidget*>(this));
        return false;
    }
    return true;
}

void CMainFrame::AddComponentPages(std::vector<std::unique_ptr<OptionsPage>>& pages) {
    for (Component* c : components()) c->AddOptionsPages(pages);
}

// --- exit and drops -----------------------------------------------------------

std::error_code CMainFrame::WriteSettings() {
    auto& m = s_.main;
    m.version = settings::kVersionText;
    QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
    m.position = {true, r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    m.show = isMinimized() ? 2 : isMaximized() ? 3 : 1;
    core_.StoreSettings(s_);
    for (Component* c : components()) c->StoreSettings(s_);
    settings::SettingsStore* store = core_.context().store;
    return store ? store->WriteAll(s_) : std::error_code();
}

void CMainFrame::Shutdown() {
    if (shut_down_) return;
    shut_down_ = true;
    timer_.stop();
    core_.Stop();
    hide();
    if (auto ec = WriteSettings())
        Ask(strings::kSaveFailed, {}, PromptButtons::Ok, PromptIcon::Warning, {}, this);
    for (Component* c : components()) c->Shutdown();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // While the tray holds the icon, closing only hides the window, unless
    // a forced exit asked for the end.
    if (!shut_down_ && tray_->shown() && !forced_exit_ && !(second_forced_exit_ && s_.main.compulsion)) {
        hide();
        event->ignore();
        return;
    }
    if (!shut_down_ && s_.main.poff_chk &&
        Ask(strings::kConfirmQuit, {}, PromptButtons::YesNo, PromptIcon::Question, {}, this) != PromptAnswer::Yes) {
        forced_exit_ = false;
        second_forced_exit_ = false;
        ApplyTooltips();
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
    QApplication::quit();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    OpenDropped(event->mimeData()->urls());
    event->acceptProposedAction();
}

void CMainFrame::OpenDropped(const QList<QUrl>& urls) {
    if (urls.isEmpty()) return;
    activateWindow();
    raise();
    // Only the first dropped file is opened.
    std::string path = urls.front().toLocalFile().toStdString();
    if (OpenPath(path) != kNothingOpened) PostPlay();
}

}  // namespace nuko::app
