// The window that owns the dialogs and questions a call may show: a widget
// of the program, carried through plain code that never draws it. Empty:
// none (a dialog then stands on its own).
#pragma once

class QWidget;

namespace nuko {

class OwnerWindow {
public:
    OwnerWindow() = default;
    OwnerWindow(QWidget* widget) : widget_(widget) {}  // a widget is an owner as it is

    QWidget* widget() const { return widget_; }
    // For the calls that take an owner untyped (prompts, files, the
    // support library's C functions).
    void* handle() const { return widget_; }
    explicit operator bool() const { return widget_ != nullptr; }

private:
    QWidget* widget_ = nullptr;
};

}  // namespace nuko
