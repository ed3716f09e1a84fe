// Media files made by the tests: standard MIDI files, WAVE files, audio CD
// images (.cue/.bin) with tracks of chosen lengths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuko::test {

// Builds a standard MIDI file track by track; each track ends with an
// end-of-track event after its last event.
class SmfWriter {
public:
    explicit SmfWriter(int division = 480, int format = 1) : division_(division), format_(format) {}
    SmfWriter& Track();
    // An event after `delta` ticks: status byte and data, written as given
    // (so running status can be written by leaving the status out).
    SmfWriter& Raw(std::uint32_t delta, std::string_view bytes);
    SmfWriter& Tempo(std::uint32_t delta, std::uint32_t usec_per_quarter);
    SmfWriter& Note(std::uint32_t delta, int key, std::uint32_t length, int channel = 0);
    SmfWriter& EndAfter(std::uint32_t delta);  // the end-of-track delta of this track
    std::string Bytes() const;

private:
    struct TrackData {
        std::string body;
        std::uint32_t end_delta = 0;
    };
    int division_;
    int format_;
    std::vector<TrackData> tracks_;
};

std::string VarLen(std::uint32_t v);

// 16-bit PCM WAVE data: a sine tone of `seconds`.
std::string MakeWav(double seconds, int rate = 44100, int channels = 2, double frequency = 440.0);

// Writes `name`.bin and `name`.cue in `folder`: one audio track per entry of
// `track_frames` (sectors, 75 a second), each a tone of its own pitch.
// Returns the path of the .cue file.
std::string WriteCdImage(const std::string& folder, const std::string& name,
                         const std::vector<int>& track_frames);

// The full path of a program on PATH; empty when there is none.
std::string FindProgram(const std::string& name);

// Makes a movie with ffmpeg (a test picture at `fps` frames a second and a
// tone); false when ffmpeg is missing or fails.
bool MakeMovie(const std::string& path, double seconds, int fps = 25);

}  // namespace nuko::test
