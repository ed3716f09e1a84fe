/*
 * The C interface of the support library libnu_32std.so.
 *
 * Conventions of every export:
 *  - 32-bit integers are int32_t (uint16_t where a value is 16 bits);
 *  - texts are zero-terminated UTF-8;
 *  - an out buffer comes with its size where an export says so, otherwise it
 *    holds at least NUKO_PATH_MAX bytes;
 *  - a progress report is a callback with a context pointer that receives
 *    the percentage done;
 *  - an owner window is an opaque pointer (a QWidget*) and may be null.
 */
#ifndef NU_32STD_H
#define NU_32STD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define NUKO_EXPORT __attribute__((visibility("default")))

/* Size of the path buffers that the exports fill. */
#define NUKO_PATH_MAX 4096
/* Size of the name buffer of Nu_koIsFileFound. */
#define NUKO_NAME_MAX 512

typedef void (*NuKoProgress)(void* ctx, int32_t percent);

typedef struct NuKoPoint {
    int32_t x;
    int32_t y;
} NuKoPoint;

/* The record of Nu_koTimeConvert (32 bytes). */
typedef struct NuKoTimeRecord {
    uint16_t first_time;
    uint16_t second_time;
    int32_t seconds_mode; /* non-zero: the values are seconds */
    int32_t unused;
    char first_text[10];
    char second_text[10];
} NuKoTimeRecord;

/* Strings and paths */
NUKO_EXPORT void Nu_koSplitPath(const char* path, char* folder_out, char* name_out);
NUKO_EXPORT void Nu_koMakeLower(char* text);
NUKO_EXPORT void Nu_koMakeUpper(char* text);
NUKO_EXPORT void Nu_koContolcodeToCharacter(char* text, int32_t character);
NUKO_EXPORT void Nu_koSpaceCut(char* text);
NUKO_EXPORT void Nu_koExtMakeLower(char* path);
NUKO_EXPORT const char* Nu_koStringCheck(const char* text);
NUKO_EXPORT void Nu_koGetLongPathName(const char* path, char* out, int32_t size);
NUKO_EXPORT int32_t Nu_koGetShortcutLink(const char* path, char* folder_out, char* name_out);

/* Files and folders */
NUKO_EXPORT int32_t Nu_koIsFolder(const char* path);
NUKO_EXPORT int32_t Nu_koIsFileFound(const char* path, int32_t accept_hidden, char* name_out);
NUKO_EXPORT void Nu_koDirDelFile(const char* folder);
NUKO_EXPORT int32_t Nu_koMakeDir(const char* path, const char* title, void* owner);
NUKO_EXPORT int32_t Nu_koCopyFile(const char* source, const char* target, NuKoProgress progress,
                                  void* ctx);
NUKO_EXPORT int32_t Nu_koCopyFileGetVersion(void);
NUKO_EXPORT int32_t Nu_koIsCdRomDrive(const char* path);
NUKO_EXPORT int32_t Nu_koIsRemovableDrive(const char* path);
NUKO_EXPORT int32_t Nu_koIsWinMediaType(const char* path);

/* Windows and system */
NUKO_EXPORT int32_t Nu_koGetWindowsVersion(void);
NUKO_EXPORT int32_t Nu_koGetVersion(void);
NUKO_EXPORT void Nu_koSetTransparence(void* window, int32_t percent);
NUKO_EXPORT void Nu_koCheckWindowPos(NuKoPoint* position, int32_t width, int32_t height);
NUKO_EXPORT void Nu_koSetWindowPos(void* window, const NuKoPoint* position);
NUKO_EXPORT int32_t Nu_koGetCursorPosOffset(int32_t ignored, NuKoPoint* point_out);
NUKO_EXPORT void Nu_koTimeConvert(NuKoTimeRecord* record);

#ifdef __cplusplus
}
#endif

#include <nu_32std_media.h>

#endif /* NU_32STD_H */
