// MP3 wrapping and header cuts: a plain MP3, a RIFF-MP3 file ("RMP3" form)
// or either behind a 128-byte MacBinary header is wrapped into a RIFF WAVE
// file with an MPEG layer III format header, or has its MacBinary or
// RIFF-MP3 header cut off; a MIDI file copied from a Macintosh loses its
// MacBinary header. No audio is decoded: the frames are copied unchanged.
//
// The byte-level functions take the file's bytes (or its first bytes where
// they say so) so that tests and fuzzers can feed them directly; the file
// operations below them read and write files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace nuko::media {

// Result codes of Mp3Convert and Mp3MacRmpCut. Any other value is the errno
// of a failed write.
inline constexpr int kConvertWritten = 0;
inline constexpr int kConvertNothingToDo = 1;
inline constexpr int kConvertSourceFailed = -1;
inline constexpr int kConvertTargetFailed = -2;
inline constexpr int kConvertUnsupportedFrame = -3;

inline constexpr std::size_t kMacBinaryHeaderSize = 128;
inline constexpr std::size_t kRiffMp3DataOffset = 20;
inline constexpr std::size_t kWaveHeaderSize = 70;

// What a file is, judged from its first bytes (at least 16; 144 to see the
// file behind a MacBinary header).
enum class Container {
    Plain,     // anything that is not one of the RIFF forms below: taken as MP3
    RiffWave,  // "RIFF" .... "WAVE"
    RiffMp3,   // "RIFF" .... "RMP3data": the MP3 data starts at offset 20
    OtherRiff, // some other RIFF file
};
struct SourceForm {
    bool macbinary = false;               // the first byte is 0
    Container container = Container::Plain;  // of the file behind that header
};
SourceForm ClassifySource(std::string_view head);

// Whether a file must be converted before it plays: it is not a RIFF file,
// or it is MacBinary, or RIFF-MP3. `head` holds the file's first bytes (at
// least 17 when the file is longer than 16 bytes; shorter files never
// need converting).
struct ConvertNeed {
    bool convert = false;
    bool mac_or_rmp = false;  // MacBinary or RIFF-MP3
};
ConvertNeed NeedsConvert(std::string_view head);

// A RIFF WAVE (after a MacBinary header, if any) whose first 127 bytes hold
// a "data" chunk whose first byte is 0xFF: a WAVE carrying MPEG frames.
// `head`: the file's first bytes (at least 260 when the file is longer).
bool IsWaveCarryingMp3(std::string_view head);

// The first frame header of MP3 data (MPEG-1 or MPEG-2 layer III only).
struct FrameFormat {
    bool mpeg1 = true;
    int channels = 2;
    int samples_per_second = 44100;
    int kbps = 0;
};
std::optional<FrameFormat> ParseFrameHeader(std::string_view data);

// Size of an ID3 version 2 tag at the start of `data` (header, body and
// footer), 0 when there is none. May be larger than `data`.
std::size_t Id3v2TagSize(std::string_view data);

// The 70-byte RIFF WAVE header for MP3 data of `data_length` bytes
// (at most UINT32_MAX - 70).
std::string WaveHeader(const FrameFormat& format, std::uint32_t data_length);

// What Mp3Convert writes for a whole source file: header + the data range,
// or only the result code.
struct WrapPlan {
    int result = kConvertUnsupportedFrame;
    std::string header;  // empty when the data is copied as it is
    std::size_t data_offset = 0;
    std::size_t data_length = 0;
};
WrapPlan PlanWrap(std::string_view file);

// The same plan for a file of `size` bytes read through `read`: up to `n`
// bytes from `offset` (fewer at the end). Reads the first kWrapHeadBytes
// and a few bytes where each ID3 tag and the first frame begin.
inline constexpr std::size_t kWrapHeadBytes = 512;
using ReadAt = std::function<std::string(std::uint64_t offset, std::size_t n)>;
WrapPlan PlanWrap(std::uint64_t size, const ReadAt& read);

// Where Mp3MacRmpCut takes the data from: behind the MacBinary header, else
// behind the RIFF-MP3 header; nullopt when there is nothing to cut. `head`
// holds the file's first bytes (at least 129 when the file is longer).
std::optional<std::size_t> MacRmpCutOffset(std::string_view head);

// A MIDI file behind a MacBinary header: first byte 0 and "MThd" (any case)
// at offset 128.
bool IsMacBinaryMidi(std::string_view head);

// File operations. `progress`, when given, receives the percentage done.

// NeedsConvert and IsWaveCarryingMp3 on a file. Files that cannot be read
// (folders and devices included) need no converting and carry no MP3.
ConvertNeed NeedsConvertFile(const std::string& path);
bool IsWavMp3File(const std::string& path);

// Wraps the source into a RIFF WAVE at target. Reads in five pieces (10 ...
// 50) and writes in five (60 ... 100). Returns a result code above.
int Mp3Convert(const std::string& source, const std::string& target,
               const std::function<void(int)>& progress);

// Cuts the MacBinary or RIFF-MP3 header off. Reads in eight pieces (10 ...
// 80) and writes in two (90, 100). Returns 1 when there was nothing to cut
// and when the file was written with progress, 0 when written without.
int Mp3MacRmpCut(const std::string& source, const std::string& target,
                 const std::function<void(int)>& progress);

// Writes a ".mid" source behind a MacBinary header without that header.
// True when the target was written. Folder questions go to `owner`.
bool MidiMacCut(const std::string& source, const std::string& target, void* owner);

}  // namespace nuko::media
