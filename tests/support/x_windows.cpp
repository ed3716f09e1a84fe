#include "x_windows.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <atomic>
#include <memory>
#include <mutex>
#include <poll.h>
#include <strings.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "media_fixtures.h"

namespace nuko::test {

namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Errors for windows that went meanwhile are answers, not failures.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

DisplayPtr Open(const std::string& display) {
    XSetErrorHandler(IgnoreErrors);
    return DisplayPtr(XOpenDisplay(display.c_str()));
}

bool WmRuns(Display* d) {
    Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, AnyPropertyType, &type, &format, &n,
                                    &after, &data) == Success &&
                 n == 1;
    if (data) XFree(data);
    return found;
}

bool HasClass(Display* d, Window w, const std::string& wanted) {
    XClassHint hint{};
    if (!XGetClassHint(d, w, &hint)) return false;
    auto same = [&wanted](const char* text) { return text && ::strcasecmp(text, wanted.c_str()) == 0; };
    const bool found = same(hint.res_name) || same(hint.res_class);
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return found;
}

// Depth first below `top` (not `top` itself); 0 when none has the class.
Window FindBelow(Display* d, Window top, const std::string& wanted) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, top, &root, &parent, &children, &n)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && !found; ++i) {
        if (HasClass(d, children[i], wanted)) found = children[i];
        else found = FindBelow(d, children[i], wanted);
    }
    if (children) XFree(children);
    return found;
}

}  // namespace

unsigned long FindWindowOfClass(const std::string& display, const std::string& res_class) {
    DisplayPtr d = Open(display);
    return d ? FindBelow(d.get(), DefaultRootWindow(d.get()), res_class) : 0;
}

bool HoldsWindowOfClass(const std::string& display, unsigned long window, const std::string& res_class) {
    DisplayPtr d = Open(display);
    return d && window && FindBelow(d.get(), window, res_class) != 0;
}

bool WindowManager::Start(const std::string& display, std::string* why) {
    std::string openbox = FindProgram("openbox");
    if (openbox.empty()) return *why = "no openbox program", false;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::setenv("DISPLAY", display.c_str(), 1);
        ::execl(openbox.c_str(), "openbox", "--sm-disable", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    DisplayPtr d = Open(display);
    if (!d) return *why = "cannot open the display", false;
    for (int i = 0; i < 250; ++i) {
        if (WmRuns(d.get())) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return *why = "openbox did not start", false;
}

WindowManager::~WindowManager() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

std::optional<WindowShot> GrabWindow(const std::string& display, unsigned long window) {
    DisplayPtr d = Open(display);
    if (!d) return std::nullopt;
    XWindowAttributes a;
    if (!XGetWindowAttributes(d.get(), window, &a) || a.map_state != IsViewable) return std::nullopt;
    XImage* image = XGetImage(d.get(), window, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                              AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    WindowShot shot;
    shot.width = a.width;
    shot.height = a.height;
    shot.pixels.reserve(static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.height));
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) shot.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
    XDestroyImage(image);
    return shot;
}

std::optional<WindowPlace> PlaceOf(const std::string& display, unsigned long window) {
    DisplayPtr d = Open(display);
    if (!d) return std::nullopt;
    XWindowAttributes a;
    if (!XGetWindowAttributes(d.get(), window, &a)) return std::nullopt;
    int x = 0, y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(d.get(), window, DefaultRootWindow(d.get()), 0, 0, &x, &y, &child)) return std::nullopt;
    return WindowPlace{x, y, a.width, a.height};
}

ForeignWindow::ForeignWindow(const std::string& display, unsigned long grab_ctrl_shift_key) {
    XSetErrorHandler(IgnoreErrors);
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return;
    display_ = d;
    window_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 600, 400, 120, 80, 0, 0, 0xFFFFFF);
    XStoreName(d, window_, "foreign");
    XMapRaised(d, window_);
    if (grab_ctrl_shift_key) {
        const KeyCode code = XKeysymToKeycode(d, grab_ctrl_shift_key);
        for (unsigned lock : {0u, static_cast<unsigned>(LockMask), static_cast<unsigned>(Mod2Mask),
                              static_cast<unsigned>(LockMask | Mod2Mask)})
            XGrabKey(d, code, ShiftMask | ControlMask | lock, DefaultRootWindow(d), True, GrabModeAsync, GrabModeAsync);
    }
    XSync(d, False);
    Focus();
}

void ForeignWindow::Focus() {
    auto* d = static_cast<Display*>(display_);
    if (!d || !window_) return;
    // Mapped first, then focused: the server refuses focus for a window
    // that is not viewable yet.
    for (int i = 0; i < 100; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, window_, &a) && a.map_state == IsViewable) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XSetInputFocus(d, window_, RevertToParent, CurrentTime);
    XSync(d, False);
}

ForeignWindow::~ForeignWindow() {
    if (display_) XCloseDisplay(static_cast<Display*>(display_));
}

