#include "nuko/balloon_window.h"

#include <QPainter>

#include <nu_32std.h>

namespace nuko {

BalloonWindow::BalloonWindow(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("NU_KOP!Balloon"));
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void BalloonWindow::SetText(const QString& text) {
    // The window text is at most 1023 bytes.
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() > 1023) text_ = QString::fromUtf8(utf8.left(1023)).remove(QChar::ReplacementCharacter);
    else text_ = text;
    update();
}

void BalloonWindow::SetFontAndStyle(const QFont& font, draw::Style style) {
    font_ = font;
    font_set_ = true;
    style_ = style;
    update();
}

void BalloonWindow::MoveTo(int x, int y) {
    NuKoPoint p{x, y};
    Nu_koCheckWindowPos(&p, width(), height());
    move(p.x, p.y);
}

void BalloonWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    draw::TextOptions o;
    o.color = text_color_;
    o.style = style_;
    o.background = static_cast<std::int32_t>(background_);
    o.highlight = 0xFFFFFF;
    o.font = font_set_ ? &font_ : nullptr;
    draw::LayoutOptions l;
    l.wrap = true;
    l.no_prefix = true;
    draw::DrawText3D(p, rect(), text_, o, l);
}

}  // namespace nuko
