#include "scroll_title_widget.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace nuko::panels {

ScrollTitleWidget::ScrollTitleWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("2125"));
    setMinimumHeight(16);
    timer_.setInterval(ScrollTitleModel::kStepMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        if (model_.Advance(ScrollTitleModel::kStepMs)) update();
    });
}

void ScrollTitleWidget::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    model_.Restart();
    Measure();
}

void ScrollTitleWidget::SetTime(const QString& time) {
    const QString shown = model_.params().show_time ? time : QString();
    if (shown == time_) return;
    const bool resize = shown.size() != time_.size();
    time_ = shown;
    if (resize) Measure();
    else update();
}

int ScrollTitleWidget::TimeWidth() const {
    return time_.isEmpty() ? 0 : QFontMetrics(font_).horizontalAdvance(time_) + 8;
}

void ScrollTitleWidget::SetParams(const ScrollParams& p) {
    model_.SetParams(p);
    Measure();
}

void ScrollTitleWidget::SetLook(const QFont& font, std::uint32_t background, std::uint32_t text_color,
                                draw::Style style) {
    font_ = font;
    background_ = background;
    color_ = text_color;
    style_ = style;
    setMinimumHeight(QFontMetrics(font_).height() + 6);
    Measure();
}

void ScrollTitleWidget::Restart() {
    model_.Restart();
    update();
}

void ScrollTitleWidget::Measure() {
    model_.SetSizes(QFontMetrics(font_).horizontalAdvance(text_) + 2, std::max(0, width() - 4 - TimeWidth()));
    if (model_.moving()) timer_.start();
    else timer_.stop();
    update();
}

void ScrollTitleWidget::resizeEvent(QResizeEvent*) { Measure(); }

void ScrollTitleWidget::mouseDoubleClickEvent(QMouseEvent*) {
    if (on_double_click) on_double_click();
}

void ScrollTitleWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), draw::FromColorRef(background_));
    draw::Box3D(p, rect(), 1, 2, 0, draw::kKeepBackground, palette());
    draw::TextOptions o;
    o.color = color_;
    o.style = style_;
    o.font = &font_;
    const int h = height() - 4;
    const int time_width = TimeWidth();
    if (time_width) {
        p.setClipRect(rect().adjusted(2, 2, -2, -2));
        draw::TextOut(p, width() - 2 - time_width + 4, 2, time_, time_width - 4, h, o);
    }
    p.setClipRect(rect().adjusted(2, 2, -2 - time_width, -2));
    const int w = QFontMetrics(font_).horizontalAdvance(text_) + 2;
    if (!model_.moving()) {
        draw::TextOut(p, 2, 2, text_, std::max(w, width() - 4), h, o);
        return;
    }
    const int x = 2 - model_.offset();
    draw::TextOut(p, x, 2, text_, w, h, o);
    draw::TextOut(p, x + model_.period(), 2, text_, w, h, o);
}

}  // namespace nuko::panels
