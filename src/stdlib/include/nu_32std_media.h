/*
 * MP3 wrapping, header cuts and the media title reader of libnu_32std.so,
 * with the conventions of nu_32std.h.
 *
 * Result codes of Nu_koMp3Convert and Nu_koMp3MacRmpCut: 0 written, 1
 * nothing to do (see each), -1 the source cannot be read, -2 the target
 * cannot be created, -3 unsupported MP3 frame header, any other value the
 * errno of a failed write. Targets are written under a temporary name and
 * renamed, so a failure never leaves a half file under the target's name.
 */
#ifndef NU_32STD_MEDIA_H
#define NU_32STD_MEDIA_H

#include <nu_32std.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Beats per bar against four quarter notes (Nu_koGetMidiTitle). */
typedef struct NuKoWaitRatio {
    int32_t beats;
    int32_t unit;
} NuKoWaitRatio;

/* MP3 wrapping and header cut */
NUKO_EXPORT int32_t Nu_koMp3GetCvtVersion(void);
/* Non-zero when the file must be converted before it plays (not a RIFF
 * file, MacBinary or RIFF-MP3); mac_out (optional) gets 1 for MacBinary or
 * RIFF-MP3, else 0. */
NUKO_EXPORT int32_t Nu_koIsMp3Convert(const char* path, int32_t* mac_out);
NUKO_EXPORT int32_t Nu_koIsMp3Mac(const char* path);
/* 1 for a RIFF WAVE that carries MPEG frames. */
NUKO_EXPORT int32_t Nu_koIsWavMp3(const char* path);
/* Wraps an MP3 (plain, RIFF-MP3, either behind MacBinary) into a RIFF WAVE.
 * 1: the source already is a RIFF WAVE. Progress 10 ... 100 when given. */
NUKO_EXPORT int32_t Nu_koMp3Convert(const char* source, const char* target, NuKoProgress progress,
                                    void* ctx);
/* Cuts a MacBinary or RIFF-MP3 header off. 1: nothing to cut, or written
 * with progress; 0: written without progress. */
NUKO_EXPORT int32_t Nu_koMp3MacRmpCut(const char* source, const char* target,
                                      NuKoProgress progress, void* ctx);

/* Media title reader and Mac header cut */
/* Titles go into title_out and title2_out (each optional) of `size` bytes;
 * wait_ratio_out (optional) gets the wait ratio, (4, 4) unless a MIDI file
 * says otherwise. 0 when the file does not exist or is a folder or system
 * file, else 1. */
NUKO_EXPORT int32_t Nu_koGetMidiTitle(const char* path, char* title_out, char* title2_out,
                                      int32_t size, int32_t accept_hidden,
                                      NuKoWaitRatio* wait_ratio_out);
/* 1 when the ".mid" source lay behind a MacBinary header and the target
 * was written without it, else 0. */
NUKO_EXPORT int32_t Nu_koMidiMacCut(const char* source, const char* target, void* owner);

#ifdef __cplusplus
}
#endif

#endif /* NU_32STD_MEDIA_H */
