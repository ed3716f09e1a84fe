// One QApplication for every test of a binary (Qt allows only one), created
// on first use; tests run with QT_QPA_PLATFORM=offscreen.
#pragma once

#include <QApplication>

namespace nuko::test {

inline QApplication& QtApp() {
    static int argc = 1;
    static char name[] = "nuko-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

}  // namespace nuko::test
