#include "main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <ctime>

#include "button_panel_widget.h"
#include "command_ids.h"
#include "controller_settings.h"
#include "nuko/draw3d.h"
#include "nuko/files.h"
#include "nuko/media_title.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/strings.h"
#include "path_opener.h"
#include "panels/time_panel_widget.h"

namespace nuko::app {

using media::MediaKind;

CContFrame::CContFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("NU-KOP32!MainWindow"));
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(3, 3, 3, 3);
    v->setSpacing(3);
    time_ = new panels::TimePanel(central);
    buttons_ = new ButtonPanel(central);
    title_ = new QLabel(central);
    title_->setObjectName(QStringLiteral("NU-KOP32!ScrollTextWindow"));
    title_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    title_->setAutoFillBackground(true);
    QPalette pal = title_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(0, 255, 255));
    title_->setPalette(pal);
    files_ = new media::FileAreaWidget(central);
    v->addWidget(time_);
    v->addWidget(buttons_);
    v->addWidget(title_);
    v->addWidget(files_, 1);
    setCentralWidget(central);
    statusBar();
}

namespace {

int LocalTimeOfDay() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

}  // namespace

CMainFrame::CMainFrame(FrameContext context)
    : ctx_(std::move(context)), s_(*ctx_.settings), dispatcher_(this) {
    setWindowTitle(QStringLiteral("NU-KO Player for WIN32"));
    setAcceptDrops(true);
    if (!ctx_.time_of_day) ctx_.time_of_day = LocalTimeOfDay;

    playback::BackendFactory* backends = ctx_.backends;
    if (!backends) {
        playback::BackendSettings bs;
        bs.sound_font = s_.midi.sound_font;
        bs.program_folder = ctx_.program_folder;
        own_backends_ = std::make_unique<playback::LinuxBackends>(dispatcher_, bs);
        backends = own_backends_.get();
    }
    playback::MediaDeviceConfig config = DeviceConfigFrom(s_, ctx_.work_folder);
    config.program_folder = ctx_.program_folder;
    playback::MediaDeviceHooks hooks;
    hooks.notice = [this](MediaKind kind, int code) { controller_->OnDeviceNotice(kind, code); };
    hooks.status = [this](std::string_view text) { OnStatus(text); };
    device_ = std::make_unique<playback::MediaDevice>(*backends, config, hooks);
    list_ = std::make_unique<playback::FilePlayList>(files_->model(), *device_);
    list_->SetSelectHook([this](int n) { files_->SelectRow(n); });
    list_->SetTitleSource([this](int n) { return ItemTitle(n); });
    controller_ = std::make_unique<playback::PlayController>(*device_, *this, dispatcher_, clock_);
    controller_->SetOptions(ControllerOptionsFrom(s_, ctx_.work_folder));
    controller_->SetList(list_.get());

    connect(files_, &media::FileAreaWidget::rowSelected, this, &CMainFrame::RowSelected);
    connect(files_, &media::FileAreaWidget::rowActivated, this, [this](int row) {
        list_->SetSelected(row);
        RunCommand(cmd::kPlay);
        setFocus();
    });
    connect(files_, &media::FileAreaWidget::contextMenuRequested, this,
            [this](const QPoint& at) { ListMenu()->exec(at - QPoint(3, 3)); });
    connect(buttons_, &ButtonPanel::command, this, &CMainFrame::RunCommand);
    connect(time_, &panels::TimePanel::seekRequested, this, [this](int position) {
        if (position != controller_->position()) controller_->SeekTo(static_cast<std::uint32_t>(position));
    });
    connect(time_, &panels::TimePanel::frameStepRequested, this, [this](int frames, bool backwards) {
        if (controller_->state() == playback::PlayState::Paused && kind_ == media::Code(MediaKind::Movie))
            device_->Step(MediaKind::Movie, frames, backwards);
    });

    BuildMenu();
    ApplySettings();
    timer_.setInterval(std::max(10, s_.main.interval));
    connect(&timer_, &QTimer::timeout, this, [this] { controller_->Tick(); });

    // The frame finishes its set-up: stopped, on the stored kind, clock running.
    controller_->RunCommand(playback::PlayCommand::Stop, false);
    int kind = media::IsKind(s_.main.media) ? s_.main.media : 0;
    if (kind == media::Code(MediaKind::Cd)) kind = 0;  // the CD panel comes later
    kind_ = kind;
    SwitchKind(kind, false, true);
    controller_->StartClock();
    timer_.start();
}

