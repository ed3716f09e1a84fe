// The table of contents of an audio CD, read from a drive or from a disc
// image (.cue/.bin, .toc, .nrg), and the audio sectors behind it. Addresses
// are logical sector numbers (LSN, 75 sectors a second, 0 = the start of
// the program area); lengths are in sectors ("frames").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuko::cd {

inline constexpr int kFramesPerSecond = 75;
inline constexpr int kSectorBytes = 2352;  // one sector of CD audio: 588 stereo 16-bit samples
inline constexpr int kMaxTracks = 99;

struct TrackEntry {
    int number = 0;
    std::int32_t start = 0;  // LSN of index 1
    bool audio = true;       // false for a data track
};

struct DiscToc {
    std::vector<TrackEntry> tracks;  // in track order
    std::int32_t leadout = 0;        // LSN of the lead-out

    int TrackCount() const { return static_cast<int>(tracks.size()); }
    int FirstTrack() const { return tracks.empty() ? 0 : tracks.front().number; }
    // The entry of a track number, or null.
    const TrackEntry* Track(int number) const;
    // Sectors from the track's start to the next track's (or the lead-out).
    std::int32_t TrackFrames(int number) const;
    // Sectors from the first track's start to the lead-out.
    std::int32_t DiscFrames() const;
    // The track that holds `lsn`; 0 when none does.
    int TrackAt(std::int32_t lsn) const;
    // The end of playable audio from `lsn` on: the start of the first data
    // track after it, else the lead-out.
    std::int32_t AudioEndAfter(std::int32_t lsn) const;
};

// Track numbers consecutive, starts strictly rising and below the lead-out,
// at most 99 tracks. Images may claim anything; only such a table is used.
bool IsConsistent(const DiscToc& toc);

struct Msf {
    unsigned minutes = 0;
    unsigned seconds = 0;
    unsigned frames = 0;
};
Msf FramesToMsf(std::int64_t frames);
inline std::int64_t FramesToMs(std::int64_t frames) { return frames * 1000 / kFramesPerSecond; }
inline std::int64_t MsToFrames(std::int64_t ms) { return ms * kFramesPerSecond / 1000; }

// An open drive or disc image. Calls from several threads are serialised.
class DiscSource {
public:
    virtual ~DiscSource() = default;
    virtual const DiscToc& Toc() const = 0;
    // Reads `count` audio sectors from `lsn` into `buffer` (count * 2352
    // bytes, little-endian 16-bit stereo). False on a read error.
    virtual bool ReadAudio(std::int32_t lsn, int count, void* buffer) = 0;
    // Whether a disc is (still) in the drive; an image is always present
    // while its files can be read.
    virtual bool MediaPresent() = 0;
    virtual bool IsImage() const = 0;
    virtual const std::string& Source() const = 0;
};

// Whether a path names a disc image by its extension (.cue, .toc, .nrg, .bin).
bool IsDiscImagePath(const std::string& path);

// Opens a drive ("/dev/sr0") or a disc image and reads its table of contents.
// Null on failure, with the reason (libcdio's own words when it gave any) in
// `error`. A table that is not consistent is refused. An image is read by
// ProbeImageToc first and opened only when that succeeded.
std::unique_ptr<DiscSource> OpenDisc(const std::string& drive_or_image, std::string* error = nullptr);

// An image file's table of contents as a short-lived child process read it
// with libcdio, which crashes or hangs on some hostile files. Not ok, with
// a reason, when the child died, ran out of time or found no usable table.
// The child runs nothing but libcdio and writes its answer to a pipe.
struct ImageProbe {
    bool ok = false;
    DiscToc toc;
    std::string error;
};
ImageProbe ProbeImageToc(const std::string& image);
// The child's time limit (5 s; tests shorten it).
void SetImageProbeTimeLimit(int milliseconds);

// The CD drives of this machine ("/dev/sr0", ...), in the order libcdio
// finds them.
std::vector<std::string> ListCdDrives();

// Opens or closes the drive's tray. 0 on success, -1 when the drive cannot be
// used, 1 when the drive refused.
int SetDoor(const std::string& drive, bool open);

}  // namespace nuko::cd
