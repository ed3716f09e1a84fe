#include "wrd_qt_glyphs.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "nuko/text.h"
#include "midi_word_frame.h"

namespace nuko::wrd {

namespace {

constexpr const char* kFallbackFamily = "IPAMincho";

struct FaceAlias {
    const char* face;
    const char* family;
};
constexpr FaceAlias kAliases[] = {
    {"ＭＳ 明朝", "IPAMincho"},     {"MS Mincho", "IPAMincho"},   {"ＭＳ Ｐ明朝", "IPAPMincho"},
    {"MS PMincho", "IPAPMincho"},  {"ＭＳ ゴシック", "IPAGothic"}, {"MS Gothic", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
};

}  // namespace

QString ResolveWordFamily(const std::string& face) {
    QString family = QString::fromStdString(face);
    for (const auto& a : kAliases) {
        if (text::EqualsIgnoreAsciiCase(face, a.face)) {
            family = QString::fromUtf8(a.family);
            break;
        }
    }
    if (family.isEmpty() || !QFontDatabase::hasFamily(family)) family = QString::fromUtf8(kFallbackFamily);
    return family;
}

QtGlyphSource::QtGlyphSource() { SetFont(kDefaultWordFace, kDefaultWordFontSize); }

void QtGlyphSource::SetFont(const std::string& face, int size) {
    font_ = QFont(ResolveWordFamily(face));
    font_.setPixelSize(std::max(size, 1));
    font_.setWeight(QFont::Normal);
    font_.setFixedPitch(true);
    font_.setStyleStrategy(QFont::NoAntialias);
    font_.setHintingPreference(QFont::PreferFullHinting);
}

GlyphMask QtGlyphSource::Render(std::string_view cp932, bool double_width, int width, int height) {
    GlyphMask mask;
    if (width <= 0 || height <= 0 || cp932.empty()) return mask;
    QString ch;
    if (cp932.size() == 1 && cp932[0] == '\\') {
        // The Japanese code page shows its 0x5C as a yen sign.
        ch = QString(QChar(0x00A5));
    } else {
        ch = QString::fromStdString(text::Cp932ToUtf8(cp932));
        if (ch.contains(QChar(0xFFFD)) || ch.isEmpty()) return mask;
    }
    // The double-width font is the normal one stretched to twice its width.
    int drawn_width = double_width ? std::max(width / 2, 1) : width;
    QImage image(drawn_width, height, QImage::Format_Grayscale8);
    image.fill(0);
    {
        QPainter p(&image);
        p.setFont(font_);
        p.setPen(Qt::white);
        QFontMetrics fm(font_);
        // The character cell's top is the top of the text: the baseline sits
        // the ascent below it, the rest of the cell is for the descent.
        int ascent = std::min(fm.ascent(), height);
        p.drawText(0, ascent, ch);
    }
    mask.width = width;
    mask.height = height;
    mask.ink.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const uchar* src = image.constScanLine(y);
        std::uint8_t* dst = mask.ink.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            int sx = double_width ? x / 2 : x;
            if (sx < drawn_width && src[sx] >= 128) dst[x] = 1;
        }
    }
    return mask;
}

}  // namespace nuko::wrd
