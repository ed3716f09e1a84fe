#include "x11_shortcuts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <vector>
#include <xcb/xcb.h>

// After Qt: Xlib's macros (Status, Bool) would break Qt's headers.
#include <X11/Xlib.h>

#include "virtual_keys.h"

namespace nuko::hotkeys {

namespace {

// The lock keys do not change a hot key: each grab is made with them too.
constexpr unsigned kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr unsigned kRelevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

unsigned XModifiers(int modifiers) {
    unsigned m = 0;
    if (modifiers & kShift) m |= XCB_MOD_MASK_SHIFT;
    if (modifiers & kCtrl) m |= XCB_MOD_MASK_CONTROL;
    if (modifiers & kAlt) m |= XCB_MOD_MASK_1;
    return m;
}

}  // namespace

std::unique_ptr<X11Shortcuts> X11Shortcuts::Create(std::function<void(int)> activated) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !x11->display()) return nullptr;
    xcb_connection_t* c = x11->connection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    if (!it.rem) return nullptr;
    return std::unique_ptr<X11Shortcuts>(new X11Shortcuts(x11->display(), c, it.data->root, std::move(activated)));
}

X11Shortcuts::X11Shortcuts(void* display, void* connection, std::uint32_t root, std::function<void(int)> activated)
    : display_(display), connection_(connection), root_(root), activated_(std::move(activated)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Shortcuts::~X11Shortcuts() {
    while (!grabs_.empty()) Unregister(grabs_.begin()->first);
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11Shortcuts::Register(int id, int virtual_key, int modifiers) {
    Unregister(id);
    const unsigned long sym = KeysymOf(virtual_key);
    if (!sym) return false;
    const KeyCode code = XKeysymToKeycode(static_cast<Display*>(display_), sym);
    if (!code) return false;
    auto* c = static_cast<xcb_connection_t*>(connection_);
    const unsigned mods = XModifiers(modifiers);
    bool taken = false;
    std::vector<xcb_void_cookie_t> cookies;
    for (unsigned lock : kLockVariants)
        cookies.push_back(xcb_grab_key_checked(c, 1, root_, static_cast<std::uint16_t>(mods | lock), code,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    for (xcb_void_cookie_t cookie : cookies)
        if (xcb_generic_error_t* e = xcb_request_check(c, cookie)) {
            taken = true;  // BadAccess: another program holds it
            std::free(e);
        }
    if (taken) {
        for (unsigned lock : kLockVariants) xcb_ungrab_key(c, code, root_, static_cast<std::uint16_t>(mods | lock));
        xcb_flush(c);
        return false;
    }
    grabs_[id] = {code, mods};
    return true;
}

void X11Shortcuts::Unregister(int id) {
    auto it = grabs_.find(id);
    if (it == grabs_.end()) return;
    auto* c = static_cast<xcb_connection_t*>(connection_);
    for (unsigned lock : kLockVariants)
        xcb_ungrab_key(c, static_cast<xcb_keycode_t>(it->second.keycode), root_,
                       static_cast<std::uint16_t>(it->second.modifiers | lock));
    xcb_flush(c);
    grabs_.erase(it);
}

bool X11Shortcuts::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->event != root_ && key->root != root_) return false;
    for (const auto& [id, grab] : grabs_) {
        if (key->detail != grab.keycode || (key->state & kRelevant) != grab.modifiers) continue;
        // Not inside the filter: a command may open a dialog.
        std::weak_ptr<int> alive = alive_;
        QTimer::singleShot(0, qApp, [this, alive, id = id] {
            if (alive.lock() && activated_) activated_(id);
        });
        return true;
    }
    return false;
}

}  // namespace nuko::hotkeys
