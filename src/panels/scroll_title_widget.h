// The mini window's title label: the item's title in its font and colours,
// flat, raised or sunken, scrolling as its model says.
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "nuko/draw3d.h"
#include "scroll_title_model.h"

namespace nuko::panels {

class ScrollTitleWidget final : public QWidget {
public:
    explicit ScrollTitleWidget(QWidget* parent = nullptr);

    void SetText(const QString& text);
    const QString& text() const { return text_; }
    void SetParams(const ScrollParams& p);
    void SetLook(const QFont& font, std::uint32_t background, std::uint32_t text_color, draw::Style style);
    // The play time drawn at the right end while "show the play time" is
    // on; empty: none.
    void SetTime(const QString& time);
    const QString& time() const { return time_; }
    // A new play: the start delay runs again.
    void Restart();
    const ScrollTitleModel& model() const { return model_; }

    std::function<void()> on_double_click;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Measure();

    int TimeWidth() const;

    QString text_;
    QString time_;
    ScrollTitleModel model_;
    QTimer timer_;
    QFont font_;
    std::uint32_t background_ = 0;
    std::uint32_t color_ = 0xFFFF00;
    draw::Style style_ = draw::Style::Flat;
};

}  // namespace nuko::panels
