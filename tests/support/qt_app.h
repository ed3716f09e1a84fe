// One QApplication for every test of a binary (Qt allows only one), created
// on first use; tests run with QT_QPA_PLATFORM=offscreen.
#pragma once

#include <QApplication>
#include <QInputDevice>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace nuko::test {

inline QApplication& QtApp() {
    // Qt's list of input devices must outlive the application, which
    // deletes the devices that a shown window made: touching the list first
    // makes it go last.
    static const bool devices_first = (QInputDevice::devices(), true);
    (void)devices_first;
    static int argc = 1;
    static char name[] = "nuko-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// The child of `parent` named `name`. A missing one ends the test with a
// failure (the test framework reports the exception) rather than handing
// back a null pointer for the test to dereference.
template <typename T>
T* Child(const QObject* parent, const char* name) {
    T* w = parent->findChild<T*>(QString::fromUtf8(name));
    if (!w) throw std::runtime_error(std::string("no child named ") + name);
    return w;
}

// Runs `body` on the modal window of type T once the event loop of its
// exec() runs, then closes it if it is still up (and any other modal window
// when there was none of that type). A failed ASSERT in `body` leaves only
// `body`, and the window still closes: a failing test fails rather than
// waiting in the window's loop until CTest's time limit.
template <typename T, typename Body>
void OnModal(Body body) {
    QTimer::singleShot(0, [body]() mutable {
        QWidget* up = QApplication::activeModalWidget();
        T* modal = dynamic_cast<T*>(up);
        EXPECT_NE(modal, nullptr) << "the modal window is not the one expected";
        if (modal) body(modal);
        if (modal ? modal->isVisible() : up != nullptr) (modal ? static_cast<QWidget*>(modal) : up)->close();
    });
}

}  // namespace nuko::test
