#include "app/mouse_hook_notices.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <xcb/xcb.h>

namespace nuko::app {

namespace {
constexpr char kAtomName[] = "_NU_KOP_MOUSE_HOOK";
}

MouseHookNotices::MouseHookNotices(QWidget* window, std::function<void(QPoint)> menu)
    : window_(window), menu_(std::move(menu)) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof kAtomName - 1, kAtomName), nullptr);
    if (!reply) return;
    atom_ = reply->atom;
    std::free(reply);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

MouseHookNotices::~MouseHookNotices() {
    if (atom_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool MouseHookNotices::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t" || !window_) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
    const auto* cm = static_cast<const xcb_client_message_event_t*>(message);
    if (cm->type != atom_ || cm->format != 32 || cm->window != static_cast<xcb_window_t>(window_->winId())) return false;
    const QPoint at(static_cast<std::int32_t>(cm->data.data32[2]), static_cast<std::int32_t>(cm->data.data32[3]));
    // Not inside the event filter: the menu runs an event loop of its own.
    QTimer::singleShot(0, window_, [this, at] {
        if (menu_) menu_(at);
    });
    return true;
}

}  // namespace nuko::app
