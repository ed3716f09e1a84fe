// A CD track's loudness, read straight from the disc's audio sectors.
#include <vector>

#include "cd/disc_toc.h"
#include "mpv_loudness.h"

namespace nuko::playback {
namespace {

constexpr int kChunkSectors = 75;  // one second
constexpr int kFramesPerSector = cd::kSectorBytes / 4;
constexpr unsigned kCdRate = 44100;

}  // namespace

bool MeasureCdTrackLoudness(const LoudnessRequest& request, level::Loudness* out, std::string* error) {
    auto fail = [error](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    std::string why;
    std::unique_ptr<cd::DiscSource> disc = cd::OpenDisc(request.path, &why);
    if (!disc) return fail("CDを読めません: " + request.path + (why.empty() ? "" : " (" + why + ")"));
    const cd::DiscToc& toc = disc->Toc();
    const cd::TrackEntry* track = toc.Track(request.track);
    if (!track) return fail("CDにﾄﾗｯｸ " + std::to_string(request.track) + " がありません");
    if (!track->audio) return fail("ﾄﾗｯｸ " + std::to_string(request.track) + " は音楽ﾄﾗｯｸではありません");

    level::LoudnessMeter meter(2, kCdRate);
    if (!meter.ok()) return fail("音量を測れません (libebur128)");
    const std::int32_t frames = toc.TrackFrames(request.track);
    const auto limit = static_cast<std::int64_t>(request.max_seconds * kCdRate);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kChunkSectors * kFramesPerSector * 2));
    bool partial = false;
    for (std::int32_t done = 0; done < frames; done += kChunkSectors) {
        if (request.cancel && request.cancel->load()) return fail(kMeasureCancelled);
        const std::int64_t measured = static_cast<std::int64_t>(done) * kFramesPerSector;
        if (measured >= limit) {
            partial = true;
            break;
        }
        const int count = std::min(kChunkSectors, frames - done);
        // A drive may stumble once over a sector.
        if (!disc->ReadAudio(track->start + done, count, samples.data()) &&
            !disc->ReadAudio(track->start + done, count, samples.data()))
            return fail("CDのﾄﾗｯｸ " + std::to_string(request.track) + " を読めません");
        const std::int64_t take = std::min<std::int64_t>(static_cast<std::int64_t>(count) * kFramesPerSector,
                                                         limit - measured);
        meter.AddS16(samples.data(), static_cast<std::size_t>(take));
        if (take < static_cast<std::int64_t>(count) * kFramesPerSector) partial = true;
    }
    *out = meter.Result();
    out->partial = partial;
    return true;
}

bool MeasureMediaLoudness(const LoudnessRequest& request, level::Loudness* out, std::string* error) {
    return request.track > 0 ? MeasureCdTrackLoudness(request, out, error)
                             : MeasureFileLoudness(request, out, error);
}

}  // namespace nuko::playback
