// Characters of the MIDI-Word screen drawn with Qt: a fixed-pitch Japanese
// face, one-bit ink as the screen always had. Needs a QGuiApplication.
#pragma once

#include <QFont>
#include <QString>

#include "wrd_glyphs.h"

namespace nuko::wrd {

// The installed family that stands for a face the settings name: the
// Windows faces "ＭＳ 明朝" and "ＭＳ ゴシック" (and their ASCII names) become
// IPA Mincho and IPA Gothic; a face that is not installed falls back to IPA
// Mincho.
QString ResolveWordFamily(const std::string& face);

class QtGlyphSource final : public GlyphSource {
public:
    QtGlyphSource();
    void SetFont(const std::string& face, int size) override;
    GlyphMask Render(std::string_view cp932, bool double_width, int width, int height) override;

    const QFont& font() const { return font_; }

private:
    QFont font_;
};

}  // namespace nuko::wrd
