// The C exports of MP3 wrapping, the header cuts and the media title reader.
#include <cstring>
#include <functional>

#include "export_util.h"
#include <nu_32std.h>
#include "nuko/media_convert.h"
#include "nuko/media_title.h"
#include "nuko/strings.h"
#include "nuko/text.h"

static_assert(sizeof(NuKoWaitRatio) == 8, "the wait ratio is a pair of 32-bit integers");

namespace {

void Fill(char* out, std::size_t size, std::string_view s) { nuko::exports::CopyOut(s, out, size); }

std::function<void(int)> Reporter(NuKoProgress progress, void* ctx) {
    return nuko::exports::ProgressReporter(progress, ctx);
}

}  // namespace

extern "C" {

int32_t Nu_koMp3GetCvtVersion(void) { return 101; }

int32_t Nu_koIsMp3Convert(const char* path, int32_t* mac_out) {
    nuko::media::ConvertNeed need;
    if (path) need = nuko::media::NeedsConvertFile(path);
    if (mac_out) *mac_out = need.mac_or_rmp ? 1 : 0;
    return need.convert ? 1 : 0;
}

int32_t Nu_koIsMp3Mac(const char* path) {
    return path && nuko::media::NeedsConvertFile(path).mac_or_rmp ? 1 : 0;
}

int32_t Nu_koIsWavMp3(const char* path) { return path && nuko::media::IsWavMp3File(path) ? 1 : 0; }

int32_t Nu_koMp3Convert(const char* source, const char* target, NuKoProgress progress, void* ctx) {
    if (!source) return nuko::media::kConvertSourceFailed;
    if (!target) return nuko::media::kConvertTargetFailed;
    return nuko::media::Mp3Convert(source, target, Reporter(progress, ctx));
}

int32_t Nu_koMp3MacRmpCut(const char* source, const char* target, NuKoProgress progress, void* ctx) {
    if (!source) return nuko::media::kConvertSourceFailed;
    if (!target) return nuko::media::kConvertTargetFailed;
    return nuko::media::Mp3MacRmpCut(source, target, Reporter(progress, ctx));
}

int32_t Nu_koGetMidiTitle(const char* path, char* title_out, char* title2_out, int32_t size,
                          int32_t accept_hidden, NuKoWaitRatio* wait_ratio_out) {
    const bool buffers = size >= 1 && (title_out || title2_out);
    nuko::media::TitleOptions options;
    options.want_title = buffers;
    options.accept_hidden = accept_hidden != 0;
    if (buffers) options.buffer_size = static_cast<std::size_t>(size);
    nuko::media::MediaTitle title = nuko::media::ReadMediaTitle(path ? path : "", options);
    if (buffers) {
        Fill(title_out, options.buffer_size, title.title);
        Fill(title2_out, options.buffer_size, title.title2);
    }
    if (wait_ratio_out) *wait_ratio_out = {title.ratio.beats, title.ratio.unit};
    return title.result;
}

int32_t Nu_koMidiMacCut(const char* source, const char* target, void* owner) {
    if (!source || !target) return 0;
    return nuko::media::MidiMacCut(source, target, owner) ? 1 : 0;
}

}  // extern "C"
