// libnu_32mhk.so on X11: the movie window's right click and double click.
// The picture of a movie is drawn by a window the player does not own (the
// video output's child window inside the movie frame), so its mouse input
// never reaches the player. The library listens to the X server's raw button
// presses on a connection and thread of its own, and for a press on the
// target window or inside it tells the notify window (a ClientMessage of type
// _NU_KOP_MOUSE_HOOK: target, action, root x, root y) or toggles the target's
// maximised state through the window manager. Raw events are seen, not
// taken: the press still reaches its window.
#include "nu_32mhk.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "press_judge.h"

namespace {

using nuko::mousehook::PressJudge;
using nuko::mousehook::Reaction;

// The desktop's usual double-click time.
constexpr std::int64_t kDoubleClickMs = 400;
// What MouseHookSetCaption reports of the previous state, in the bits of a
// window style: visible, and the caption when there was one.
constexpr std::int32_t kStyleVisible = 0x10000000;
constexpr std::int32_t kStyleCaption = 0x00C00000;

struct Hook {
    // A process that ends with the hook still on (no MouseHookStop) must not
    // end in a joinable thread's destructor.
    ~Hook();
    std::mutex mutex;  // guards everything below but the thread's own display
    Display* events = nullptr;  // the thread's connection
    std::thread thread;
    int wake[2] = {-1, -1};
    int xi_opcode = 0;
    std::uint64_t target = 0;
    std::uint64_t notify = 0;
    std::int32_t action = 0;
};

Hook& TheHook() {
    static Hook hook;
    return hook;
}

Window FromHandle(void* w) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(w)); }

// The window under the pointer and its parents up to the root (excluded),
// and the pointer's root position.
std::vector<std::uint64_t> WindowsUnderPointer(Display* d, int& x, int& y) {
    std::vector<std::uint64_t> chain;
    const Window root = DefaultRootWindow(d);
    Window cur = root, r = 0, child = 0;
    int wx = 0, wy = 0;
    unsigned mask = 0;
    for (int depth = 0; depth < 64 && XQueryPointer(d, cur, &r, &child, &x, &y, &wx, &wy, &mask) && child != None;
         ++depth)
        cur = child;
    for (int depth = 0; depth < 64 && cur != None && cur != root; ++depth) {
        chain.push_back(cur);
        Window parent = None, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(d, cur, &r, &parent, &children, &n)) break;
        if (children) XFree(children);
        cur = parent;
    }
    return chain;
}

void SendMenuNotice(Display* d, Window notify, std::uint64_t target, std::int32_t action, int x, int y) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = notify;
    e.xclient.message_type = XInternAtom(d, "_NU_KOP_MOUSE_HOOK", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(target);
    e.xclient.data.l[1] = action;
    e.xclient.data.l[2] = x;
    e.xclient.data.l[3] = y;
    XSendEvent(d, notify, False, NoEventMask, &e);
    XFlush(d);
}

