#include "digit_glyphs.h"

#include <QPainter>
#include <QPolygon>
#include <array>

#include "digital_model.h"

namespace nuko::panels {
namespace {

// Segments of the seven-segment shapes: a top, b upper right, c lower
// right, d bottom, e lower left, f upper left, g middle.
constexpr std::array<const char*, 10> kSegments = {"abcdef", "bc",     "abdeg", "abcdg", "bcfg",
                                                  "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};

// 5 x 7 dot patterns of the digits and the dash, one row per byte (bit 4 left).
constexpr std::array<std::array<unsigned char, 7>, 11> kDots = {{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
    {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00},  // -
}};

void DrawSegments(QPainter& p, const QRect& cell, const char* segs) {
    const int w = cell.width(), h = cell.height();
    const int t = std::max(2, w / 6);  // stroke thickness
    const int x0 = cell.left() + 1, x1 = cell.left() + w - 2;
    const int y0 = cell.top() + 1, ym = cell.top() + h / 2, y1 = cell.top() + h - 2;
    auto horizontal = [&](int y) { p.drawRect(QRect(x0 + t, y - t / 2, x1 - x0 - 2 * t + 1, t)); };
    auto vertical = [&](int x, int ya, int yb) { p.drawRect(QRect(x - t / 2, ya + t / 2 + 1, t, yb - ya - t - 1)); };
    for (const char* s = segs; *s; ++s) {
        switch (*s) {
            case 'a': horizontal(y0 + t / 2); break;
            case 'b': vertical(x1 - t / 2, y0, ym); break;
            case 'c': vertical(x1 - t / 2, ym, y1); break;
            case 'd': horizontal(y1 - t / 2); break;
            case 'e': vertical(x0 + t / 2, ym, y1); break;
            case 'f': vertical(x0 + t / 2, y0, ym); break;
            case 'g': horizontal(ym); break;
        }
    }
}

void DrawDots(QPainter& p, const QRect& cell, const std::array<unsigned char, 7>& rows) {
    const double dx = (cell.width() - 2) / 5.0, dy = (cell.height() - 2) / 7.0;
    const double r = std::max(1.0, std::min(dx, dy) * 0.42);
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 5; ++col)
            if (rows[static_cast<std::size_t>(row)] & (0x10 >> col))
                p.drawEllipse(QPointF(cell.left() + 1 + dx * (col + 0.5), cell.top() + 1 + dy * (row + 0.5)), r, r);
}

void DrawColon(QPainter& p, const QRect& cell, int style) {
    const int s = std::max(2, cell.width() - 1);
    const int x = cell.left() + (cell.width() - s) / 2;
    for (int y : {cell.top() + cell.height() / 3, cell.top() + 2 * cell.height() / 3}) {
        if (style == 0) p.drawEllipse(QRect(x, y - s / 2, s, s));
        else p.drawRect(QRect(x, y - s / 2, s, s));
    }
}

QImage BuildMask(GlyphSize size) {
    const GlyphMetrics m = MetricsOf(size);
    QImage img(12 * m.width + m.colon_width + m.width, 3 * m.height, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int style = 0; style < 3; ++style) {
        p.setRenderHint(QPainter::Antialiasing, style == 0);
        for (int g = 0; g <= kGlyphColon; ++g) {
            QRect cell = GlyphRect(size, style, g);
            if (g == kGlyphColon) {
                DrawColon(p, cell, style);
            } else if (style == 0) {
                DrawDots(p, cell, kDots[static_cast<std::size_t>(g)]);
            } else if (style == 1) {
                DrawSegments(p, cell, g == kGlyphDash ? "g" : kSegments[static_cast<std::size_t>(g)]);
            } else {
                QFont f(QStringLiteral("IPAGothic"));
                f.setPixelSize(cell.height());
                f.setBold(true);
                f.setStyleStrategy(QFont::NoAntialias);
                p.setFont(f);
                p.setPen(Qt::white);
                p.drawText(cell, Qt::AlignCenter, g == kGlyphDash ? QStringLiteral("-") : QString::number(g));
                p.setPen(Qt::NoPen);
            }
        }
    }
    return img;
}

}  // namespace

GlyphMetrics MetricsOf(GlyphSize size) {
    return size == GlyphSize::Large ? GlyphMetrics{14, 21, 4} : GlyphMetrics{9, 13, 3};
}

const QImage& GlyphMask(GlyphSize size) {
    static const QImage large = BuildMask(GlyphSize::Large);
    static const QImage small = BuildMask(GlyphSize::Small);
    return size == GlyphSize::Large ? large : small;
}

QImage ColorStrip(GlyphSize size, QColor foreground, QColor background) {
    QImage out = GlyphMask(size).copy();
    const QRgb fg = foreground.rgb(), bg = background.rgb();
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            // The mask may have soft edges (dot style): blend by its grey level.
            int a = qRed(line[x]);
            line[x] = qRgb((qRed(fg) * a + qRed(bg) * (255 - a)) / 255, (qGreen(fg) * a + qGreen(bg) * (255 - a)) / 255,
                           (qBlue(fg) * a + qBlue(bg) * (255 - a)) / 255);
        }
    }
    return out;
}

QRect GlyphRect(GlyphSize size, int style, int glyph) {
    const GlyphMetrics m = MetricsOf(size);
    int x = glyph * m.width;
    if (glyph > kGlyphColon) x = (glyph - 1) * m.width + m.colon_width;  // after the narrow colon
    int w = glyph == kGlyphColon ? m.colon_width : m.width;
    return QRect(x, style * m.height, w, m.height);
}

}  // namespace nuko::panels
