// The glyph strips of the number displays: 13 glyphs ("0"-"9", "-", ":",
// blank) in three styles (dot, digital, character) and two sizes, drawn
// once as masks and coloured per colour pair.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace nuko::panels {

enum class GlyphSize { Large, Small };

struct GlyphMetrics {
    int width;        // a digit cell
    int height;
    int colon_width;  // the ":" cell
};

GlyphMetrics MetricsOf(GlyphSize size);

// A strip 13 glyphs wide and 3 styles high, white on black (a mask).
const QImage& GlyphMask(GlyphSize size);

// The mask coloured: foreground where the mask is set, background elsewhere.
QImage ColorStrip(GlyphSize size, QColor foreground, QColor background);

// The rectangle of one glyph (index 0-12) of one style row in a strip; the
// colon cell is narrower.
QRect GlyphRect(GlyphSize size, int style, int glyph);

}  // namespace nuko::panels
