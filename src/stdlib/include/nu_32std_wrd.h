/*
 * The WRD picture exports of libnu_32std.so: finding the picture files that a
 * WRD script names, reading the set-up of picture programs, and drawing MAG,
 * PHO and picture program files into a graphics page.
 *
 * The conventions of nu_32std.h apply. A graphics page is the caller's block
 * of NUKO_WRD_PAGE_WIDTH x NUKO_WRD_PAGE_HEIGHT bytes, one colour index 0-15
 * per point, row by row from the top; its colours stay with the caller, and
 * a picture's own colours are handed back so the caller can take them over.
 */
#ifndef NU_32STD_WRD_H
#define NU_32STD_WRD_H

#include <stdint.h>

#include <nu_32std.h>

#ifdef __cplusplus
extern "C" {
#endif

#define NUKO_WRD_PAGE_WIDTH 640
#define NUKO_WRD_PAGE_HEIGHT 400

/* Picture kinds, in the order FindWrdFile tries them. */
#define NUKO_WRD_BMP 0
#define NUKO_WRD_MAG 1
#define NUKO_WRD_PHO 2
#define NUKO_WRD_COM 3

/* Palette modes of CreateWrdGraphic. */
#define NUKO_WRD_PALETTE_APPLY 0 /* draw; the caller applies the colours */
#define NUKO_WRD_PALETTE_KEEP 1  /* draw; the caller keeps its colours */
#define NUKO_WRD_PALETTE_ONLY 2  /* hand back the colours, draw nothing (a PHO
                                    screen has none and is drawn) */

/*
 * Looks for the picture file of `name` (a path; "\" separators and mapped
 * drive letters of script names are understood). Its three-letter extension
 * is replaced (else one is added) by ".bmp", ".mag", ".pho", ".com", letters
 * in any case. kind -1 tries all four in that order and returns the first
 * kind found; kind 0-3 tries that extension, then the name as it is, and
 * returns the kind when either exists. -1 when nothing is found. The path
 * found is copied to found_out (NUKO_PATH_MAX bytes) when it is not null.
 */
NUKO_EXPORT int32_t FindWrdFile(const char* name, char* found_out, int32_t kind);

/*
 * Reads the set-up of a picture program call. A path whose file name
 * contains "gcls.com" (any case) only sets *clear_only to 1. Otherwise the
 * file must be a picture program: a parameter text of 6 characters D P C C R R
 * gives the draw page (low bit of D), the display page (low bit of P) and the
 * screen position (CC columns of 8 points, RR rows of 16 lines), any other
 * text (or null) leaves them to the program. *graphics_on is 1 unless the
 * program leaves the graphics display as it is. Returns 1, or 0 when the file
 * is not a picture program (the outs are then 0). Null outs are skipped.
 */
NUKO_EXPORT int32_t GetWrdComData(const char* path, const char* parameter, int32_t* x_out,
                                  int32_t* y_out, int32_t* display_page_out,
                                  int32_t* draw_page_out, int32_t* graphics_on_out,
                                  int32_t* clear_only_out);

/*
 * Decodes a picture file of kind NUKO_WRD_MAG, NUKO_WRD_PHO or NUKO_WRD_COM
 * and writes its colour indices into `page`. x and y are page coordinates
 * (-1: the position stored in the picture; x is rounded down to a multiple
 * of 8); a reduction of 2 or more draws at 1/reduction size (a PHO screen
 * always fills the page). A MAG running past the right edge continues at the
 * left edge of the same lines; anything past the bottom is cut off.
 * palette_out (16 x 4 bytes: red, green, blue, 0; may be null) receives the
 * colours of a MAG or picture program; a PHO screen has none and leaves it
 * alone. text_out (text_size bytes; may be null) receives a picture
 * program's text as UTF-8, empty when it has none. Returns 1 when the picture
 * was decoded, 0 (page and outs untouched) when it was not: missing or
 * unreadable file, kind 0 or unknown, damaged or foreign data.
 */
NUKO_EXPORT int32_t CreateWrdGraphic(const char* path, int32_t kind, uint8_t* page, int32_t x,
                                     int32_t y, int32_t reduction, int32_t palette_mode,
                                     uint8_t* palette_out, char* text_out, int32_t text_size);

#ifdef __cplusplus
}
#endif

#endif /* NU_32STD_WRD_H */