namespace {

// The window's _NET_WM_NAME (UTF-8), else its WM_NAME; nullopt when it has
// neither or is gone.
std::optional<std::string> NameOf(Display* d, Window w) {
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    std::optional<std::string> name;
    if (XGetWindowProperty(d, w, net_name, 0, 4096, False, utf8, &type, &format, &n, &after, &data) == Success &&
        data && type == utf8) {
        name.emplace(reinterpret_cast<const char*>(data), n);
    }
    if (data) XFree(data);
    if (name) return name;
    char* plain = nullptr;
    if (XFetchName(d, w, &plain) && plain) {
        name.emplace(plain);
        XFree(plain);
    }
    return name;
}

std::vector<std::string> ClassesOf(Display* d, Window w) {
    std::vector<std::string> out;
    XClassHint hint{};
    if (!XGetClassHint(d, w, &hint)) return out;
    for (char* text : {hint.res_name, hint.res_class}) {
        if (!text) continue;
        out.emplace_back(text);
        XFree(text);
    }
    return out;
}

}  // namespace

struct ScreenLog::State {
    DisplayPtr display;
    Window name_window = 0;
    std::atomic<bool> stop{false};
    mutable std::mutex mutex;
    std::vector<std::vector<std::string>> mapped;  // the classes of each window mapped
    std::vector<std::string> names;
    std::thread thread;

    void Note(const std::optional<std::string>& name) {
        std::lock_guard lock(mutex);
        if (name && (names.empty() || names.back() != *name)) names.push_back(*name);
    }
    void Run() {
        Display* d = display.get();
        const Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        while (!stop) {
            while (XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type == MapNotify) {
                    std::vector<std::string> classes = ClassesOf(d, e.xmap.window);
                    std::lock_guard lock(mutex);
                    mapped.push_back(std::move(classes));
                } else if (e.type == PropertyNotify && e.xproperty.window == name_window &&
                           (e.xproperty.atom == net_name || e.xproperty.atom == XA_WM_NAME)) {
                    Note(NameOf(d, name_window));
                }
            }
            ::poll(&p, 1, 20);
        }
    }
};

ScreenLog::ScreenLog(const std::string& display, unsigned long name_window) : state_(std::make_unique<State>()) {
    state_->display = Open(display);
    Display* d = state_->display.get();
    if (!d) return;
    state_->name_window = name_window;
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    if (name_window) {
        XSelectInput(d, name_window, PropertyChangeMask);
        XSync(d, False);
        state_->Note(NameOf(d, name_window));  // the name it has now
    }
    XSync(d, False);
    state_->thread = std::thread([s = state_.get()] { s->Run(); });
}

ScreenLog::~ScreenLog() {
    state_->stop = true;
    if (state_->thread.joinable()) state_->thread.join();
}

bool ScreenLog::ok() const { return state_->display != nullptr; }

int ScreenLog::MappedOfClass(const std::string& res_class) const {
    std::lock_guard lock(state_->mutex);
    int n = 0;
    for (const auto& classes : state_->mapped)
        n += std::any_of(classes.begin(), classes.end(),
                         [&](const std::string& c) { return ::strcasecmp(c.c_str(), res_class.c_str()) == 0; });
    return n;
}

std::vector<std::string> ScreenLog::Names() const {
    std::lock_guard lock(state_->mutex);
    return state_->names;
}

unsigned long TransientFor(const std::string& display, unsigned long window) {
    DisplayPtr d = Open(display);
    Window owner = 0;
    if (!d || !XGetTransientForHint(d.get(), window, &owner)) return 0;
    return owner;
}

namespace {

// The 32-bit items of a property (atoms, windows); empty when it is absent.
std::vector<unsigned long> LongsOf(Display* d, Window w, const char* property, Atom type) {
    Atom actual = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> out;
    if (XGetWindowProperty(d, w, XInternAtom(d, property, False), 0, 4096, False, type, &actual, &format, &n, &after,
                           &data) == Success &&
        data && format == 32) {
        const auto* items = reinterpret_cast<const unsigned long*>(data);  // Xlib hands out longs
        out.assign(items, items + n);
    }
    if (data) XFree(data);
    return out;
}

}  // namespace

std::vector<std::string> NetWmState(const std::string& display, unsigned long window) {
    DisplayPtr d = Open(display);
    std::vector<std::string> names;
    if (!d) return names;
    for (unsigned long atom : LongsOf(d.get(), window, "_NET_WM_STATE", XA_ATOM)) {
        char* name = XGetAtomName(d.get(), atom);
        if (!name) continue;
        names.emplace_back(name);
        XFree(name);
    }
    return names;
}

bool Viewable(const std::string& display, unsigned long window) {
    DisplayPtr d = Open(display);
    XWindowAttributes a;
    return d && XGetWindowAttributes(d.get(), window, &a) && a.map_state == IsViewable;
}

std::vector<unsigned long> ClientStacking(const std::string& display) {
    DisplayPtr d = Open(display);
    if (!d) return {};
    return LongsOf(d.get(), DefaultRootWindow(d.get()), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
}

bool AskToClose(const std::string& display, unsigned long window) {
    DisplayPtr d = Open(display);
    if (!d) return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d.get(), "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d.get(), "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(d.get(), window, False, NoEventMask, &e) != 0;
    XSync(d.get(), False);
    return sent;
}

}  // namespace nuko::test
