// nuko_make_icons OUTDIR SIZE...: draws the program's icon at each size
// into OUTDIR/SIZExSIZE/apps/nu-kop32.png (the hicolor theme's layout). The
// drawing is the one of nu-kop32.svg beside it: a dark blue tile, a disc and
// an eighth note.
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <cstdlib>

namespace {

void Draw(QPainter& p) {
    // In a 256-unit square.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, QColor(0x2f, 0x4f, 0x8f));
    tile.setColorAt(1, QColor(0x14, 0x1f, 0x3a));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    QRadialGradient disc(QPointF(156, 150), 84);
    disc.setColorAt(0, QColor(0x9f, 0xf4, 0xff));
    disc.setColorAt(1, QColor(0x18, 0xa8, 0xd8));
    p.setBrush(disc);
    p.drawEllipse(QPointF(156, 150), 80, 80);
    p.setBrush(QColor(0x14, 0x1f, 0x3a));
    p.drawEllipse(QPointF(156, 150), 16, 16);

    // The note: a head, a stem and a flag, in warm yellow.
    const QColor note(0xff, 0xd2, 0x3f);
    p.setBrush(note);
    p.save();
    p.translate(84, 190);
    p.rotate(-20);
    p.drawEllipse(QPointF(0, 0), 34, 24);
    p.restore();
    p.drawRect(QRectF(106, 52, 14, 136));
    QPainterPath flag;
    flag.moveTo(106, 52);
    flag.cubicTo(130, 64, 168, 80, 150, 132);
    flag.cubicTo(150, 100, 136, 90, 120, 88);
    flag.closeSubpath();
    p.drawPath(flag);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nuko_make_icons OUTDIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 8 || size > 1024) return 2;
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.scale(size / 256.0, size / 256.0);
            Draw(p);
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/nu-kop32.png"))) {
            std::fprintf(stderr, "nuko_make_icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
