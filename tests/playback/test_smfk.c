/* A stand-in for a user's SMF converter library. What it answers comes from
   the environment: TEST_SMFK_VERSION (default 212) and TEST_SMFK_RESULT
   (default -1). On success it writes the song's bytes followed by a line
   with the cfg path and the option record, and reports progress 50 and
   100. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

typedef struct {
    int32_t size, jv, mac, p, bank, bar;
} Options;

static int Env(const char* name, int fallback) {
    const char* v = getenv(name);
    return v ? atoi(v) : fallback;
}

int32_t GetSmfkVersion(void) { return Env("TEST_SMFK_VERSION", 212); }

int32_t SmfkConvert(void* window, const char* song, const char* out, const char* cfg, const char* extra,
                    Options* options, int32_t (*progress)(int32_t, int32_t)) {
    (void)window;
    (void)extra;
    int result = Env("TEST_SMFK_RESULT", -1);
    FILE* o = fopen(out, "wb");
    if (!o) return 3;
    if (progress) progress(50, options->bar);
    FILE* in = fopen(song, "rb");
    if (in) {
        int c;
        while ((c = fgetc(in)) != EOF) fputc(c, o);
        fclose(in);
    }
    fprintf(o, "\n%s %d %d %d %d %d\n", cfg, options->size, options->jv, options->mac, options->p, options->bank);
    fclose(o);
    if (progress) progress(100, options->bar);
    return result;
}
