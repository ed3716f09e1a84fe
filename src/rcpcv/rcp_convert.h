// RCP 2.0 (".rcp") and RCP 3.0 (".r36", ".g36") sequencer files to a
// format-1 standard MIDI file. Plain logic over bytes: no files, no
// threads. Every read is bounded by the input; repeats are expanded up to
// the limits and cut there. Loops that repeat forever play twice, as
// players of these files do, so that the song ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nuko::rcpcv {

enum class RcpLayout {
    Rcp2,  // "RCM-PC98V2.0": 4-byte events, 44-byte track headers
    Rcp3,  // "COME ON MUSIC RECOMPOSER RCP3.0": 6-byte events, 46-byte track headers
};

struct ConvertLimits {
    double max_seconds = 30 * 60;            // playing time of the output
    std::size_t max_events = 10'000'000;     // MIDI events of all tracks
};

struct ConvertReport {
    RcpLayout layout = RcpLayout::Rcp2;
    std::string title;        // CP932 bytes, trailing blanks cut
    int tracks = 0;           // MIDI tracks written after the conductor track
    std::uint64_t notes = 0;  // note-ons written
    double tempo = 0;         // starting tempo, quarter notes a minute
    double seconds = 0;       // time of the last event
    std::uint64_t skipped = 0;  // commands this converter does not know
    // Commands that could not be carried out: references that lead nowhere
    // or in a circle, loop ends without a start, checksums without a start,
    // notes transposed off the keyboard, torn commands, track sizes beyond
    // the file.
    std::uint64_t broken = 0;
    bool cut = false;         // a limit ended the output early
};

enum class ConvertError {
    None,
    NotRcp,     // no RCP signature, or a header shorter than its fields
    Cancelled,  // the progress callback asked to stop
};

struct ConvertResult {
    ConvertError error = ConvertError::None;
    std::vector<std::uint8_t> smf;
    ConvertReport report;
};

// Called with 0 ... 100 as tracks are done; returning false cancels.
using Progress = std::function<bool(int percent)>;

// The layout named by the file's signature; false when it is none.
bool DetectLayout(std::string_view bytes, RcpLayout* layout);

ConvertResult ConvertRcp(std::string_view bytes, const ConvertLimits& limits = {}, const Progress& progress = {});

}  // namespace nuko::rcpcv
