#include "nuko/draw3d.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <atomic>

namespace nuko::draw {
namespace {

std::atomic<bool> g_smooth{false};

QColor Highlight(std::int32_t h, const QPalette& pal) {
    if (h == kButtonHighlight) return pal.color(QPalette::Light);
    return FromColorRef(static_cast<std::uint32_t>(h));
}

QFont TextFont(QPainter& p, const TextOptions& o) {
    QFont f = o.font ? *o.font : p.font();
    f.setStyleStrategy(SmoothFont() ? QFont::PreferAntialias : QFont::NoAntialias);
    return f;
}

// Draws the highlight copy and the text of one layout at their offsets.
template <typename DrawAt>
void DrawWithHighlight(QPainter& p, const TextOptions& o, DrawAt draw_at) {
    const QPalette pal;
    QPoint text_offset(0, 0);
    QPoint light_offset(0, 0);
    if (o.style == Style::Raised) text_offset = QPoint(1, 1);
    if (o.style == Style::Sunken) light_offset = QPoint(1, 1);
    if (o.style != Style::Flat) {
        p.setPen(Highlight(o.highlight, pal));
        draw_at(light_offset, /*shrink=*/false);
    }
    p.setPen(FromColorRef(o.color));
    draw_at(text_offset, o.style == Style::Raised);
}

int TextFlags(const QString& text, const QRect& r, const QFontMetrics& fm, const LayoutOptions& l, bool* wrapped) {
    int flags = l.no_prefix ? 0 : Qt::TextShowMnemonic;
    int width = fm.horizontalAdvance(text);
    *wrapped = l.wrap && width > r.width();
    if (*wrapped) return flags | Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft;
    flags |= Qt::AlignVCenter | Qt::TextSingleLine;
    switch (l.align) {
        case Align::Left: return flags | Qt::AlignLeft;
        case Align::Right: return flags | Qt::AlignRight;
        case Align::CentreIfFits: return flags | (width <= r.width() ? Qt::AlignHCenter : Qt::AlignLeft);
    }
    return flags;
}

}  // namespace

QColor FromColorRef(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

bool SetSmoothFont(bool on) { return g_smooth.exchange(on); }
bool SmoothFont() { return g_smooth.load(); }

void TextOut(QPainter& p, int x, int y, const QString& text, int width, int height, const TextOptions& o) {
    p.save();
    QFont f = TextFont(p, o);
    p.setFont(f);
    QFontMetrics fm(f);
    if (width <= 0 || height <= 0) {
        width = static_cast<int>(text.size()) * fm.averageCharWidth();
        height = fm.height();
    }
    QRect box(x, y, width, height);
    if (o.background != kKeepBackground) p.fillRect(box, FromColorRef(static_cast<std::uint32_t>(o.background)));
    p.setClipRect(box);
    DrawWithHighlight(p, o, [&](QPoint off, bool) {
        p.drawText(QPoint(x + off.x(), y + off.y() + fm.ascent()), text);
    });
    p.restore();
}

void DrawText3D(QPainter& p, const QRect& r, const QString& text, const TextOptions& o, const LayoutOptions& l) {
    p.save();
    QFont f = TextFont(p, o);
    p.setFont(f);
    QFontMetrics fm(f);
    if (o.background != kKeepBackground) p.fillRect(r, FromColorRef(static_cast<std::uint32_t>(o.background)));
    bool wrapped = false;
    int flags = TextFlags(text, r, fm, l, &wrapped);
    DrawWithHighlight(p, o, [&](QPoint off, bool shrink) {
        QRect box = r.translated(off);
        if (shrink) box.adjust(0, 0, -1, -1);
        p.drawText(box, flags | Qt::TextDontClip, text);
    });
    p.restore();
}

void Box3D(QPainter& p, const QRect& r, int thickness, int type, int inner_start, std::int32_t fill,
           const QPalette& palette) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    // Rectangles here are Windows-style: right and bottom exclusive.
    const int left = r.left(), top = r.top(), right = r.left() + r.width(), bottom = r.top() + r.height();
    if (fill != kKeepBackground) p.fillRect(r, FromColorRef(static_cast<std::uint32_t>(fill)));
    const QColor light = palette.color(QPalette::Light);
    const QColor shadow = palette.color(QPalette::Dark);
    auto frame = [&](int l, int t, int rt, int b, bool raised) {
        for (int i = 0; i < thickness; ++i) {
            p.setPen(raised ? light : shadow);
            p.drawLine(l + i, b - i - 2, l + i, t + i);
            p.drawLine(l + i, t + i, rt - i - 1, t + i);
            p.setPen(raised ? shadow : light);
            p.drawLine(rt - i - 1, t + i, rt - i - 1, b - i - 1);
            p.drawLine(rt - i - 1, b - i - 1, l + i, b - i - 1);
        }
    };
    if (type >= 1 && type <= 4) {
        bool raised_outside = type == 1 || type == 3;
        frame(left, top, right, bottom, raised_outside);
        if (type >= 3) {
            int inset = thickness + std::max(0, inner_start);
            frame(left + inset, top + inset, right - inset, bottom - inset, !raised_outside);
        }
    }
    p.restore();
}

void Line3D(QPainter& p, int x1, int y1, int x2, int y2, int type, const QPalette& palette) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const int dx = x2 - x1, dy = y2 - y1;
    const bool steep = std::abs(dy) > std::abs(dx);
    QColor first = type == 2 ? palette.color(QPalette::Dark) : palette.color(QPalette::Light);
    QColor second = type == 2 ? palette.color(QPalette::Light) : palette.color(QPalette::Dark);
    // Shallow lines that run down-right or up-left swap the colours.
    if (!steep && dx != 0 && dy != 0 && ((dx > 0) == (dy > 0))) std::swap(first, second);
    QPoint shift = steep ? QPoint(1, 0) : QPoint(0, 1);
    p.setPen(first);
    p.drawLine(x1, y1, x2, y2);
    p.setPen(second);
    p.drawLine(QPoint(x1, y1) + shift, QPoint(x2, y2) + shift);
    p.restore();
}

QImage MapToButtonColors(const QImage& image, const QPalette& palette) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb face = palette.color(QPalette::Button).rgb();
    const QRgb shadow = palette.color(QPalette::Dark).rgb();
    const QRgb light = palette.color(QPalette::Light).rgb();
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            QRgb c = line[x] & 0xFFFFFF;
            QRgb alpha = line[x] & 0xFF000000u;
            if (c == 0xC0C0C0) line[x] = alpha | (face & 0xFFFFFF);
            else if (c == 0x808080) line[x] = alpha | (shadow & 0xFFFFFF);
            else if (c == 0xFFFFFF) line[x] = alpha | (light & 0xFFFFFF);
        }
    }
    return out;
}

QStringList FontFamilies(bool japanese_only, bool fixed_pitch_only) {
    QStringList out;
    for (const QString& family : QFontDatabase::families()) {
        if (japanese_only) {
            if (family.startsWith(QLatin1Char('@'))) continue;
            if (!QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)) continue;
        }
        if (fixed_pitch_only && !QFontDatabase::isFixedPitch(family)) continue;
        out << family;
    }
    return out;
}

}  // namespace nuko::draw
