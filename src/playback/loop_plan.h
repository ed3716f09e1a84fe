// Loop points of game songs (controller 111 at the loop start, or the
// markers "loopStart" and "loopEnd") and the song as it is played with
// them: unrolled into a plain song so that its length, position, seeking,
// intro and A-B sections need nothing special.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midi_song.h"

namespace nuko::midi {

struct LoopOptions {
    enum class Mode { PlayThrough, LoopThenFade };
    Mode mode = Mode::LoopThenFade;
    int count = 2;         // passes through the loop before the fade
    int fade_seconds = 8;  // the fade plays on into the loop

    bool operator==(const LoopOptions&) const = default;
};

struct LoopPoints {
    std::uint32_t start_tick = 0;
    std::uint32_t end_tick = 0;  // the song's end for controller 111
};

// The song's loop, or nullopt when it has none that can be played (no start,
// an end before the start, an empty loop). Problems (an end without a start,
// a second start inside the loop, ...) go to `problems` in Japanese, once
// each.
std::optional<LoopPoints> FindLoop(const Song& song, std::vector<std::string>* problems = nullptr);

struct PlayPlan {
    Song song;                       // the song as it plays
    std::int64_t fade_start_ms = -1; // -1: no fade
    std::int64_t fade_ms = 0;        // the song ends at fade_start_ms + fade_ms
};

// The song as played under `options`: the song itself when it has no loop
// or the mode is PlayThrough; else the part before the loop, the loop
// `count` times, then the loop again for `fade_seconds` with the fade over
// it. At each jump back the notes still sounding are released.
PlayPlan PlanLoops(const Song& song, const LoopOptions& options, std::vector<std::string>* problems = nullptr);

}  // namespace nuko::midi
