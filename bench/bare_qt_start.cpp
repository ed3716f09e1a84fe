// The anchor of the tool's start-up benchmark: a program linked with
// QtWidgets, as nu_kotool is through the support library, that constructs
// no application object and no window (nor does the tool for commands that
// show nothing) and prints one line. What it costs is loading Qt and the
// C++ runtime and starting a process.
#include <QWidget>

#include <cstdio>

int main() {
    // Uses the widgets library, so that the linker keeps it.
    std::printf("%s\n", QWidget::staticMetaObject.className());
    return 0;
}
