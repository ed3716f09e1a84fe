// The C exports of the support library that work on windows and the screen.
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <nu_32std.h>
#include "nuko/desktop.h"

namespace {

nuko::desktop::Rect ToRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

bool HaveScreen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && QGuiApplication::primaryScreen();
}

}  // namespace

extern "C" {

void Nu_koSetTransparence(void* window, int32_t percent) {
    auto* w = static_cast<QWidget*>(window);
    if (!w) return;
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    w->setWindowOpacity(percent == 0 ? 1.0 : (100 - percent) / 100.0);
}

void Nu_koCheckWindowPos(NuKoPoint* position, int32_t width, int32_t height) {
    if (!position || !HaveScreen()) {
        if (position) {
            if (position->x < 0) position->x = 0;
            if (position->y < 0) position->y = 0;
        }
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    auto desktop = ToRect(screen->geometry());
    auto panel = nuko::desktop::PanelRect(desktop, ToRect(screen->availableGeometry()));
    int x = position->x;
    int y = position->y;
    nuko::desktop::CheckWindowPos(x, y, width, height, desktop, panel);
    position->x = x;
    position->y = y;
}

void Nu_koSetWindowPos(void* window, const NuKoPoint* position) {
    auto* w = static_cast<QWidget*>(window);
    if (!w || !position || (position->x == 0 && position->y == 0)) return;
    NuKoPoint p = *position;
    QSize size = w->frameGeometry().size();
    Nu_koCheckWindowPos(&p, size.width(), size.height());
    w->move(p.x, p.y);
}

int32_t Nu_koGetCursorPosOffset(int32_t /*ignored*/, NuKoPoint* point_out) {
    QPoint c = HaveScreen() ? QCursor::pos() : QPoint();
    int x = c.x() > 20 ? c.x() - 20 : c.x();
    int y = c.y() > 20 ? c.y() - 20 : c.y();
    if (x == 0 && y == 0) x = 1;
    if (point_out) {
        point_out->x = x;
        point_out->y = y;
    }
    return y;
}

}  // extern "C"
