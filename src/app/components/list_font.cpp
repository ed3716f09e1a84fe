#include "app/components/list_font.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

#include "nuko/draw3d.h"

namespace nuko::app {

QFont ListFont(const settings::MainSection& main, const QWidget& on) {
    QFont font(draw::ResolveFamily(main.font.face, QStringLiteral("IPAPGothic")));
    const int dpi = on.screen() ? static_cast<int>(on.screen()->logicalDotsPerInchY()) : 96;
    font.setPixelSize(std::max(6, main.font.size * dpi / 72));
    font.setBold(main.font.bold != 0);
    return font;
}

QFont FileAreaFont(const settings::Settings& s, const QWidget& on) {
    const settings::LogFontSetting& f = s.file_area.font;
    if (!f.set || f.face.empty()) return ListFont(s.main, on);
    QFont font(draw::ResolveFamily(f.face, QStringLiteral("IPAPGothic")));
    const int dpi = on.screen() ? static_cast<int>(on.screen()->logicalDotsPerInchY()) : 96;
    // The height is in pixels at 96 dots per inch; 0 takes the list font's.
    const int height = f.height() != 0 ? std::abs(f.height()) : s.main.font.size * 96 / 72;
    font.setPixelSize(std::max(6, height * dpi / 96));
    font.setBold(f.weight() >= 600);
    font.setItalic(f.italic());
    return font;
}

}  // namespace nuko::app
