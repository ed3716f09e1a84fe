#include "app/frame/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/components/components.h"
#include "app/components/list_font.h"
#include "app/mouse_hook_notices.h"
#include "app/options/options_sheet.h"
#include "app/product.h"
#include "app/session_control.h"
#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "settings/settings_store.h"

namespace nuko::app {

CContFrame::CContFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("NU-KOP32!MainWindow"));
}

void CContFrame::MakePanels() {
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(3, 3, 3, 3);
    v->setSpacing(3);
    auto part = [v](QBoxLayout* layout, int stretch) {
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(3);
        v->addLayout(layout, stretch);
        return layout;
    };
    top_ = part(new QHBoxLayout, 0);
    bar_ = part(new QVBoxLayout, 0);
    title_ = new QLabel(central);
    title_->setObjectName(QStringLiteral("NU-KOP32!ScrollTextWindow"));
    title_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    title_->setAutoFillBackground(true);
    QPalette pal = title_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(0, 255, 255));
    title_->setPalette(pal);
    v->addWidget(title_);
    list_ = part(new QVBoxLayout, 1);
    setCentralWidget(central);
    statusBar();
    components_ = MakeComponents(*this);
}

CContFrame::~CContFrame() = default;

void CContFrame::AddPanel(QWidget* panel, Place place) {
    switch (place) {
        case Place::Display: top_->addWidget(panel, 1); return;
        case Place::DisplaySide: top_->addWidget(panel, 0, Qt::AlignBottom); return;
        case Place::Bar: bar_->addWidget(panel); return;
        case Place::List: list_->addWidget(panel, 1); return;
    }
}

std::vector<Component*> CContFrame::components() const {
    std::vector<Component*> all;
    for (const auto& c : components_) all.push_back(c.get());
    return all;
}

bool CContFrame::HoldsProgramOnClose() const {
    return std::any_of(components_.begin(), components_.end(),
                       [](const std::unique_ptr<Component>& c) { return c->HoldsProgramOnClose(); });
}

CMainFrame::CMainFrame(PlayerCore& core, CommandRouter& router, SessionControl* session, Contents contents)
    : core_(core), router_(router), session_(session), s_(core.settings()) {
    setWindowTitle(QString::fromUtf8(kProductTitle));
    if (contents == Contents::Now) MakeContents();
}

void CMainFrame::MakeContents() {
    if (made_) return;
    made_ = true;
    MakePanels();
    setAcceptDrops(true);
    // The owner is handed on as a QWidget (the movie frame's parent).
    core_.SetOwnerWindow(this);
    core_.Subscribe(*this);
    core_.RegisterCommands(router_);
    for (Component* c : components()) c->Attach(core_, router_);
    options_ = std::make_unique<OptionsComponent>(static_cast<OptionsHost&>(*this), this);
    options_->Attach(core_, router_);
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
    title_->setFont(ListFont(s_.main, *this));
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
    title_->setText(QString::fromStdString(item.ShownTitle()));
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
    if (shut_down_ || !made_) return;
    shut_down_ = true;
    timer_.stop();
    core_.Stop();
    hide();
    if (auto ec = WriteSettings())
        Ask(strings::kSaveFailed, {}, PromptButtons::Ok, PromptIcon::Warning, {}, this);
    for (Component* c : components()) c->Shutdown();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The window shows before its contents are made; until then it stays.
    if (!made_) {
        event->ignore();
        return;
    }
    // While the tray holds the icon, closing only hides the window, unless
    // a forced exit asked for the end.
    if (!shut_down_ && HoldsProgramOnClose() && !forced_exit_ && !(second_forced_exit_ && s_.main.compulsion)) {
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

void CMainFrame::ShowListMenu(const QPoint& at) { ListMenu()->exec(at); }

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
