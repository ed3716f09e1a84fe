// The audio CD side of MediaDevice: the disc's tracks and lengths, track
// ranges, track-relative positions (TMSF: track in the low byte, then
// minutes, seconds, frames) and the tray.
#include <cstdio>

#include "cd/disc_toc.h"
#include "media_device.h"
#include "media_errors.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::playback {
namespace {

constexpr int kTrackLimit = 99;
constexpr int kNoTracksAbove = 200;
constexpr int kAudioCheckTracks = 5;

std::string MsfText(const cd::Msf& m, bool colons) {
    char buf[32];
    std::snprintf(buf, sizeof buf, colons ? "%02u:%02u:%02u" : "%02u%02u%02u", m.minutes, m.seconds, m.frames);
    return buf;
}

}  // namespace

const cd::DiscToc* MediaDevice::Toc() {
    Backend* b = OpenBackend(MediaKind::Cd);
    DiscControls* disc = b ? b->Disc() : nullptr;
    return disc ? disc->Toc() : nullptr;
}

std::string MediaDevice::DiscFingerprint() {
    Backend* b = OpenBackend(MediaKind::Cd);
    DiscControls* disc = b ? b->Disc() : nullptr;
    const cd::DiscToc* toc = disc ? disc->Toc() : nullptr;
    if (!toc || disc->IsImage()) return {};
    std::string text;
    for (const cd::TrackEntry& t : toc->tracks) text += std::to_string(t.start) + ' ';
    return text + std::to_string(toc->leadout);
}

int MediaDevice::OpenDisc(bool shareable) {
    if (shareable) return mci::kOk;
    const cd::DiscToc* toc = Toc();
    int count = toc ? toc->TrackCount() : 0;
    for (int i = 0; i < std::min(count, kAudioCheckTracks); ++i) {
        if (!toc->tracks[static_cast<std::size_t>(i)].audio) continue;
        CdReadDisc();
        return mci::kOk;
    }
    Close(MediaKind::Cd);
    return mci::kNoDevice;
}

void MediaDevice::CdReadDisc() {
    const cd::DiscToc* toc = Toc();
    int count = toc ? toc->TrackCount() : 0;
    if (count > kNoTracksAbove) {
        count = 0;
    } else if (count > kTrackLimit) {
        std::string limit = std::to_string(kTrackLimit);
        Ask(strings::kCdTrackLimit, {limit}, PromptButtons::Ok, PromptIcon::Warning, {}, owner_);
        count = kTrackLimit;
    }
    cd_track_count_ = count;
    cd_track_ms_.fill(0);
    if (count == 0) {
        cd_total_length_ = -1;
        Close(MediaKind::Cd);
        return;
    }
    cd_total_length_ = static_cast<std::int32_t>(cd::FramesToMs(toc->DiscFrames()) / 1000);
    // The table of contents gives every track's own length; the drivers that
    // reported lengths up to the end of the disc are not met here.
    for (int i = 0; i < count; ++i) {
        const cd::TrackEntry& t = toc->tracks[static_cast<std::size_t>(i)];
        if (t.number >= 0 && t.number < static_cast<int>(cd_track_ms_.size()))
            cd_track_ms_[static_cast<std::size_t>(t.number)] =
                static_cast<std::uint32_t>(cd::FramesToMs(toc->TrackFrames(t.number)));
    }
}

std::uint32_t MediaDevice::CdTrackLengthMs(int track) const {
    if (track < 0 || track >= static_cast<int>(cd_track_ms_.size())) return 0;
    return cd_track_ms_[static_cast<std::size_t>(track)];
}

std::string MediaDevice::CdTrackLengthText(int track, bool colons) {
    const cd::DiscToc* toc = Toc();
    if (!toc || !toc->Track(track)) return MsfText({}, colons);
    std::int32_t frames = toc->TrackFrames(track);
    if (track >= 0 && track < static_cast<int>(cd_track_ms_.size()))
        cd_track_ms_[static_cast<std::size_t>(track)] = static_cast<std::uint32_t>(cd::FramesToMs(frames));
    return MsfText(cd::FramesToMsf(frames), colons);
}

