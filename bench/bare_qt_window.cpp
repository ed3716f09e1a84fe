// The baseline of the player's start-up benchmark: a bare Qt window, of the
// size given as WIDTHxHEIGHT (the player's first window), 400x300 without one.
#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int width = 400, height = 300;
    if (argc > 1) std::sscanf(argv[1], "%dx%d", &width, &height);
    QWidget w;
    w.setWindowTitle(QStringLiteral("bare Qt window"));
    w.resize(width, height);
    w.show();
    return app.exec();
}
