// A standard MIDI file (or an RMI file around one) read into one ordered
// list of timed events with its tempo map. The reader is lenient the way
// players are: unknown chunks are skipped, running status survives meta
// events, a track cut short ends where its data ends, format 2 tracks play
// one after another. What it cannot make sense of ends that track, never
// the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuko::midi {

struct Event {
    std::uint32_t tick = 0;
    // The event as sent: a channel message with its status byte, "F0 ..." for
    // a system exclusive message (without the length), or for a meta event
    // "FF type" followed by its data (without the length).
    std::string bytes;

    std::uint8_t Status() const { return bytes.empty() ? 0 : static_cast<std::uint8_t>(bytes[0]); }
    bool IsMeta() const { return Status() == 0xFF; }
    bool IsSysex() const { return Status() == 0xF0 || Status() == 0xF7; }
};

struct TempoChange {
    std::uint32_t tick = 0;
    std::uint32_t usec_per_quarter = 500000;
};

class Song {
public:
    // Ticks per quarter note (a time-code file is given an equivalent one).
    int division() const { return division_; }
    const std::vector<Event>& events() const { return events_; }
    // Never empty; the first change is at tick 0.
    const std::vector<TempoChange>& tempo_map() const { return tempo_map_; }
    // The tick where the song ends: the last end-of-track (or event).
    std::uint32_t end_tick() const { return end_tick_; }

    std::int64_t TickToMs(std::uint32_t tick) const;
    std::int64_t TickToUs(std::uint32_t tick) const;
    std::uint32_t MsToTick(std::int64_t ms) const;
    std::int64_t LengthMs() const { return TickToMs(end_tick_); }
    // Microseconds per quarter note in force at `tick`.
    std::uint32_t TempoAt(std::uint32_t tick) const;
    // Quarter notes per minute at `tick`, rounded.
    int BpmAt(std::uint32_t tick) const;
    // The song-pointer position of a tick: sixteenth notes.
    std::uint32_t SixteenthsAt(std::uint32_t tick) const;

    // The song as a format-0 standard MIDI file without running status,
    // which every player reads the same way. With `sysex_as_markers` each
    // system exclusive message becomes a text event that names its index in
    // events() (see SysexMarkerIndex), for a player whose callbacks cannot
    // hand out the message's bytes.
    std::string ToSmf(bool sysex_as_markers = false) const;

    // A song of these events (in tick order), ending at `end_tick` or its
    // last event, whichever is later; its tempo map from its tempo events;
    // its division (and time-code timing) that of `from`.
    static Song FromEvents(const Song& from, std::vector<Event> events, std::uint32_t end_tick);

private:
    friend std::optional<Song> ParseSmf(std::string_view, std::string*);
    void BuildTempoMap();

    int division_ = 96;
    std::vector<Event> events_;
    std::vector<TempoChange> tempo_map_;
    std::vector<std::int64_t> change_us_;  // time of each tempo change in microseconds
    std::uint32_t end_tick_ = 0;
    bool time_code_ = false;  // ticks count time-code frames, not beats
};

// The index of the event that a text event written by ToSmf(true) stands
// for; nullopt for any other text.
std::optional<std::size_t> SysexMarkerIndex(std::string_view text);

// The SMF inside an RMI file ("RIFF" ... "RMID" with a "data" chunk), or the
// bytes themselves.
std::string_view UnwrapRmi(std::string_view bytes);

// Reads a standard MIDI file or RMI file. nullopt when it is not one (no
// header, no usable division, no track), with the reason in `error`.
std::optional<Song> ParseSmf(std::string_view bytes, std::string* error = nullptr);

}  // namespace nuko::midi
