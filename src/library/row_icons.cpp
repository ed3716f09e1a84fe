#include "row_icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace nuko::media {
namespace {

void Note(QPainter& p, int s, QColor c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QRectF(s * 0.15, s * 0.60, s * 0.35, s * 0.28));
    p.drawRect(QRectF(s * 0.42, s * 0.15, s * 0.08, s * 0.60));
    QPainterPath flag;
    flag.moveTo(s * 0.50, s * 0.15);
    flag.cubicTo(s * 0.75, s * 0.20, s * 0.80, s * 0.35, s * 0.70, s * 0.50);
    flag.lineTo(s * 0.50, s * 0.30);
    p.drawPath(flag);
}

void Badge(QPainter& p, int s, const QString& text, QColor c) {
    QRectF r(s * 0.48, s * 0.48, s * 0.52, s * 0.52);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(r, 2, 2);
    QFont f;
    f.setPixelSize(std::max(6, s / 2 - 1));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter, text);
}

void Film(QPainter& p, int s, QColor c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(s * 0.10, s * 0.20, s * 0.80, s * 0.60));
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(s * (0.15 + i * 0.19), s * 0.24, s * 0.09, s * 0.08));
        p.drawRect(QRectF(s * (0.15 + i * 0.19), s * 0.68, s * 0.09, s * 0.08));
    }
}

void Wave(QPainter& p, int s, QColor c) {
    QPen pen(c, std::max(1.0, s / 8.0));
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath w;
    w.moveTo(s * 0.08, s * 0.5);
    for (int i = 0; i < 4; ++i)
        w.quadTo(s * (0.18 + i * 0.21), (i % 2) ? s * 0.85 : s * 0.15, s * (0.29 + i * 0.21), s * 0.5);
    p.drawPath(w);
}

QPixmap Draw(int code, int s) {
    QPixmap pm(s, s);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor midi(30, 80, 200), rcp(20, 140, 60), rmi(140, 60, 170), wrd(240, 200, 40);
    switch (code) {
        case 1: Note(p, s, midi); break;
        case 2: Note(p, s, rcp); break;
        case 3: Note(p, s, rmi); break;
        case 4: Note(p, s, midi); Badge(p, s, "W", wrd); break;
        case 5: Note(p, s, rcp); Badge(p, s, "W", wrd); break;
        case 6: Note(p, s, rmi); Badge(p, s, "W", wrd); break;
        case 7: Badge(p, s, "W", wrd); break;
        case 8: Film(p, s, QColor(60, 60, 160)); break;
        case 9: Film(p, s, QColor(60, 130, 160)); break;
        case 10: Film(p, s, QColor(160, 60, 60)); break;
        case 11: Film(p, s, QColor(100, 100, 100)); break;
        case 12: Wave(p, s, QColor(30, 120, 200)); break;
        case 13: Wave(p, s, QColor(220, 110, 20)); break;
        case 14: Wave(p, s, QColor(20, 150, 120)); break;
        case 15: Film(p, s, QColor(40, 100, 40)); Wave(p, s, QColor(255, 255, 255)); break;
        case 16: Wave(p, s, QColor(150, 40, 150)); break;
        case 17:
            p.setPen(QPen(QColor(90, 60, 20), 1));
            p.setBrush(QColor(190, 140, 70));
            p.drawRect(QRectF(s * 0.12, s * 0.25, s * 0.76, s * 0.62));
            p.drawLine(QPointF(s * 0.12, s * 0.45), QPointF(s * 0.88, s * 0.45));
            break;
        default:  // neutral: a page
            p.setPen(QPen(QColor(110, 110, 110), 1));
            p.setBrush(QColor(235, 235, 235));
            p.drawRect(QRectF(s * 0.22, s * 0.10, s * 0.56, s * 0.80));
            break;
    }
    return pm;
}

}  // namespace

QPixmap RowIcon(int code, int size) {
    static QHash<quint64, QPixmap> cache;
    if (code < 0 || code >= kRowIconCount) code = 0;
    quint64 key = (static_cast<quint64>(size) << 8) | static_cast<quint64>(code);
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.insert(key, Draw(code, size));
    return *it;
}

}  // namespace nuko::media
