// The C exports of the 3-D drawing routines.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <cstdlib>
#include <cstring>

#include <nu_32std_draw.h>
#include "nuko/draw3d.h"
#include "nuko/text.h"

namespace {

using namespace nuko::draw;

QFont ToFont(const NuKoFontRecord& r, const QFont& base) {
    QFont f = base;
    if (r.face[0]) f.setFamily(QString::fromUtf8(r.face, static_cast<int>(strnlen(r.face, NUKO_FACE_MAX))));
    int height = r.height < 0 ? -r.height : r.height;
    if (r.use_overrides && r.size_factor != 1.0 && r.size_factor > 0) height = static_cast<int>(height * r.size_factor);
    if (height > 0) f.setPixelSize(height);
    bool bold = r.use_overrides ? r.bold != 0 : r.weight >= 700;
    bool italic = r.use_overrides ? r.italic_override != 0 : r.italic != 0;
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QRect ToRect(const NuKoRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

Style ToStyle(int32_t s) { return s == 1 ? Style::Raised : s == 2 ? Style::Sunken : Style::Flat; }
Align ToAlign(int32_t a) { return a == 1 ? Align::Left : a == 2 ? Align::Right : Align::CentreIfFits; }

QPalette Palette() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::palette() : QPalette();
}

}  // namespace

extern "C" {

void Nu_ko3DTextOut(void* painter, int32_t x, int32_t y, uint32_t text_color, const char* text, int32_t style,
                    int32_t background, int32_t width, int32_t height, const NuKoFontRecord* font,
                    int32_t highlight) {
    auto* p = static_cast<QPainter*>(painter);
    if (!p || !text) return;
    QFont f = font ? ToFont(*font, p->font()) : p->font();
    TextOptions o{text_color, ToStyle(style), background, highlight, &f};
    TextOut(*p, x, y, QString::fromUtf8(text), width, height, o);
}

void Nu_ko3DDrawText(void* painter, const NuKoRect* rect, uint32_t text_color, const char* text, int32_t style,
                     int32_t alignment, int32_t wrap, int32_t no_prefix, int32_t background,
                     const NuKoFontRecord* font, int32_t highlight) {
    auto* p = static_cast<QPainter*>(painter);
    if (!p || !rect || !text) return;
    QFont f = font ? ToFont(*font, p->font()) : p->font();
    TextOptions o{text_color, ToStyle(style), background, highlight, &f};
    LayoutOptions l{ToAlign(alignment), wrap != 0, no_prefix != 0};
    DrawText3D(*p, ToRect(*rect), QString::fromUtf8(text), o, l);
}

void Nu_koDrawText(void* painter, const NuKoRect* rect, uint32_t text_color, const char* text, int32_t alignment,
                   int32_t wrap, int32_t no_prefix, int32_t background, const NuKoFontRecord* font) {
    Nu_ko3DDrawText(painter, rect, text_color, text, 0, alignment, wrap, no_prefix, background, font, 0xFFFFFF);
}

void Nu_ko3DBox(void* painter, const NuKoRect* rect, int32_t thickness, int32_t type, int32_t inner_start,
                int32_t fill) {
    auto* p = static_cast<QPainter*>(painter);
    if (!p || !rect) return;
    Box3D(*p, ToRect(*rect), thickness, type, inner_start, fill, Palette());
}

void Nu_ko3DLine(void* painter, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t type) {
    auto* p = static_cast<QPainter*>(painter);
    if (p) Line3D(*p, x1, y1, x2, y2, type, Palette());
}

void Nu_ko3DLineRect(void* painter, const NuKoRect* rect, int32_t type) {
    if (rect) Nu_ko3DLine(painter, rect->left, rect->top, rect->right, rect->bottom, type);
}

int32_t Nu_koSetSmoothFont(int32_t on) { return SetSmoothFont(on != 0) ? 1 : 0; }

void* Nu_koLoadmap3DColors(const char* bitmap_path, void* /*window*/) {
    if (!bitmap_path) return nullptr;
    QImage image(QString::fromUtf8(bitmap_path));
    if (image.isNull()) return nullptr;
    return new QPixmap(QPixmap::fromImage(MapToButtonColors(image, Palette())));
}

void Nu_koFreeBitmap(void* bitmap) { delete static_cast<QPixmap*>(bitmap); }

int32_t Nu_koGetFonts(void* /*painter*/, NuKoFontList* list) {
    if (!list) return 0;
    for (const QString& family : FontFamilies(list->japanese_only != 0, list->fixed_pitch_only != 0)) {
        auto* grown = static_cast<char(*)[NUKO_FACE_MAX]>(
            std::realloc(list->faces, static_cast<std::size_t>(list->count + 1) * NUKO_FACE_MAX));
        if (!grown) break;
        list->faces = grown;
        QByteArray utf8 = family.toUtf8();
        std::size_t n = nuko::text::Utf8CutLength(std::string_view(utf8.constData(), utf8.size()), NUKO_FACE_MAX - 1);
        std::memcpy(list->faces[list->count], utf8.constData(), n);
        list->faces[list->count][n] = '\0';
        ++list->count;
    }
    return list->count;
}

void Nu_koFreeFontList(NuKoFontList* list) {
    if (!list) return;
    std::free(list->faces);
    list->faces = nullptr;
    list->count = 0;
}

}  // extern "C"
