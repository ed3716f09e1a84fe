// A pop-up window owned by the program's main window, as the desktop should
// see it: the window manager is told who owns it (transient-for), so it
// stays above its owner and goes with it; it has no task-bar entry of its
// own; and it is on screen only while its owner is. Hiding or minimising
// the owner takes it away; the owner's return brings it back, unless the
// program hid it meanwhile.
#pragma once

#include <QPointer>
#include <QWidget>

namespace nuko {

class OwnedPopup : public QWidget {
public:
    // `owner` may be null: a window of its own then, shown as asked.
    // `flags` add to the window type (frame and title hints).
    explicit OwnedPopup(QWidget* owner, Qt::WindowFlags flags = {});
    ~OwnedPopup() override;

    // What the program asks for: shown (true) stays asked for while the
    // owner is away, and comes on screen when it returns.
    void setVisible(bool visible) override;
    bool shown_asked() const { return asked_; }
    // The window type every owned pop-up takes: the window manager keeps a
    // transient window of this type above its owner and still lets it go
    // full screen and maximised.
    static constexpr Qt::WindowType kWindowType = Qt::Dialog;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OwnerOnScreen() const;
    void Follow();
    // Before the window is mapped: its owner and the task-bar hint.
    void PrepareNativeWindow();

    QPointer<QWidget> owner_;
    bool asked_ = false;
};

}  // namespace nuko