CMainFrame::~CMainFrame() {
    timer_.stop();
    if (controller_) controller_->StopClock();
    if (device_) {
        for (int k = 0; k < media::kKindCount; ++k) device_->Close(static_cast<MediaKind>(k));
    }
}

void CMainFrame::ApplySettings() {
    for (int k = 0; k < media::kKindCount; ++k) {
        const auto& ks = s_.kinds[static_cast<std::size_t>(k)];
        auto& st = kinds_[static_cast<std::size_t>(k)];
        st.mode = {std::clamp(ks.mode, 0, 3), ks.random != 0, ks.intro != 0};
        st.sub_code = static_cast<media::FileTypeFlags>(ks.sub_code);
        st.path = ks.path;
        st.sub_folder = ks.sub_folder != 0;
        controller_->SetMode(static_cast<MediaKind>(k), st.mode);
    }
    time_->SetZeroShow(s_.main.zero != 0);
    time_->SetDigitStyle(s_.main.dig_type);
    time_->SetDowntime(s_.main.downtime != 0);
    const auto& c = s_.color.time_area;
    time_->SetColors(c.background, c.text, c.button_face != 0);

    QFont font(draw::ResolveFamily(s_.main.font.face, QStringLiteral("IPAPGothic")));
    const int dpi = screen() ? static_cast<int>(screen()->logicalDotsPerInchY()) : 96;
    font.setPixelSize(std::max(6, s_.main.font.size * dpi / 72));
    font.setBold(s_.main.font.bold != 0);
    media::FileAreaLookSettings look;
    const auto& fc = s_.color.file_area;
    look.own_colors = fc.own != 0;
    look.background = fc.background;
    look.selection_background = fc.selection_background;
    look.text = fc.text;
    look.selection_text = fc.selection_text;
    look.button_face = fc.button_face != 0;
    look.three_d_type = s_.file_area.three_d_type;
    files_->SetLook(look, font);
    title_->setFont(font);
    title_->setMinimumHeight(std::max(10, s_.main.title_bottom) / 2);

    sleep_.set_length(s_.timer.sleep);
    clocks_.Set(ClockTimers::kOn1, s_.timer.on_timer1);
    clocks_.Set(ClockTimers::kOff1, s_.timer.off_timer1);
    clocks_.Set(ClockTimers::kOn2, s_.timer.on_timer2);
    clocks_.Set(ClockTimers::kOff2, s_.timer.off_timer2);
    UpdateMenuTexts();
    UpdateChecks();
}

std::string CMainFrame::ItemTitle(int item) const {
    const auto& model = files_->model();
    if (item < 1 || item > model.rows()) return {};
    const auto& it = model.list().items[static_cast<std::size_t>(item - 1)];
    if (s_.main.file_name_only) return it.name;
    if (model.catalog_mode() && !it.title.empty()) return it.title;
    media::TitleOptions o;
    o.accept_hidden = s_.main.hidden_file != 0;
    media::MediaTitle t = media::ReadMediaTitle(model.RowPath(item - 1), o);
    std::string title = s_.main.spc_cut ? t.title2 : t.title;
    return title.empty() ? it.name : title;
}

void CMainFrame::ShowTitle(int item) {
    title_->setText(QString::fromStdString(ItemTitle(item)));
}

void CMainFrame::RowSelected(int row) {
    list_->SetSelected(row);
    // Without an active item the current item follows the selection.
    if (!controller_->item_active()) {
        controller_->SetCurrentItem(row);
        ShowTitle(row);
        record_[0] = static_cast<std::uint16_t>(row);
        UpdateTimeRecord(0x01);
    }
}

