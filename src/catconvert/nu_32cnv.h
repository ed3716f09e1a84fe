/*
 * libnu_32cnv.so: upgrades a catalog file of the older layout in place.
 * The player opens the library only when it meets such a catalog.
 */
#ifndef NU_32CNV_H
#define NU_32CNV_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Shows the converter dialog (modal, on the caller's thread) for the catalog
 * at `path` (UTF-8). 1 when the file was rewritten in the current layout,
 * 0 in every other case. Without a running Qt application the conversion
 * runs without the dialog. */
__attribute__((visibility("default"))) int32_t Nu_koFileConvertor(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* NU_32CNV_H */
