#include "rcpcv/rcp_convert.h"

#include <algorithm>
#include <cmath>

#include "rcpcv/rcp_format.h"
#include "rcpcv/rcp_track.h"

namespace nuko::rcpcv {
namespace {

// Commands read in all tracks, beyond the events they may make: a repeat
// that emits nothing and takes no time ends there.
constexpr std::uint64_t kSpareCommands = 1'000'000;
// The fastest tempo a tempo change can reach (255 bpm times 255/64), for the
// tick bound that holds before the tempo map is known.
constexpr double kMaxBpm = 1020;
// The slowest tempo a standard MIDI file holds (0xFFFFFF microseconds a
// quarter note).
constexpr double kMinBpm = 60'000'000.0 / 0xFFFFFF;

std::vector<std::uint8_t> TempoMeta(double bpm) {
    auto us = static_cast<std::uint32_t>(std::clamp(std::lround(60'000'000.0 / bpm), 1L, 0xFFFFFFL));
    char d[3] = {static_cast<char>(us >> 16), static_cast<char>(us >> 8), static_cast<char>(us)};
    return Meta(0x51, std::string_view(d, 3));
}

// The sorted tempo changes with each gradual one written out as steps from
// the tempo before it, the last at the ramp's end; a later change ends a
// ramp early. One tick holds one tempo, the last given.
std::vector<TempoChange> ExpandRamps(const std::vector<TempoChange>& changes) {
    std::vector<TempoChange> out;
    auto put = [&out](std::uint64_t tick, double bpm) {
        bpm = std::max(bpm, kMinBpm);
        if (!out.empty() && out.back().tick == tick) out.back().bpm = bpm;
        else out.push_back({tick, bpm});
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const TempoChange& c = changes[i];
        if (c.ramp == 0 || out.empty()) {
            put(c.tick, c.bpm);
            continue;
        }
        const double from = out.back().bpm;
        const unsigned steps = std::min(c.ramp, kMaxRampSteps);
        for (unsigned k = 1; k <= steps; ++k) {
            std::uint64_t tick = c.tick + static_cast<std::uint64_t>(c.ramp) * k / steps;
            if (i + 1 < changes.size() && changes[i + 1].tick <= tick) break;
            put(tick, from + (c.bpm - from) * k / steps);
        }
    }
    return out;
}

// Seconds at `tick` along the sorted tempo map.
double SecondsAt(const std::vector<TempoChange>& map, unsigned timebase, std::uint64_t tick) {
    double s = 0;
    for (std::size_t i = 0; i < map.size(); ++i) {
        std::uint64_t from = map[i].tick;
        if (from >= tick) break;
        std::uint64_t to = i + 1 < map.size() ? std::min(map[i + 1].tick, tick) : tick;
        s += static_cast<double>(to - from) * 60.0 / (map[i].bpm * timebase);
    }
    return s;
}

// The first tick at which `seconds` have passed.
std::uint64_t TickAt(const std::vector<TempoChange>& map, unsigned timebase, double seconds) {
    double s = 0;
    for (std::size_t i = 0; i < map.size(); ++i) {
        double per_tick = 60.0 / (map[i].bpm * timebase);
        if (i + 1 < map.size()) {
            double span = static_cast<double>(map[i + 1].tick - map[i].tick) * per_tick;
            if (s + span < seconds) {
                s += span;
                continue;
            }
        }
        return map[i].tick + static_cast<std::uint64_t>(std::ceil((seconds - s) / per_tick));
    }
    return 0;
}

void PutTrack(std::vector<std::uint8_t>& smf, OutTrack& t) {
    std::stable_sort(t.events.begin(), t.events.end(), [](const MidiEvent& a, const MidiEvent& c) {
        return a.tick != c.tick ? a.tick < c.tick : a.off && !c.off;
    });
    std::vector<std::uint8_t> body;
    std::uint32_t last = 0;
    for (const MidiEvent& e : t.events) {
        PutVarLen(body, e.tick - last);
        last = e.tick;
        if (e.len) body.insert(body.end(), e.msg.begin(), e.msg.begin() + e.len);
        else body.insert(body.end(), t.blobs[e.blob].begin(), t.blobs[e.blob].end());
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    smf.insert(smf.end(), {'M', 'T', 'r', 'k'});
    auto n = static_cast<std::uint32_t>(body.size());
    smf.insert(smf.end(), {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                           static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    smf.insert(smf.end(), body.begin(), body.end());
}

// One track of the file into `tracks`, unless muted or empty.
void ConvertTrack(std::string_view b, const Header& h, std::size_t pos, std::size_t end, const TrackHeader& t,
                  Budget& budget, std::vector<TempoChange>& tempos, std::vector<OutTrack>& tracks,
                  WalkCounts& counts) {
    if (t.muted) return;
    OutTrack out;
    std::size_t labels = 0;
    auto label = [&](std::vector<std::uint8_t> meta) {
        if (budget.events_left == 0) return;
        --budget.events_left;
        out.AddBlob(0, std::move(meta));
        ++labels;
    };
    if (!t.name.empty()) label(Meta(0x03, t.name));
    // The second MIDI port's channels share the first port's numbers; the
    // port event keeps them apart for players with two ports.
    if (t.channel >= 16 && t.channel < 32) label(Meta(0x21, std::string_view("\x01", 1)));
    TrackPlay play;
    play.channel = t.channel < 32 ? static_cast<int>(t.channel & 15) : -1;
    play.transpose = t.IsRhythm() ? 0 : Signed7(t.key) + h.play_bias;
    play.shift = t.step_bias;
    TrackWalker walker(b, h, pos, pos + h.at->track_header, end, budget, tempos, out, counts);
    walker.Walk(play);
    // A track of nothing but its name and port is left out.
    if (out.events.size() > labels) tracks.push_back(std::move(out));
}

}  // namespace

ConvertResult ConvertRcp(std::string_view b, const ConvertLimits& limits, const Progress& progress) {
    ConvertResult r;
    std::optional<Header> header = ReadHeader(b);
    if (!header) {
        r.error = ConvertError::NotRcp;
        return r;
    }
    const Header& h = *header;
    ConvertReport& rep = r.report;
    rep.layout = h.layout;
    rep.title = h.title;
    rep.tempo = h.tempo;

    Budget budget{limits.max_events, 4 * static_cast<std::uint64_t>(limits.max_events) + kSpareCommands,
                  static_cast<std::uint64_t>(std::ceil(limits.max_seconds * kMaxBpm / 60.0 * h.timebase)) + 1};
    std::vector<TempoChange> tempos = {{0, static_cast<double>(h.tempo)}};
    std::vector<OutTrack> tracks;
    WalkCounts counts;

    std::size_t pos = h.at->tracks;
    for (unsigned i = 0; i < h.track_count; ++i) {
        if (progress && !progress(static_cast<int>(i * 100 / h.track_count))) {
            r.error = ConvertError::Cancelled;
            return r;
        }
        if (pos + h.at->track_header > b.size()) {  // the file ends before its last tracks
            ++counts.broken;
            break;
        }
        TrackHeader t = ReadTrackHeader(b, h, pos);
        if (t.size < h.at->track_header) {  // a broken size: nothing after it can be found
            ++counts.broken;
            break;
        }
        const bool torn = pos + t.size > b.size();  // the rest of the file, and no track after it
        if (torn) ++counts.broken;
        std::size_t end = torn ? b.size() : pos + t.size;
        ConvertTrack(b, h, pos, end, t, budget, tempos, tracks, counts);
        if (torn) break;
        pos = end;
    }
    rep.skipped = counts.skipped;
    rep.broken = counts.broken;

    std::stable_sort(tempos.begin(), tempos.end(), [](auto& a, auto& c) { return a.tick < c.tick; });
    tempos = ExpandRamps(tempos);
    // The time bound: everything after the tick at which it is reached goes,
    // except the ends of notes already sounding, which move onto that tick.
    std::uint64_t cut = std::min<std::uint64_t>(TickAt(tempos, h.timebase, limits.max_seconds), 0xFFFFFFFF);
    if (cut == 0) cut = 1;
    std::uint64_t last = 0;
    for (OutTrack& t : tracks) {
        std::size_t kept = 0;
        for (MidiEvent& e : t.events) {
            if ((e.off ? e.blob : e.tick) >= cut) {
                rep.cut = true;
                continue;
            }
            if (e.tick > cut) e.tick = static_cast<std::uint32_t>(cut);
            t.events[kept++] = e;
        }
        t.events.resize(kept);
        for (const MidiEvent& e : t.events) {
            last = std::max<std::uint64_t>(last, e.tick);
            if (e.len == 3 && (e.msg[0] & 0xF0) == 0x90) ++rep.notes;
        }
    }
    rep.cut = rep.cut || budget.cut;

    OutTrack conductor;
    if (!h.title.empty()) conductor.AddBlob(0, Meta(0x03, h.title));
    for (const std::string& line : h.memo)
        if (!line.empty()) conductor.AddBlob(0, Meta(0x01, line));
    unsigned den_log = 0;
    while ((1u << den_log) < h.beat_den && den_log < 7) ++den_log;
    char ts[4] = {static_cast<char>(std::clamp(h.beat_num, 1u, 255u)), static_cast<char>(den_log), 24, 8};
    conductor.AddBlob(0, Meta(0x58, std::string_view(ts, 4)));
    conductor.AddBlob(0, KeyMeta(h.key));
    for (const TempoChange& t : tempos)
        if (t.tick <= cut) conductor.AddBlob(static_cast<std::uint32_t>(t.tick), TempoMeta(t.bpm));

    rep.tracks = static_cast<int>(tracks.size());
    rep.seconds = SecondsAt(tempos, h.timebase, last);

    auto n = static_cast<std::uint16_t>(tracks.size() + 1);
    r.smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n),
             static_cast<std::uint8_t>((h.timebase >> 8) & 0x7F), static_cast<std::uint8_t>(h.timebase)};
    PutTrack(r.smf, conductor);
    for (OutTrack& t : tracks) PutTrack(r.smf, t);
    if (progress) progress(100);
    return r;
}

}  // namespace nuko::rcpcv
