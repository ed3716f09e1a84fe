// One QApplication for every test of a binary (Qt allows only one), created
// on first use; tests run with QT_QPA_PLATFORM=offscreen.
#pragma once

#include <QApplication>
#include <QInputDevice>
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

}  // namespace nuko::test
