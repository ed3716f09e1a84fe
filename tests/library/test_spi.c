/* A test image plug-in. TST pictures: "TST1", width and height as one byte
   each, then the points as R, G, B from the top row down. Built as an
   import filter, and with NUKO_NOT_IMPORT as a plug-in of another kind. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
    int32_t left, top, width, height;
    uint16_t x_density, y_density;
    int16_t colour_depth;
    void* text;
} PictureInfo;

static int32_t Put(char* buffer, int32_t length, const char* s) {
    int32_t n = (int32_t)strlen(s);
    if (n >= length) n = length - 1;
    memcpy(buffer, s, (size_t)n);
    buffer[n] = 0;
    return n;
}

int32_t GetPluginInfo(int32_t info, char* buffer, int32_t length) {
#ifdef NUKO_NOT_IMPORT
    const char* kind = "00AM";
#else
    const char* kind = "00IN";
#endif
    switch (info) {
        case 0: return Put(buffer, length, kind);
        case 2: return Put(buffer, length, "*.TST;*.TS");
        case 3: return Put(buffer, length, "Test picture (TST)");
        default: return 0;
    }
}

int32_t IsSupported(const char* path, void* head) {
    (void)path;
    return memcmp(head, "TST1", 4) == 0;
}

static int Read(const char* path, unsigned char** data, long* size) {
    FILE* f = fopen(path, "rb");
    if (!f) return 0;
    fseek(f, 0, SEEK_END);
    *size = ftell(f);
    fseek(f, 0, SEEK_SET);
    *data = malloc((size_t)*size + 1);
    int ok = fread(*data, 1, (size_t)*size, f) == (size_t)*size;
    fclose(f);
    return ok;
}

int32_t GetPicture(const char* buffer, int32_t length, uint32_t flag, void** info, void** bits, void* progress,
                   intptr_t data) {
    (void)length, (void)flag, (void)progress, (void)data;
    unsigned char* d = NULL;
    long size = 0;
    if (!Read(buffer, &d, &size) || size < 6) return free(d), 2;
    int w = d[4], h = d[5];
    if (size < 6 + 3L * w * h) return free(d), 2;
    int stride = (w * 3 + 3) / 4 * 4;
    unsigned char* header = calloc(1, 40);
    unsigned char* rows = calloc(1, (size_t)(stride * h));
    uint32_t v[3] = {40, (uint32_t)w, (uint32_t)h};
    memcpy(header, v, sizeof v);
    header[12] = 1;  /* planes */
    header[14] = 24; /* bits a point */
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = d + 6 + 3 * (y * w + x);
            unsigned char* q = rows + (h - 1 - y) * stride + 3 * x;
            q[0] = p[2], q[1] = p[1], q[2] = p[0];
        }
    free(d);
    *info = header;
    *bits = rows;
    return 0;
}

int32_t GetPictureInfo(const char* buffer, int32_t length, uint32_t flag, PictureInfo* info) {
    (void)length, (void)flag;
    unsigned char* d = NULL;
    long size = 0;
    if (!Read(buffer, &d, &size) || size < 6) return free(d), 2;
    memset(info, 0, sizeof *info);
    info->width = d[4];
    info->height = d[5];
    info->text = malloc(8);
    free(d);
    return 0;
}