std::string MediaDevice::CdTotalLengthText(bool colons) {
    const cd::DiscToc* toc = Toc();
    return MsfText(cd::FramesToMsf(toc ? toc->DiscFrames() : 0), colons);
}

std::int64_t MediaDevice::TrackStartMs(int track) const {
    const Slot& s = slots_[static_cast<std::size_t>(media::Code(MediaKind::Cd))];
    DiscControls* disc = s.open ? s.backend->Disc() : nullptr;
    const cd::DiscToc* toc = disc ? disc->Toc() : nullptr;
    const cd::TrackEntry* t = toc ? toc->Track(track) : nullptr;
    if (!t) return -1;
    return cd::FramesToMs(t->start - toc->tracks.front().start);
}

std::uint32_t MediaDevice::CdPositionOf(std::int64_t ms, int* seconds_in_track) {
    *seconds_in_track = 0;
    const cd::DiscToc* toc = Toc();
    if (!toc || toc->tracks.empty()) return 0;
    std::int32_t lsn = toc->tracks.front().start + static_cast<std::int32_t>(cd::MsToFrames(ms));
    int track = toc->TrackAt(lsn);
    if (track == 0) track = lsn < toc->tracks.front().start ? toc->FirstTrack() : toc->tracks.back().number;
    std::int32_t within = std::max<std::int32_t>(0, lsn - toc->Track(track)->start);
    cd::Msf m = cd::FramesToMsf(within);
    *seconds_in_track = static_cast<int>(within / cd::kFramesPerSecond);
    return static_cast<std::uint32_t>(track & 0xFF) | ((m.minutes & 0xFF) << 8) | ((m.seconds & 0xFF) << 16) |
           ((m.frames & 0xFF) << 24);
}

int MediaDevice::PlayCd(int from, int to, std::int64_t* from_ms, std::int64_t* to_ms) {
    *from_ms = -1;
    *to_ms = -1;
    if (from != kContinue) {
        cd_from_ = from;
        cd_last_track_ = to;
        *from_ms = TrackStartMs(from);
        if (*from_ms < 0) return mci::kOutOfRange;
        // One track, or on to the end of the disc.
        if (!cd_continuous_ && from < to) *to_ms = TrackStartMs(from + 1);
    } else {
        if (seek_target_) {
            std::int64_t start = TrackStartMs(static_cast<int>(seek_target_ & 0xFF));
            if (start < 0) return mci::kOutOfRange;
            *from_ms = start + (((seek_target_ >> 8) & 0xFF) * 60 + ((seek_target_ >> 16) & 0xFF)) * 1000 +
                       ((seek_target_ >> 24) & 0xFF) * 1000 / cd::kFramesPerSecond;
        }
        if (!cd_continuous_ && cd_from_ < cd_last_track_) {
            *to_ms = TrackStartMs(cd_from_ + 1);
            // A start that moved past the range's end plays out the track
            // it lies in.
            std::int64_t start = *from_ms;
            if (start < 0) {
                Backend* b = OpenBackend(MediaKind::Cd);
                start = b ? std::max<std::int64_t>(0, b->PositionMs()) : 0;
            }
            if (*to_ms >= 0 && *to_ms <= start) {
                int seconds = 0;
                int track = static_cast<int>(CdPositionOf(start, &seconds) & 0xFF);
                *to_ms = TrackStartMs(track + 1);
            }
        }
    }
    return mci::kOk;
}

int MediaDevice::CdDoor(const std::string& drive, bool open) {
    if (SlotOf(MediaKind::Cd).open) {
        Stop(MediaKind::Cd);
        Close(MediaKind::Cd);
    }
    int r = cd::SetDoor(drive, open);
    return r == 0 ? mci::kOk : r < 0 ? -1 : mci::kHardware;
}

}  // namespace nuko::playback
