// A seven-segment style number display: draws the glyph cells of its
// DigitalModel from the shared glyph strips, redrawing changed cells only.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "digit_glyphs.h"
#include "digital_model.h"

namespace nuko::panels {

class DigitalDisplay final : public QWidget {
public:
    DigitalDisplay(int cells, int suppress, DigitalFormat format, bool base60, GlyphSize size,
                   QWidget* parent = nullptr);

    void SetValue(std::uint16_t value);
    void SetZeroShow(bool on);
    void SetStyle(int style);  // 0 dot, 1 digital, 2 character
    // Colours as 0x00BBGGRR; the button-face flag replaces the background.
    void SetColors(std::uint32_t background, std::uint32_t foreground, bool button_face);
    void SetColonOn(bool on) { model_.SetColonOn(on); }
    void SetBase60(bool on) { model_.SetBase60(on); }

    const DigitalModel& model() const { return model_; }
    std::uint16_t value() const { return model_.value(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Render(bool all);

    DigitalModel model_;
    GlyphSize size_;
    int style_ = 0;
    QColor background_ = Qt::black;
    QColor foreground_{192, 192, 192};
    QImage strip_;
    QImage offscreen_;
    std::vector<int> drawn_;  // glyphs in the off-screen copy; -1 = not drawn yet
};

}  // namespace nuko::panels
