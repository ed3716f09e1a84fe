#include "mini_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "scroll_title_widget.h"

#include <nu_32std.h>

namespace nuko::panels {

namespace {

const char* const kPlayTexts[] = {"<", "PLAY", ">", "ﾛ", "Ⅱ"};
const char* const kKindTexts[] = {"mi", "cd", "mo", "wa"};
// The small buttons: play menu, timer set, main window, display option.
const char* const kSmallTexts[] = {"▼", "◎", "□", "≡"};
constexpr int kKeySize = 22;

QString Hex(std::uint32_t bgr) { return draw::FromColorRef(bgr).name(); }

}  // namespace

MiniWindow::MiniWindow(MiniWindowModel& model, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), model_(model) {
    setObjectName(QStringLiteral("NU-KOP32!MiniWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    setWindowTitle(QStringLiteral("- mini(ﾘﾓｺﾝ) -"));

    // Normal layout.
    normal_ = new QWidget(this);
    auto* grid = new QGridLayout(normal_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(1);
    auto* fields = new QHBoxLayout;
    number_label_ = new QLabel(QStringLiteral("No."), normal_);
    number_label_->setObjectName(QStringLiteral("2120"));
    number_ = new QLabel(QStringLiteral("000"), normal_);
    number_->setObjectName(QStringLiteral("2121"));
    right_label_ = new QLabel(QStringLiteral("Max"), normal_);
    right_label_->setObjectName(QStringLiteral("2122"));
    right_ = new QLabel(QStringLiteral("000"), normal_);
    right_->setObjectName(QStringLiteral("2123"));
    for (QLabel* l : {number_, right_}) {
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(34);
    }
    fields->addWidget(number_label_);
    fields->addWidget(number_);
    fields->addStretch(1);
    fields->addWidget(right_label_);
    fields->addWidget(right_);
    // The play buttons stand in the top left corner in both layouts.
    auto* plays = new QHBoxLayout;
    plays->setSpacing(1);
    for (int i = 0; i < 5; ++i) {
        play_[static_cast<std::size_t>(i)] = Button(QString::fromUtf8(kPlayTexts[i]), 2130 + i, i == 1 ? 40 : 0);
        plays->addWidget(play_[static_cast<std::size_t>(i)]);
        QObject::connect(play_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                         [this, i] { model_.PressPlayButton(i), Refresh(); });
    }
    plays->addStretch(1);
    grid->addLayout(plays, 0, 0, 1, 5);
    grid->addLayout(fields, 1, 0, 1, 5);
    for (int d = 0; d < 10; ++d) {
        digits_[static_cast<std::size_t>(d)] = Button(QString::number(d), 2100 + d);
        QObject::connect(digits_[static_cast<std::size_t>(d)], &QPushButton::clicked, this,
                         [this, d] { model_.PressDigit(d), Refresh(); });
    }
    // 7 8 9 / 4 5 6 / 1 2 3 / 0 C T, as a ten-key pad.
    for (int d = 1; d < 10; ++d) grid->addWidget(digits_[static_cast<std::size_t>(d)], 2 + (9 - d) / 3, (d - 1) % 3);
    grid->addWidget(digits_[0], 5, 0);
    go_ = Button(QStringLiteral("C"), 2110);
    QObject::connect(go_, &QPushButton::clicked, this, [this] { model_.PressGo(), Refresh(); });
    grid->addWidget(go_, 5, 1);
    cancel_ = Button(QStringLiteral("T"), 2111);
    QObject::connect(cancel_, &QPushButton::clicked, this, [this] { model_.PressCancel(), Refresh(); });
    grid->addWidget(cancel_, 5, 2);
    for (int k = 0; k < 4; ++k) {
        auto* b = Button(QString::fromUtf8(kKindTexts[k]), 2140 + k);
        b->setCheckable(true);
        kinds_[static_cast<std::size_t>(k)] = b;
        QObject::connect(b, &QPushButton::clicked, this, [this, k] { model_.PressKind(k), Refresh(); });
        grid->addWidget(b, 2 + k / 2, 3 + k % 2);
    }
    hide_ = Button(QStringLiteral("E"), 2145);
    QObject::connect(hide_, &QPushButton::clicked, this, [this] { model_.PressHide(); });
    grid->addWidget(hide_, 4, 3);
    help_ = Button(QStringLiteral("?"), 2146);
    QObject::connect(help_, &QPushButton::clicked, this, [this] { Act(Action::Help); });
    grid->addWidget(help_, 4, 4);
    eject_ = Button(QStringLiteral("EJECT"), 1240);
    QObject::connect(eject_, &QPushButton::clicked, this, [this] { model_.PressEject(); });
    grid->addWidget(eject_, 5, 3, 1, 2);
    auto* smalls = new QHBoxLayout;
    smalls->setSpacing(1);
    const Action small_actions[] = {Action::PlayMenu, Action::TimerSet, Action::MainWindow, Action::DisplayStep};
    for (int i = 0; i < 4; ++i) {
        auto* b = Button(QString::fromUtf8(kSmallTexts[i]), 2126 + i, 18);
        b->setFixedHeight(14);
        small_[static_cast<std::size_t>(i)] = b;
        QObject::connect(b, &QPushButton::clicked, this, [this, b, a = small_actions[i]] {
            Act(a, b->mapToGlobal(QPoint(0, b->height())));
        });
        smalls->addWidget(b);
    }
    smalls->addStretch(1);
    mini_ = Button(QStringLiteral("MINI"), 1241);
    smalls->addWidget(mini_);
    grid->addLayout(smalls, 6, 0, 1, 5);
    title_ = new ScrollTitleWidget(normal_);
    title_->on_double_click = [this] {
        if (look_.picture_on && look_.double_click_plays) Act(Action::PlayPause);
    };
    grid->addWidget(title_, 7, 0, 1, 5);
    slider_ = new QSlider(Qt::Horizontal, normal_);
    slider_->setObjectName(QStringLiteral("2157"));
    slider_->setRange(0, 0);
    QObject::connect(slider_, &QSlider::sliderReleased, this, [this] {
        if (on_seek) on_seek(slider_->value());
    });
    grid->addWidget(slider_, 8, 0, 1, 5);

    // Compact layout: the play buttons and the layout switch.
    compact_ = new QWidget(this);
    auto* row = new QHBoxLayout(compact_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    row->setAlignment(Qt::AlignLeft);
    for (int i = 0; i < 5; ++i) {
        compact_play_[static_cast<std::size_t>(i)] = Button(QString::fromUtf8(kPlayTexts[i]), 2135 + i, i == 1 ? 40 : 0);
        row->addWidget(compact_play_[static_cast<std::size_t>(i)]);
        QObject::connect(compact_play_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                         [this, i] { model_.PressPlayButton(i), Refresh(); });
    }
    auto* back = new QPushButton(QStringLiteral("MINI"), compact_);
    back->setObjectName(QStringLiteral("1241c"));
    back->setFocusPolicy(Qt::NoFocus);
    back->setFixedSize(44, kKeySize);
    row->addWidget(back);

    for (QPushButton* b : {mini_, back})
        QObject::connect(b, &QPushButton::clicked, this, [this] {
            model_.ToggleCompact();
            Refresh();
        });

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(2, 2, 2, 2);
    v->setSizeConstraint(QLayout::SetFixedSize);
    v->addWidget(normal_);
    v->addWidget(compact_);
    compact_->hide();
    Refresh();
}

MiniWindow::~MiniWindow() = default;

QPushButton* MiniWindow::Button(const QString& text, int id, int width) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::number(id));
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(width ? width : kKeySize, kKeySize);
    if (text.size() > 2 && !width) b->setFixedWidth(44);
    return b;
}

void MiniWindow::Act(Action action, QPoint at) {
    if (on_action) on_action(action, at);
}

void MiniWindow::Refresh() {
    const auto enabled = model_.PlayButtonsEnabled();
    for (std::size_t i = 0; i < 5; ++i) {
        play_[i]->setEnabled(enabled[i]);
        compact_play_[i]->setEnabled(enabled[i]);
    }
    const bool keys = model_.TenKeyEnabled();
    for (QPushButton* d : digits_) d->setEnabled(keys);
    go_->setEnabled(keys);
    cancel_->setEnabled(keys);
    for (int k = 0; k < 4; ++k) kinds_[static_cast<std::size_t>(k)]->setChecked(model_.kind() == k);
    eject_->setEnabled(model_.kind() == MiniWindowModel::kCdKind);

    number_->setText(QString::fromStdString(model_.NumberText()));
    number_->setStyleSheet(QStringLiteral("color: %1").arg(Hex(model_.NumberColor())));
    const auto right = model_.Right();
    right_label_->setText(QString::fromStdString(right.label));
    right_label_->setStyleSheet(QStringLiteral("color: %1").arg(Hex(right.label_color)));
    right_->setText(QString::fromStdString(right.text));
    QFont f = font();
    if (right.small) f.setPointSizeF(f.pointSizeF() * 0.85);
    right_->setFont(f);

    const QString play_text = look_.play_time_on_button && !play_time_.isEmpty() && model_.state() == 1
                                  ? play_time_
                                  : QStringLiteral("PLAY");
    play_[1]->setText(play_text);
    compact_play_[1]->setText(play_text);

    if (auto caption = model_.TakeCaption()) {
        setWindowTitle(QString::fromStdString(*caption));
        ++caption_sets_;
    }
    Layout();
}

void MiniWindow::Layout() {
    title_->setVisible(look_.display >= 1);
    slider_->setVisible(look_.display >= 2);
    const bool hide_panel = look_.panel_on_mouse && !picture_.isNull() && !mouse_in_;
    if (compact_shown_ == model_.compact() && hide_panel == panel_hidden_) return;
    compact_shown_ = model_.compact();
    panel_hidden_ = hide_panel;
    // The layout in use keeps its room while hidden: the picture stays.
    for (QWidget* w : {normal_, compact_}) {
        const bool in_use = (w == compact_) == compact_shown_;
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(in_use);
        w->setSizePolicy(policy);
        w->setVisible(in_use && !panel_hidden_);
    }
}

void MiniWindow::SetTitle(const QString& title) { title_->SetText(title); }

void MiniWindow::RestartTitle() { title_->Restart(); }

void MiniWindow::SetRange(int length) { slider_->setRange(0, std::max(0, length)); }

void MiniWindow::SetPosition(int position) {
    if (!slider_->isSliderDown()) slider_->setValue(position);
}

void MiniWindow::SetPlayTime(const QString& text) {
    title_->SetTime(text);
    if (text == play_time_) return;
    play_time_ = text;
    if (look_.play_time_on_button && model_.state() == 1) {
        play_[1]->setText(text);
        compact_play_[1]->setText(text);
    }
}

void MiniWindow::SetLook(const MiniLook& look) {
    const bool picture_changed = look.picture != look_.picture || look.picture_on != look_.picture_on;
    look_ = look;
    title_->SetParams(look.scroll);
    title_->SetLook(look.font, look.background, look.text, look.style);
    const bool visible = isVisible();
    const Qt::WindowFlags flags = windowFlags();
    Qt::WindowFlags wanted = look.on_top ? flags | Qt::WindowStaysOnTopHint : flags & ~Qt::WindowStaysOnTopHint;
    wanted = look.caption ? wanted & ~Qt::FramelessWindowHint : wanted | Qt::FramelessWindowHint;
    if (wanted != flags) {
        setWindowFlags(wanted);
        if (visible) show();
    }
    // Never quite invisible: a window one cannot see cannot be set back.
    Nu_koSetTransparence(this, std::clamp(look.transparency, 0, kMostTransparent));
    if (picture_changed) LoadPicture();
    compact_shown_ = !model_.compact();  // lay out anew
    Refresh();
    update();
}

void MiniWindow::LoadPicture() {
    picture_ = QImage();
    if (!look_.picture_on || look_.picture.empty()) return;
    // A missing file or one that is no picture leaves the plain background.
    QImageReader reader(QString::fromStdString(look_.picture));
    reader.setAllocationLimit(64);
    picture_ = reader.read();
}

void MiniWindow::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter p(this);
    p.fillRect(rect(), draw::FromColorRef(look_.picture_background));
    switch (look_.picture_mode) {
        case 0: p.drawImage((width() - picture_.width()) / 2, (height() - picture_.height()) / 2, picture_); break;
        case 2: p.drawImage(rect(), picture_); break;
        default: p.drawTiledPixmap(rect(), QPixmap::fromImage(picture_)); break;
    }
}

void MiniWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (on_closed) on_closed();
    else hide();
}

void MiniWindow::enterEvent(QEnterEvent*) {
    mouse_in_ = true;
    Layout();
    // "Behind when the mouse comes": the window steps back under the others.
    if (look_.behind_on_mouse) lower();
}

void MiniWindow::leaveEvent(QEvent*) {
    mouse_in_ = false;
    Layout();
}

void MiniWindow::mouseDoubleClickEvent(QMouseEvent*) {
    if (look_.picture_on && look_.double_click_plays) Act(Action::PlayPause);
}

void MiniWindow::mousePressEvent(QMouseEvent* event) {
    // Without a caption the window is moved by its own background.
    if (!look_.caption && event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove())
        return;
    QWidget::mousePressEvent(event);
}

bool MiniWindow::RunKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier)) return false;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        model_.PressDigit(key - Qt::Key_0);
    } else {
        switch (key) {
            case Qt::Key_Question: Act(Action::Help); return true;
            case Qt::Key_A: model_.PressKind(2); break;
            case Qt::Key_C: model_.PressKind(1); break;
            case Qt::Key_E: model_.PressEject(); break;
            case Qt::Key_M: model_.PressKind(0); break;
            case Qt::Key_O:
            case Qt::Key_Escape: model_.PressPlayButton(4); break;
            case Qt::Key_P:
            case Qt::Key_Return:
            case Qt::Key_Enter: model_.PressPlayButton(1); break;
            case Qt::Key_S:
            case Qt::Key_Space: model_.PressPlayButton(3); break;
            case Qt::Key_T: model_.PressCancel(); break;
            case Qt::Key_U: Act(Action::PlayMenu, small_[0]->mapToGlobal(QPoint(0, small_[0]->height()))); return true;
            case Qt::Key_W: model_.PressKind(3); break;
            case Qt::Key_Home: model_.PressGo(); break;
            case Qt::Key_Left: model_.PressPlayButton(0); break;
            case Qt::Key_Right: model_.PressPlayButton(2); break;
            case Qt::Key_Up: Act(Action::Up); return true;
            case Qt::Key_Down: Act(Action::Down); return true;
            default: return false;
        }
    }
    Refresh();
    return true;
}

void MiniWindow::keyPressEvent(QKeyEvent* event) {
    Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    // "?" always comes with Shift; the other keys take it only when allowed.
    if (look_.accel_shift || event->key() == Qt::Key_Question) modifiers &= ~Qt::ShiftModifier;
    if (!RunKey(event->key(), modifiers)) QWidget::keyPressEvent(event);
}

}  // namespace nuko::panels
