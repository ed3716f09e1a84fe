// Windows on a test's own X server: a window manager to run beside the
// program under test, and what a window shows and where it stands, read
// straight from the server.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace nuko::test {

// openbox on the display, for tests that need full screen, maximising and
// decorations as a desktop does them.
class WindowManager {
public:
    WindowManager() = default;
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // False, with the reason, when none could be started; true once it
    // manages the screen.
    bool Start(const std::string& display, std::string* why);

private:
    pid_t pid_ = -1;
};

struct WindowShot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB, row by row
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

struct WindowPlace {
    int x = 0;  // the client area's top-left corner on the screen
    int y = 0;
    int width = 0;
    int height = 0;
};

// What a mapped window shows; nullopt when it is not there or not mapped.
std::optional<WindowShot> GrabWindow(const std::string& display, unsigned long window);
std::optional<WindowPlace> PlaceOf(const std::string& display, unsigned long window);
// A window of another program that holds the keyboard focus while it lives
// (and, with `grab_ctrl_shift_key` other than 0, holds a global grab of
// Ctrl+Shift and that key symbol, as a program that took the combination
// first would).
class ForeignWindow {
public:
    ForeignWindow(const std::string& display, unsigned long grab_ctrl_shift_key = 0);
    ~ForeignWindow();
    ForeignWindow(const ForeignWindow&) = delete;
    ForeignWindow& operator=(const ForeignWindow&) = delete;
    bool ok() const { return window_ != 0; }
    unsigned long id() const { return window_; }
    // Takes the focus again.
    void Focus();

private:
    void* display_ = nullptr;
    unsigned long window_ = 0;
};

// The first window, top-level or below, whose WM_CLASS name or class is
// `res_class` (compared without case); 0 when none.
unsigned long FindWindowOfClass(const std::string& display, const std::string& res_class);
// Whether a window below `window` (a tray holding icons, say) has that
// WM_CLASS name or class.
bool HoldsWindowOfClass(const std::string& display, unsigned long window, const std::string& res_class);

// What the X server tells of the screen while the log lives, recorded by a
// thread of its own as the events come, so that a state that lasts a few
// milliseconds (a caption, a pop-up) is seen however slowly the test polls:
// the windows mapped as the root's children (pop-up menus; a managed
// window's frame belongs to the window manager) and each name that one
// chosen window takes.
class ScreenLog {
public:
    explicit ScreenLog(const std::string& display, unsigned long name_window = 0);
    ~ScreenLog();
    ScreenLog(const ScreenLog&) = delete;
    ScreenLog& operator=(const ScreenLog&) = delete;
    bool ok() const;

    // Windows of that WM_CLASS name or class mapped since the log began.
    int MappedOfClass(const std::string& res_class) const;
    // The names the chosen window took since the log began, in order, the
    // one it had then first.
    std::vector<std::string> Names() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// What the window manager reads of a window and what it tells of the
// stacking, straight from the server: the window named as its owner
// (WM_TRANSIENT_FOR, 0 when none), the names of its _NET_WM_STATE atoms,
// whether it is mapped and viewable, and the managed windows from bottom to
// top (_NET_CLIENT_LIST_STACKING on the root).
unsigned long TransientFor(const std::string& display, unsigned long window);
std::vector<std::string> NetWmState(const std::string& display, unsigned long window);
bool Viewable(const std::string& display, unsigned long window);
std::vector<unsigned long> ClientStacking(const std::string& display);

// Asks the window to close as a window manager's Close does
// (WM_DELETE_WINDOW); false when the request could not be sent.
bool AskToClose(const std::string& display, unsigned long window);

}  // namespace nuko::test
