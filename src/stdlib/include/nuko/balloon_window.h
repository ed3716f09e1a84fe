// The balloon tip window: a small pale-yellow window that draws its text
// with the 3-D text routine.
#pragma once

#include <QFont>
#include <QWidget>

#include "nuko/draw3d.h"

namespace nuko {

class BalloonWindow final : public QWidget {
public:
    explicit BalloonWindow(QWidget* parent = nullptr);

    void SetText(const QString& text);
    void SetBackgroundColor(std::uint32_t bgr) { background_ = bgr; update(); }
    void SetTextColor(std::uint32_t bgr) { text_color_ = bgr; update(); }
    void SetFontAndStyle(const QFont& font, draw::Style style);
    // Moves the window, kept on the desktop and off the panel.
    void MoveTo(int x, int y);

    std::uint32_t background_color() const { return background_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    std::uint32_t background_ = 0x80FFFF;
    std::uint32_t text_color_ = 0;
    QFont font_;
    bool font_set_ = false;
    draw::Style style_ = draw::Style::Flat;
};

}  // namespace nuko
