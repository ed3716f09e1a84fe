// The MIDI-Word window: a pop-up owned by the main window that shows the
// composed WRD screen, dragged by its client area, with its own keys, right
// click and double click. Full screen shows the screen scaled by a whole
// factor, centred on black. It reports what the user does; the component
// decides.
#pragma once

#include <QImage>
#include <QPoint>
#include <functional>

#include "nuko/owned_popup.h"

namespace nuko::app {

class MidiWordWindow final : public OwnedPopup {
public:
    explicit MidiWordWindow(QWidget* owner);

    // The composed screen; the window repaints when it changed and takes
    // its size when not in full screen.
    void SetScreen(const QImage& image);
    const QImage& screen_image() const { return image_; }
    void SetCaption(bool on);
    void SetCursorHidden(bool on);
    // Shows the window at `position` (frame top-left), moved onto the
    // desktop when it would be out of reach.
    void ShowAt(QPoint position);
    // Full screen on the screen the window is on, and back to `position`.
    void EnterFullScreen();
    void LeaveFullScreen(QPoint position);
    bool full_screen() const { return full_screen_; }
    // The window system can show a window full screen.
    static bool CanFullScreen();

    std::function<void(QPoint)> on_moved;          // new place, not in full screen
    std::function<void()> on_toggle_full_screen;   // double click
    std::function<void(int, int)> on_key;          // virtual key, modifiers
    std::function<void(QPoint)> on_menu;           // right click, global point
    std::function<void(bool)> on_visible;          // shown and not minimised

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitToImage();
    void ApplyCursor();
    void ApplyFlags();
    QPoint OnDesktop(QPoint position) const;

    QImage image_;
    bool caption_ = false;
    bool cursor_hidden_ = false;
    bool full_screen_ = false;
    // The left button is down (a drag may start), and a drag that the
    // window system does not move for us.
    bool pressed_ = false;
    QPoint press_;
    bool dragging_ = false;
    QPoint drag_offset_;
};

}  // namespace nuko::app
