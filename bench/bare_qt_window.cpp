// The baseline of the player's start-up benchmark: a bare Qt window.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("bare Qt window"));
    w.resize(400, 300);
    w.show();
    return app.exec();
}
