// The C exports of the WRD picture files.
#include <cstring>
#include <string_view>

#include "export_util.h"
#include <nu_32std_wrd.h>
#include "nuko/text.h"
#include "nuko/wrd_files.h"

static_assert(NUKO_WRD_PAGE_WIDTH == nuko::wrd::kPageWidth && NUKO_WRD_PAGE_HEIGHT == nuko::wrd::kPageHeight);
static_assert(NUKO_WRD_PALETTE_ONLY == nuko::wrd::kPaletteOnly);

namespace {

using nuko::exports::CopyOut;

void Put(int32_t* out, int32_t value) {
    if (out) *out = value;
}

}  // namespace

extern "C" {

int32_t FindWrdFile(const char* name, char* found_out, int32_t kind) {
    if (!name) return -1;
    auto found = nuko::wrd::FindWrdFile(name, kind);
    if (!found) return -1;
    CopyOut(found->path, found_out, NUKO_PATH_MAX);
    return static_cast<int32_t>(found->kind);
}

int32_t GetWrdComData(const char* path, const char* parameter, int32_t* x_out, int32_t* y_out,
                      int32_t* display_page_out, int32_t* draw_page_out, int32_t* graphics_on_out,
                      int32_t* clear_only_out) {
    for (int32_t* out : {x_out, y_out, display_page_out, draw_page_out, graphics_on_out, clear_only_out})
        Put(out, 0);
    if (!path) return 0;
    auto call = nuko::wrd::GetWrdComData(path, parameter ? parameter : "");
    if (!call) return 0;
    Put(x_out, call->x);
    Put(y_out, call->y);
    Put(display_page_out, call->display_page);
    Put(draw_page_out, call->draw_page);
    Put(graphics_on_out, call->graphics_on ? 1 : 0);
    Put(clear_only_out, call->clear_only ? 1 : 0);
    return 1;
}

int32_t CreateWrdGraphic(const char* path, int32_t kind, uint8_t* page, int32_t x, int32_t y,
                         int32_t reduction, int32_t palette_mode, uint8_t* palette_out,
                         char* text_out, int32_t text_size) {
    if (!path || !page || kind < NUKO_WRD_MAG || kind > NUKO_WRD_COM) return 0;
    nuko::wrd::PagePoints points(page, nuko::wrd::kPagePoints);
    auto picture = nuko::wrd::DrawPictureFile(path, static_cast<nuko::wrd::PictureKind>(kind), points,
                                              {x, y, reduction}, palette_mode);
    if (!picture) return 0;
    if (palette_out && picture->has_colors) {
        for (std::size_t i = 0; i < 16; ++i) {
            const auto& c = picture->colors[i];
            palette_out[i * 4] = nuko::wrd::Color::To8Bit(c.r);
            palette_out[i * 4 + 1] = nuko::wrd::Color::To8Bit(c.g);
            palette_out[i * 4 + 2] = nuko::wrd::Color::To8Bit(c.b);
            palette_out[i * 4 + 3] = 0;
        }
    }
    if (text_size > 0)
        CopyOut(nuko::text::Cp932ToUtf8(picture->text), text_out, static_cast<std::size_t>(text_size));
    return 1;
}

}  // extern "C"
