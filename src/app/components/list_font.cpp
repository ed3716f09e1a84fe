#include "app/components/list_font.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "nuko/draw3d.h"

namespace nuko::app {

QFont ListFont(const settings::MainSection& main, const QWidget& on) {
    QFont font(draw::ResolveFamily(main.font.face, QStringLiteral("IPAPGothic")));
    const int dpi = on.screen() ? static_cast<int>(on.screen()->logicalDotsPerInchY()) : 96;
    font.setPixelSize(std::max(6, main.font.size * dpi / 72));
    font.setBold(main.font.bold != 0);
    return font;
}

}  // namespace nuko::app
