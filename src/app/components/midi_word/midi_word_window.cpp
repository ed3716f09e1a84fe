#include "app/components/midi_word/midi_word_window.h"

#include <QCloseEvent>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "app/components/midi_word/midi_word_model.h"
#include "hotkeys/qt_keys.h"

namespace nuko::app {

namespace {

WordRect ToWordRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

MidiWordWindow::MidiWordWindow(QWidget* owner) : OwnedPopup(owner) {
    setObjectName(QStringLiteral("NU-KOP32!MIDI-WordWindow"));
    setWindowTitle(QStringLiteral("MIDI-Word"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    ApplyFlags();
    ApplyCursor();
    image_ = QImage(640, 400, QImage::Format_RGB32);
    image_.fill(Qt::black);
    FitToImage();
}

void MidiWordWindow::ApplyFlags() {
    // Owned by the main window; no close button, as Close does nothing.
    Qt::WindowFlags f = kWindowType | Qt::CustomizeWindowHint;
    if (caption_) f |= Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint;
    else f |= Qt::FramelessWindowHint;
    const bool shown = isVisible();
    const QPoint at = pos();
    setWindowFlags(f);  // hides the window
    if (shown) {
        move(at);
        show();
    }
}

void MidiWordWindow::SetCaption(bool on) {
    if (on == caption_) return;
    caption_ = on;
    // The client area keeps its size; only the frame around it changes.
    if (!full_screen_) ApplyFlags();
}

void MidiWordWindow::SetCursorHidden(bool on) {
    cursor_hidden_ = on;
    ApplyCursor();
}

void MidiWordWindow::ApplyCursor() {
    if (cursor_hidden_) setCursor(Qt::BlankCursor);
    else if (dragging_) setCursor(Qt::ClosedHandCursor);
    else setCursor(Qt::ArrowCursor);
}

void MidiWordWindow::FitToImage() {
    if (!full_screen_) setFixedSize(image_.size());
}

void MidiWordWindow::SetScreen(const QImage& image) {
    if (image == image_) return;
    const bool resized = image.size() != image_.size();
    image_ = image;
    if (resized) FitToImage();
    update();
}

QPoint MidiWordWindow::OnDesktop(QPoint position) const {
    QScreen* s = screen() ? screen() : QApplication::primaryScreen();
    if (!s) return position;
    const QRect frame = frameGeometry();
    WordRect r{position.x(), position.y(), frame.width(), frame.height()};
    r = KeepOnDesktop(r, ToWordRect(s->virtualGeometry()));
    return {r.x, r.y};
}

void MidiWordWindow::ShowAt(QPoint position) {
    if (full_screen_) {
        show();
        return;
    }
    move(OnDesktop(position));
    show();
    raise();
}

bool MidiWordWindow::CanFullScreen() {
    // Every desktop window system Qt runs on here shows windows full screen;
    // the offscreen and minimal platforms of tests do not.
    const QString platform = QApplication::platformName();
    return platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal");
}

void MidiWordWindow::EnterFullScreen() {
    if (full_screen_) return;
    full_screen_ = true;
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showFullScreen();
    raise();
    activateWindow();
    update();
}

void MidiWordWindow::LeaveFullScreen(QPoint position) {
    if (!full_screen_) return;
    full_screen_ = false;
    showNormal();
    FitToImage();
    // The screen it was on may have gone meanwhile.
    move(OnDesktop(position));
    update();
}

void MidiWordWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!full_screen_) {
        p.drawImage(0, 0, image_);
        return;
    }
    p.fillRect(rect(), Qt::black);
    const WordRect r = FullScreenPicture(image_.width(), image_.height(), {0, 0, width(), height()});
    // Whole factors with nearest neighbour keep the pixel art sharp.
    p.setRenderHint(QPainter::SmoothPixmapTransform, r.width < image_.width());
    p.drawImage(QRect(r.x, r.y, r.width, r.height), image_);
}

void MidiWordWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        if (on_menu) on_menu(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton || full_screen_) return;
    press_ = event->globalPosition().toPoint();
    pressed_ = true;
}

void MidiWordWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->globalPosition().toPoint();
    if (dragging_) {
        move(at - drag_offset_);
        return;
    }
    // A drag starts once the mouse has moved, so that a double click stays
    // one.
    if (!pressed_ || !(event->buttons() & Qt::LeftButton) || full_screen_ ||
        (at - press_).manhattanLength() < QApplication::startDragDistance())
        return;
    pressed_ = false;
    // The window system moves the window where it can; else we do.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    dragging_ = true;
    drag_offset_ = press_ - frameGeometry().topLeft();
    ApplyCursor();
    move(at - drag_offset_);
}

void MidiWordWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = false;
    if (!dragging_) return;
    dragging_ = false;
    ApplyCursor();
}

void MidiWordWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && on_toggle_full_screen) on_toggle_full_screen();
}

void MidiWordWindow::keyPressEvent(QKeyEvent* event) {
    const int key = hotkeys::VirtualKeyOf(event->key(), event->modifiers());
    if (key != 0 && on_key) on_key(key, hotkeys::HotkeyModifiersOf(event->modifiers()));
    else QWidget::keyPressEvent(event);
}

void MidiWordWindow::closeEvent(QCloseEvent* event) {
    // The window manager's Close does nothing; the program's own ending
    // (which closes every window first) goes on.
    if (event->spontaneous()) event->ignore();
    else event->accept();
}

void MidiWordWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!full_screen_ && isVisible() && !isMinimized() && on_moved) on_moved(pos());
}

void MidiWordWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (on_visible) on_visible(!isMinimized());
}

void MidiWordWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (on_visible) on_visible(false);
}

void MidiWordWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && on_visible) on_visible(isVisible() && !isMinimized());
}

}  // namespace nuko::app
