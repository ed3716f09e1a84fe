#include "digital_display_widget.h"

#include <QPainter>
#include <QPalette>

#include "nuko/draw3d.h"

namespace nuko::panels {

DigitalDisplay::DigitalDisplay(int cells, int suppress, DigitalFormat format, bool base60, GlyphSize size,
                               QWidget* parent)
    : QWidget(parent), model_(cells, suppress, format, base60), size_(size),
      drawn_(static_cast<std::size_t>(cells), -1) {
    setObjectName(QStringLiteral("NU-KOP32!DigitalWindow"));
    strip_ = ColorStrip(size_, foreground_, background_);
    offscreen_ = QImage(sizeHint(), QImage::Format_RGB32);
    offscreen_.fill(background_);
    setFixedSize(sizeHint());
}

QSize DigitalDisplay::sizeHint() const {
    const GlyphMetrics m = MetricsOf(size_);
    int w = 0;
    const int cells = model_.cell_count();
    // Time formats put colons at fixed cells; size for them.
    for (int i = 0; i < cells; ++i) {
        bool colon = (cells == 5 && i == 2) || (cells == 7 && (i == 1 || i == 4));
        w += colon ? m.colon_width : m.width;
    }
    return QSize(w, m.height);
}

void DigitalDisplay::Render(bool all) {
    const GlyphMetrics m = MetricsOf(size_);
    QPainter p(&offscreen_);
    int x = 0;
    bool changed = false;
    const auto& glyphs = model_.glyphs();
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        QRect src = GlyphRect(size_, style_, glyphs[i]);
        bool colon_cell = (glyphs.size() == 5 && i == 2) || (glyphs.size() == 7 && (i == 1 || i == 4));
        int cell_width = colon_cell ? m.colon_width : m.width;
        if (all || drawn_[i] != glyphs[i]) {
            p.fillRect(QRect(x, 0, cell_width, m.height), background_);
            p.drawImage(QPoint(x, 0), strip_, QRect(src.topLeft(), QSize(std::min(src.width(), cell_width), m.height)));
            drawn_[i] = glyphs[i];
            changed = true;
        }
        x += cell_width;
    }
    if (changed) update();
}

void DigitalDisplay::SetValue(std::uint16_t value) {
    if (model_.SetValue(value)) Render(false);
}

void DigitalDisplay::SetZeroShow(bool on) {
    if (model_.SetZeroShow(on)) Render(false);
}

void DigitalDisplay::SetStyle(int style) {
    if (style < 0 || style > 2 || style == style_) return;
    style_ = style;
    Render(true);
}

void DigitalDisplay::SetColors(std::uint32_t background, std::uint32_t foreground, bool button_face) {
    background_ = button_face ? palette().color(QPalette::Button) : draw::FromColorRef(background);
    foreground_ = draw::FromColorRef(foreground);
    strip_ = ColorStrip(size_, foreground_, background_);
    offscreen_.fill(background_);
    Render(true);
}

void DigitalDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, offscreen_);
}

}  // namespace nuko::panels