void CMainFrame::ReloadList() {
    const auto& st = kinds_[static_cast<std::size_t>(kind_)];
    media::FileAreaSettings fs;
    fs.kind = kind_;
    fs.source = st.path;
    fs.type_flags = st.sub_code ? st.sub_code : media::FileTypeFlags{0x001F};
    fs.hidden_files = s_.main.hidden_file != 0;
    fs.sub_folders = st.sub_folder;
    fs.title_display = s_.main.list_box_title != 0;
    media::FileAreaEnvironment env;
    env.catalog.drives = s_.drives;
    env.win_media_type = [](const std::string& p) { return files::WinMediaType(p); };
    std::string keep = st.item >= 1 && st.item <= files_->model().rows() ? files_->model().RowPath(st.item - 1) : "";
    files_->Load(fs, env);
    int selected = st.item;
    if (s_.main.sort && !files_->model().catalog_mode()) {
        files_->model().SortByName();
        files_->Refill();
    }
    if (!keep.empty()) {
        int row = files_->model().FindRow(keep);
        if (row >= 0) selected = row + 1;
    }
    if (selected < 1 || selected > files_->RowCount()) selected = files_->RowCount() ? 1 : 0;
    list_->Reloaded(selected);
    files_->SelectRow(selected);
    controller_->SetCurrentItem(selected);
    ShowTitle(selected);
    record_ = {static_cast<std::uint16_t>(selected), 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    UpdateTimeRecord(0x0F);
    buttons_->SetPlayState(files_->RowCount() ? static_cast<int>(controller_->state()) : -1, kind_);
}

void CMainFrame::SwitchKind(int kind, bool save_old, bool reload) {
    if (!media::IsKind(kind)) return;
    if (save_old) {
        auto& old = kinds_[static_cast<std::size_t>(kind_)];
        old.mode = controller_->Mode(static_cast<MediaKind>(kind_));
        old.item = controller_->current_item();
    }
    kind_ = kind;
    controller_->SetMode(static_cast<MediaKind>(kind), kinds_[static_cast<std::size_t>(kind)].mode);
    files_->model().list().kind = static_cast<MediaKind>(kind);
    buttons_->SetMode(kinds_[static_cast<std::size_t>(kind)].mode);
    if (reload) ReloadList();
    UpdateChecks();
    buttons_->SetPlayState(files_->RowCount() ? static_cast<int>(controller_->state()) : -1, kind_);
}

int CMainFrame::OpenPath(const std::string& path, bool /*startup*/) {
    OpenContext c;
    c.current_kind = kind_;
    c.hidden_files = s_.main.hidden_file != 0;
    c.drop_media_check = s_.main.drop_media_check != 0;
    c.current_flags = kinds_[static_cast<std::size_t>(kind_)].sub_code;
    if (c.current_flags == 0) c.current_flags = 0x001F;
    c.win_media_type = [](const std::string& p) { return files::WinMediaType(p); };
    OpenPlan plan = PlanOpenPath(path, c);
    if (!plan.usable) return -1;

    controller_->RunCommand(playback::PlayCommand::Stop, false);
    if (plan.kind != kind_) SwitchKind(plan.kind, true, false);
    auto& st = kinds_[static_cast<std::size_t>(kind_)];
    st.path = plan.source;
    st.sub_code = plan.type_flags;
    st.item = 0;
    ReloadList();
    if (!plan.named_file.empty()) {
        int row = files_->model().FindRow(plan.named_file);
        if (row >= 0) {
            list_->Select(row + 1);
            list_->ShuffleSwapCurrent(row + 1);
            controller_->SetCurrentItem(row + 1);
            ShowTitle(row + 1);
        }
    }
    return files_->RowCount() > 0 ? 1 : -1;
}

void CMainFrame::PostPlay() {
    QPointer<CMainFrame> self(this);
    dispatcher_.Post([self] {
        if (self) self->controller_->RunCommand(playback::PlayCommand::Play, false);
    });
}

// --- ControllerHost ---------------------------------------------------------

void CMainFrame::OnStateChanged(playback::PlayState state, MediaKind) {
    buttons_->SetPlayState(static_cast<int>(state), kind_);
    UpdateChecks();
}

void CMainFrame::OnListEmpty(MediaKind) { buttons_->SetPlayState(-1, kind_); }

void CMainFrame::OnItemShown(int item) {
    ShowTitle(item);
    record_[0] = static_cast<std::uint16_t>(item);
    UpdateTimeRecord(0x01);
}

void CMainFrame::OnItemStarted(const playback::ItemDisplay& item) {
    time_->SetBase60(item.seconds);
    record_[0] = static_cast<std::uint16_t>(item.item);
    record_[3] = item.length;
    record_[1] = 0;
    time_->SetStatus(panels::TimePanel::Status::Playing);
    UpdateTimeRecord(0x0B);
    title_->setText(QString::fromStdString(item.title));
    // The caption names what plays.
    setWindowTitle(QString::fromStdString(item.title) + QStringLiteral(" - NU-KO Player for WIN32"));
    statusBar()->clearMessage();
}

void CMainFrame::OnItemStopped() {
    setWindowTitle(QStringLiteral("NU-KO Player for WIN32"));
    record_[1] = 0xFFFF;
    record_[3] = 0xFFFF;
    UpdateTimeRecord(0x0A);
    time_->SetSection(std::nullopt);
}

void CMainFrame::OnPosition(std::uint16_t position) {
    record_[1] = position;
    UpdateTimeRecord(0x02);
}

void CMainFrame::OnSectionChanged(std::optional<std::uint32_t> a, std::optional<std::uint32_t> b) {
    if (a && b) time_->SetSection(std::make_pair(static_cast<int>(*a), static_cast<int>(*b)));
    else time_->SetSection(std::nullopt);
}

void CMainFrame::OnAbWait(bool on, int seconds_left) {
    time_->SetABWait(on);
    if (on) {
        record_[1] = static_cast<std::uint16_t>(seconds_left);
        time_->Update(0x02, record_, true);
    }
}

void CMainFrame::OnStatus(std::string_view text) {
    if (text.empty()) statusBar()->clearMessage();
    else statusBar()->showMessage(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

void CMainFrame::UpdateTimeRecord(unsigned mask) { time_->Update(mask, record_, colon_on_); }

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

// --- exit and drops -----------------------------------------------------------

std::error_code CMainFrame::WriteSettings() {
    auto& m = s_.main;
    m.version = settings::kVersionText;
    QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
    m.position = {true, r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    m.show = isMinimized() ? 2 : isMaximized() ? 3 : 1;
    m.media = kind_;
    kinds_[static_cast<std::size_t>(kind_)].mode = controller_->Mode(static_cast<MediaKind>(kind_));
    for (int k = 0; k < media::kKindCount; ++k) {
        const auto& st = kinds_[static_cast<std::size_t>(k)];
        auto& ks = s_.kinds[static_cast<std::size_t>(k)];
        ks.path = st.path;
        ks.sub_code = st.sub_code;
        ks.mode = st.mode.mode;
        ks.random = st.mode.random ? 1 : 0;
        ks.intro = st.mode.intro ? 1 : 0;
        ks.sub_folder = st.sub_folder ? 1 : 0;
    }
    s_.timer.sleep = sleep_.length();
    s_.timer.on_timer1 = clocks_.Get(ClockTimers::kOn1);
    s_.timer.off_timer1 = clocks_.Get(ClockTimers::kOff1);
    s_.timer.on_timer2 = clocks_.Get(ClockTimers::kOn2);
    s_.timer.off_timer2 = clocks_.Get(ClockTimers::kOff2);
    return ctx_.store ? ctx_.store->WriteAll(s_) : std::error_code();
}

void CMainFrame::Shutdown() {
    if (shut_down_) return;
    shut_down_ = true;
    timer_.stop();
    controller_->StopClock();
    controller_->RunCommand(playback::PlayCommand::Stop, false);
    hide();
    if (auto ec = WriteSettings())
        Ask(165, {}, PromptButtons::Ok, PromptIcon::Warning, {}, this);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!shut_down_ && s_.main.poff_chk &&
        Ask(142, {}, PromptButtons::YesNo, PromptIcon::Question, {}, this) != PromptAnswer::Yes) {
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
    if (OpenPath(path, false) != -1) PostPlay();
}

}  // namespace nuko::app
