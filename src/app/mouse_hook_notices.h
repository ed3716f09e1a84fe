// The movie window's mouse hook (libnu_32mhk.so) tells the main window of a
// right click in a movie with an X ClientMessage of type _NU_KOP_MOUSE_HOOK
// (target, action, root x, root y); this filter turns it into a call. Off
// the X11 platform it hears nothing.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace nuko::app {

class MouseHookNotices final : public QAbstractNativeEventFilter {
public:
    // `menu` runs on the next turn of the event loop, with the click's
    // position on the screen.
    MouseHookNotices(QWidget* window, std::function<void(QPoint)> menu);
    ~MouseHookNotices() override;
    MouseHookNotices(const MouseHookNotices&) = delete;
    MouseHookNotices& operator=(const MouseHookNotices&) = delete;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    QPointer<QWidget> window_;
    std::function<void(QPoint)> menu_;
    std::uint32_t atom_ = 0;
};

}  // namespace nuko::app