// Asks the window manager to toggle both maximised states, as a pager does.
void ToggleMaximized(Display* d, Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "_NET_WM_STATE", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2;  // toggle
    e.xclient.data.l[1] = static_cast<long>(XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_VERT", False));
    e.xclient.data.l[2] = static_cast<long>(XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
    e.xclient.data.l[3] = 1;  // an application asks
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(d);
}

// The server went away: the hook ends quietly instead of ending the program
// from its thread (what Xlib would do).
std::atomic<bool> connection_lost{false};

void ConnectionLost(Display*, void*) { connection_lost = true; }

// The server closed the connection: a hang-up, or nothing left to read.
bool ServerGone(const pollfd& p) {
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return true;
    if (!(p.revents & POLLIN)) return false;
    char byte;
    return ::recv(p.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

void Listen(Hook& h) {
    Display* d = h.events;
    PressJudge judge(kDoubleClickMs);
    for (;;) {
        while (!connection_lost && XPending(d) > 0) {
            XEvent ev;
            XNextEvent(d, &ev);
            XGenericEventCookie* cookie = &ev.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != h.xi_opcode || !XGetEventData(d, cookie))
                continue;
            if (cookie->evtype == XI_RawButtonPress) {
                const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
                const int button = raw->detail;
                const auto time = static_cast<std::int64_t>(raw->time);
                int x = 0, y = 0;
                std::vector<std::uint64_t> chain = WindowsUnderPointer(d, x, y);
                std::uint64_t target, notify;
                std::int32_t action;
                {
                    std::lock_guard lock(h.mutex);
                    target = h.target;
                    notify = h.notify;
                    action = h.action;
                }
                switch (judge.Press(target, button, chain, time)) {
                    case Reaction::Menu:
                        if (notify) SendMenuNotice(d, static_cast<Window>(notify), target, action, x, y);
                        break;
                    case Reaction::ToggleMaximized: ToggleMaximized(d, static_cast<Window>(target)); break;
                    case Reaction::Pass: break;
                }
            }
            XFreeEventData(d, cookie);
        }
        pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {h.wake[0], POLLIN, 0}};
        if (connection_lost || (::poll(fds, 2, -1) > 0 && fds[1].revents)) return;
        if (ServerGone(fds[0])) {
            // Seen before Xlib meets it: its error path is left alone, which
            // does not unwind cleanly when the handlers return.
            connection_lost = true;
            return;
        }
    }
}

// X errors on the hook's own connections (a window gone between two
// requests) are quiet; others go to the handler that was there before, or
// Xlib's default, which ends the program.
XErrorHandler previous_handler = nullptr;
std::atomic<Display*> caption_display{nullptr};

int HookXError(Display* d, XErrorEvent* e) {
    if (d == TheHook().events || d == caption_display.load()) return 0;
    return previous_handler ? previous_handler(d, e) : 0;
}

// Xlib's own handler for a lost connection ends the program, from whichever
// thread met it; on the hook's connection that thread is ours, racing the
// program's own exit. Returning lets the connection's exit handler
// (ConnectionLost) end the hook instead.
XIOErrorHandler previous_io_handler = nullptr;

int HookIOError(Display* d) {
    if (d == TheHook().events || d == caption_display.load()) return 0;
    return previous_io_handler ? previous_io_handler(d) : 0;
}

Hook::~Hook() {
    if (!thread.joinable()) return;
    const char stop = 1;
    (void)!::write(wake[1], &stop, 1);
    thread.join();
}

}  // namespace

extern "C" {

int16_t MouseHookVersion(void) { return 100; }

void* MouseHookStart(void) {
    Hook& h = TheHook();
    std::lock_guard lock(h.mutex);
    if (h.events) return &h;
    // Without an X display (a Wayland session) there is nothing to hook.
    Display* d = XOpenDisplay(nullptr);
    if (!d) return nullptr;
    int event = 0, error = 0, major = 2, minor = 0;
    if (!XQueryExtension(d, "XInputExtension", &h.xi_opcode, &event, &error) ||
        XIQueryVersion(d, &major, &minor) != Success || ::pipe2(h.wake, O_CLOEXEC) != 0) {
        XCloseDisplay(d);
        return nullptr;
    }
    connection_lost = false;
    XSetIOErrorExitHandler(d, ConnectionLost, nullptr);
    if (!previous_handler) previous_handler = XSetErrorHandler(HookXError);
    if (!previous_io_handler) previous_io_handler = XSetIOErrorHandler(HookIOError);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonPress);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(d, DefaultRootWindow(d), &mask, 1);
    XFlush(d);
    h.events = d;
    h.thread = std::thread(Listen, std::ref(h));
    return &h;
}

int32_t MouseHookStop(void) {
    Hook& h = TheHook();
    std::thread thread;
    {
        std::lock_guard lock(h.mutex);
        if (!h.events) return 0;
        const char stop = 1;
        (void)!::write(h.wake[1], &stop, 1);
        thread = std::move(h.thread);
    }
    thread.join();
    std::lock_guard lock(h.mutex);
    // A connection that was lost is left alone: Xlib may still hold its lock
    // from the failed call, and closing it would wait for ever.
    if (!connection_lost) XCloseDisplay(h.events);
    h.events = nullptr;
    ::close(h.wake[0]);
    ::close(h.wake[1]);
    h.wake[0] = h.wake[1] = -1;
    h.target = h.notify = 0;
    h.action = 0;
    return 1;
}

void* MouseHookSetTargetWindow(void* target, void* notify) {
    Hook& h = TheHook();
    std::lock_guard lock(h.mutex);
    h.target = FromHandle(target);
    h.notify = FromHandle(notify);
    return target;
}

int32_t MouseHookSetAction(int32_t action) {
    Hook& h = TheHook();
    std::lock_guard lock(h.mutex);
    h.action = action;
    return action;
}

int32_t MouseHookSetCaption(int32_t flag) {
    Hook& h = TheHook();
    Window target;
    {
        std::lock_guard lock(h.mutex);
        target = static_cast<Window>(h.target);
    }
    if (!target) return 0;
    // A connection of its own: the thread's one is not shared.
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 0;
    caption_display = d;
    const Atom hints = XInternAtom(d, "_MOTIF_WM_HINTS", False);
    bool had_caption = true;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, target, hints, 0, 5, False, hints, &type, &format, &count, &after, &data) == Success &&
        data && format == 32 && count >= 3) {
        const auto* v = reinterpret_cast<const long*>(data);
        if (v[0] & 2) had_caption = v[2] != 0;  // MWM_HINTS_DECORATIONS
    }
    if (data) XFree(data);
    long value[5] = {2, 0, flag ? 1 : 0, 0, 0};
    XChangeProperty(d, target, hints, hints, 32, PropModeReplace, reinterpret_cast<unsigned char*>(value), 5);
    XSync(d, False);
    caption_display = nullptr;
    XCloseDisplay(d);
    return kStyleVisible | (had_caption ? kStyleCaption : 0);
}

}  // extern "C"
