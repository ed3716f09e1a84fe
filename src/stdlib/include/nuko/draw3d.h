// Text and frames in a raised or sunken three-dimensional look, drawn with
// Qt onto any paint device. Colours are 0x00BBGGRR values as the settings
// store keeps them.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QStringList>

class QPainter;

namespace nuko::draw {

// A background of kKeepBackground leaves what is on the target.
inline constexpr std::int32_t kKeepBackground = -1;
// A highlight of kButtonHighlight takes the palette's light colour.
inline constexpr std::int32_t kButtonHighlight = -2;

enum class Style { Flat = 0, Raised = 1, Sunken = 2 };
enum class Align { CentreIfFits = 0, Left = 1, Right = 2 };

QColor FromColorRef(std::uint32_t bgr);

// Font smoothing of the 3-D texts (off by default: the highlight copy needs
// hard edges). Returns the previous state.
bool SetSmoothFont(bool on);
bool SmoothFont();

struct TextOptions {
    std::uint32_t color = 0;
    Style style = Style::Flat;
    std::int32_t background = kKeepBackground;
    std::int32_t highlight = 0xFFFFFF;
    const QFont* font = nullptr;  // null: the painter's font
};

// Text at (x, y) in a box of width x height; 0 for either sizes the box
// from the text length times the average character width by the font
// height. Raised: the highlight lies up-left and the text moves one pixel
// right and down; sunken: the highlight lies one pixel right and down.
void TextOut(QPainter& p, int x, int y, const QString& text, int width, int height, const TextOptions& o);

struct LayoutOptions {
    Align align = Align::CentreIfFits;
    bool wrap = false;       // word-wrap from the top when the text is wider than the box
    bool no_prefix = false;  // "&" is drawn, not taken as a mnemonic
};

// Text laid out in a rectangle (right and bottom exclusive); not clipped.
void DrawText3D(QPainter& p, const QRect& r, const QString& text, const TextOptions& o, const LayoutOptions& l);

// Frame types: 0 none (fill only), 1 raised, 2 sunken, 3 raised outside and
// sunken inside, 4 the reverse. A fill of kKeepBackground leaves the inside.
void Box3D(QPainter& p, const QRect& r, int thickness, int type, int inner_start, std::int32_t fill,
           const QPalette& palette);

// A line and a one-pixel copy beside it in the other colour: type 1 raised,
// 2 sunken.
void Line3D(QPainter& p, int x1, int y1, int x2, int y2, int type, const QPalette& palette);

// Recolours a toolbar-like bitmap: light grey to the button face, mid grey
// to the shadow, white to the highlight.
QImage MapToButtonColors(const QImage& image, const QPalette& palette);

// The font families: only those that can draw Japanese (and no vertical "@"
// faces) when `japanese_only`; only fixed-pitch ones when `fixed_pitch_only`.
QStringList FontFamilies(bool japanese_only, bool fixed_pitch_only);

}  // namespace nuko::draw
