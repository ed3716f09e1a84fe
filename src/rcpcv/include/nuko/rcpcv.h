/* librcpcv.so: RCP, R36 and G36 sequencer files to standard MIDI files.
 *
 * The player loads the library from its program folder by name and looks
 * up every function below; a missing one turns RCP conversion off. A
 * conversion runs on the calling thread; the progress callback, when one
 * is given, is called on that thread between tracks.
 */
#ifndef NUKO_RCPCV_H
#define NUKO_RCPCV_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RcpcvObject RcpcvObject;

/* Progress in percent (0 ... 100) and the pointer given with the call.
 * Returning 0 cancels the conversion; anything else goes on. */
typedef int (*RcpcvProgress)(int percent, void* user);

/* Converts the file at `path` (bytes as the file system takes them).
 * `progress` may be null. Returns null when the file cannot be read, is no
 * RCP file, or the conversion was cancelled; else an object that holds the
 * standard MIDI file until rcpcvDeleteObject. */
RcpcvObject* rcpcvConvertFile(const char* path, RcpcvProgress progress, void* user);

/* The bytes of the standard MIDI file, and how many there are. */
const unsigned char* rcpcvGetSMF(const RcpcvObject* object);
unsigned long rcpcvGetSMFLength(const RcpcvObject* object);

void rcpcvDeleteObject(RcpcvObject* object);

/* The library's version, 2.0. */
int rcpcvGetVersionMajor(void);
int rcpcvGetVersionMinor(void);

/* The function types, for callers that look the functions up. */
typedef RcpcvObject* (*RcpcvConvertFileFn)(const char*, RcpcvProgress, void*);
typedef const unsigned char* (*RcpcvGetSmfFn)(const RcpcvObject*);
typedef unsigned long (*RcpcvGetSmfLengthFn)(const RcpcvObject*);
typedef void (*RcpcvDeleteObjectFn)(RcpcvObject*);
typedef int (*RcpcvGetVersionFn)(void);

#ifdef __cplusplus
}
#endif

#endif
