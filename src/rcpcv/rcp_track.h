// One RCP track played through into MIDI events: its loops repeated, its
// same-measure references followed, its exclusives filled in. The events
// are collected unsorted; the converter orders and writes them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "rcpcv/rcp_format.h"

namespace nuko::rcpcv {

// An SMF event before it is written: a short message inline, anything
// longer (meta, exclusive) in the blob pool, already in file form.
struct MidiEvent {
    std::uint32_t tick;
    bool off;          // note-offs go first among events of one tick
    std::uint8_t len;  // 1 ... 3 inline bytes; 0: blob
    std::array<std::uint8_t, 3> msg;
    std::uint32_t blob;  // the blob's index; for a note-off, its note's start
};

struct OutTrack {
    std::vector<MidiEvent> events;
    std::vector<std::vector<std::uint8_t>> blobs;

    void AddBlob(std::uint32_t tick, std::vector<std::uint8_t> bytes);
};

// A gradual tempo change is written as at most this many steps.
inline constexpr unsigned kMaxRampSteps = 16;

struct TempoChange {
    std::uint64_t tick;
    double bpm;
    unsigned ramp = 0;  // ticks over which the tempo moves there from the one before
};

// Shared by the walks of all tracks.
struct Budget {
    std::size_t events_left;
    std::uint64_t commands_left;
    std::uint64_t tick_cap;
    bool cut = false;
};

struct WalkCounts {
    std::uint64_t skipped = 0;  // commands this converter does not know
    std::uint64_t broken = 0;   // commands that could not be carried out
};

// Builds the meta event `type` holding `data`.
std::vector<std::uint8_t> Meta(std::uint8_t type, std::string_view data);
std::vector<std::uint8_t> KeyMeta(unsigned key);
void PutVarLen(std::vector<std::uint8_t>& out, std::uint32_t v);

struct TrackPlay {
    int channel;    // 0 ... 15, -1: none
    int transpose;  // semitones added to every note
    int shift;      // ticks added to every event (step bias)
};

class TrackWalker {
public:
    // The track's commands are the bytes [begin, end) of `file`; its header
    // starts at `track_start`.
    TrackWalker(std::string_view file, const Header& h, std::size_t track_start, std::size_t begin, std::size_t end,
                Budget& budget, std::vector<TempoChange>& tempos, OutTrack& out, WalkCounts& counts);

    void Walk(const TrackPlay& play);

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    struct Loop {
        std::size_t body;    // the command after the loop start
        long left;           // passes still to come; -1 until the loop end is met
        bool in_reference;   // opened inside a referenced measure
    };

    Command Read(std::size_t pos) const { return ReadCommand(b_, h_.layout, pos); }
    void MapMeasures();
    std::optional<std::size_t> ReferenceTarget(const Command& c) const;
    std::optional<std::size_t> FollowReference(Command c) const;
    void LoopEnd(const Command& c, std::size_t& pos, std::vector<Loop>& loops, bool in_reference);
    bool DataBytes(std::size_t pos, std::vector<std::uint8_t>& data, bool exclusive) const;
    std::size_t Continuation(std::size_t pos, std::vector<std::uint8_t>& data, bool exclusive);
    std::uint32_t Tick() const;
    bool Room(std::size_t n = 1);
    void Short(std::uint32_t tick, bool off, std::uint8_t s, std::uint8_t d1, std::uint8_t d2, std::uint8_t len);
    void Blob(std::vector<std::uint8_t> bytes);
    void Note(const Command& c);
    void Exclusive(const std::vector<std::uint8_t>& def, unsigned v1, unsigned v2);
    void SysEx(const std::vector<std::uint8_t>& body);
    void Tempo(const Command& c);
    void Control(const Command& c);

    std::string_view b_;
    const Header& h_;
    std::size_t track_start_, begin_, end_;
    Budget& budget_;
    std::vector<TempoChange>& tempos_;
    OutTrack& out_;
    WalkCounts& counts_;
    std::vector<std::size_t> measures_;  // where each measure starts, in order
    std::array<std::array<std::uint32_t, 128>, 16> sounding_;
    std::array<std::uint8_t, 4> roland_, yamaha_;  // device, model, base address (2 bytes)
    std::uint64_t tick_ = 0;
    TrackPlay play_{-1, 0, 0};
};

}  // namespace nuko::rcpcv
