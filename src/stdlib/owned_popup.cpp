#include "nuko/owned_popup.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>

namespace nuko {

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return atom;
}

// Sets the task-bar hints in the window's _NET_WM_STATE before it is
// mapped; Qt keeps the states it finds there when it maps the window. A
// "hidden" state that a window manager left from the last time the pop-up
// went with its minimised owner goes: mapped with it, the pop-up would be
// minimised again, and its owner with it.
void PrepareNetWmState(WId window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
    const xcb_atom_t hidden = Atom(c, "_NET_WM_STATE_HIDDEN");
    const xcb_atom_t skip[] = {Atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), Atom(c, "_NET_WM_STATE_SKIP_PAGER")};
    if (state == XCB_ATOM_NONE || skip[0] == XCB_ATOM_NONE || skip[1] == XCB_ATOM_NONE) return;
    const auto w = static_cast<xcb_window_t>(window);
    std::vector<xcb_atom_t> atoms;
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, state, XCB_ATOM_ATOM, 0, 64), nullptr);
    if (r && r->format == 32 && r->type == XCB_ATOM_ATOM) {
        const auto* have = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
        atoms.assign(have, have + xcb_get_property_value_length(r) / 4);
    }
    std::free(r);
    atoms.erase(std::remove(atoms.begin(), atoms.end(), hidden), atoms.end());
    for (xcb_atom_t a : skip)
        if (std::find(atoms.begin(), atoms.end(), a) == atoms.end()) atoms.push_back(a);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, state, XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(atoms.size()),
                        atoms.data());
    xcb_flush(c);
}

}  // namespace

OwnedPopup::OwnedPopup(QWidget* owner, Qt::WindowFlags flags)
    : QWidget(owner, kWindowType | flags), owner_(owner) {
    if (owner) owner->installEventFilter(this);
}

OwnedPopup::~OwnedPopup() {
    if (owner_) owner_->removeEventFilter(this);
}

bool OwnedPopup::OwnerOnScreen() const {
    return !owner_ || (owner_->isVisible() && !owner_->isMinimized());
}

void OwnedPopup::setVisible(bool visible) {
    asked_ = visible;
    if (visible && !OwnerOnScreen()) {
        // Comes when the owner does.
        if (isVisible()) QWidget::setVisible(false);
        return;
    }
    if (visible && !isVisible()) PrepareNativeWindow();
    QWidget::setVisible(visible);
}

void OwnedPopup::PrepareNativeWindow() {
    // A window manager that minimised it with its owner had Qt mark it
    // minimised: shown so, it would be minimised again, and a window manager
    // minimises the owner of a minimised pop-up too.
    if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
    if (!owner_ || QGuiApplication::platformName() != QStringLiteral("xcb")) return;
    // Both native windows must exist for the window manager to learn who
    // owns whom; Qt then writes WM_TRANSIENT_FOR when it maps the pop-up.
    const WId self = winId();
    owner_->window()->winId();
    if (QWindow* w = windowHandle()) w->setTransientParent(owner_->window()->windowHandle());
    PrepareNetWmState(self);
}

void OwnedPopup::Follow() {
    const bool on = asked_ && OwnerOnScreen();
    if (on == isVisible()) return;
    if (on) PrepareNativeWindow();
    QWidget::setVisible(on);
}

bool OwnedPopup::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_.data()) {
        switch (event->type()) {
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::WindowStateChange: Follow(); break;
            default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace nuko
