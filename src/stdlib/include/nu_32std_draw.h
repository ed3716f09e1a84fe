/*
 * Drawing exports of libnu_32std.so: 3-D text, frames and lines on a
 * QPainter (passed as an opaque pointer), button-colour bitmaps and the font
 * list. Colours are 0x00BBGGRR; a background of -1 keeps the target's pixels,
 * a highlight of -2 is the button highlight colour.
 */
#ifndef NU_32STD_DRAW_H
#define NU_32STD_DRAW_H

#include <nu_32std.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct NuKoRect {
    int32_t left;
    int32_t top;
    int32_t right; /* exclusive */
    int32_t bottom; /* exclusive */
} NuKoRect;

#define NUKO_FACE_MAX 96

/* A font for the text routines. */
typedef struct NuKoFontRecord {
    char face[NUKO_FACE_MAX]; /* UTF-8 family name */
    int32_t height;           /* pixels; negative: the character height */
    int32_t weight;           /* 400 normal, 700 bold */
    int32_t italic;
    int32_t use_overrides;    /* non-zero: the three values below apply */
    int32_t bold;
    int32_t italic_override;
    double size_factor;       /* height multiplied by it when not 1.0 */
} NuKoFontRecord;

/* Style: 0 flat, 1 raised, 2 sunken. Alignment: 0 centred when it fits, 1 left, 2 right. */
NUKO_EXPORT void Nu_ko3DTextOut(void* painter, int32_t x, int32_t y, uint32_t text_color, const char* text,
                                int32_t style, int32_t background, int32_t width, int32_t height,
                                const NuKoFontRecord* font, int32_t highlight);
NUKO_EXPORT void Nu_ko3DDrawText(void* painter, const NuKoRect* rect, uint32_t text_color, const char* text,
                                 int32_t style, int32_t alignment, int32_t wrap, int32_t no_prefix,
                                 int32_t background, const NuKoFontRecord* font, int32_t highlight);
NUKO_EXPORT void Nu_koDrawText(void* painter, const NuKoRect* rect, uint32_t text_color, const char* text,
                               int32_t alignment, int32_t wrap, int32_t no_prefix, int32_t background,
                               const NuKoFontRecord* font);
/* Type 0 only fills, 1 raised, 2 sunken, 3 raised outside sunken inside, 4 the reverse. */
NUKO_EXPORT void Nu_ko3DBox(void* painter, const NuKoRect* rect, int32_t thickness, int32_t type,
                            int32_t inner_start, int32_t fill);
NUKO_EXPORT void Nu_ko3DLine(void* painter, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t type);
NUKO_EXPORT void Nu_ko3DLineRect(void* painter, const NuKoRect* rect, int32_t type);
NUKO_EXPORT int32_t Nu_koSetSmoothFont(int32_t on);

/* Loads a bitmap file and recolours it to the button colours; a new
 * QPixmap* to be freed with Nu_koFreeBitmap, or null. */
NUKO_EXPORT void* Nu_koLoadmap3DColors(const char* bitmap_path, void* window);
NUKO_EXPORT void Nu_koFreeBitmap(void* bitmap);

typedef struct NuKoFontList {
    char (*faces)[NUKO_FACE_MAX]; /* grown by the library; free with Nu_koFreeFontList */
    int32_t count;
    int32_t japanese_only;        /* filter: faces that draw Japanese, no "@" faces */
    int32_t fixed_pitch_only;     /* filter: fixed-pitch faces */
} NuKoFontList;

/* Appends the font faces that pass the list's filters; returns the count. */
NUKO_EXPORT int32_t Nu_koGetFonts(void* painter, NuKoFontList* list);
NUKO_EXPORT void Nu_koFreeFontList(NuKoFontList* list);

#ifdef __cplusplus
}
#endif

#endif /* NU_32STD_DRAW_H */
