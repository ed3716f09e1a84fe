#include "midi_song.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nuko::midi {
namespace {

// Ticks beyond this are not followed: FluidSynth counts ticks in an int.
constexpr std::uint32_t kMaxTick = 0x3FFFFFFF;
// The longest delta time a file can say: four bytes of seven bits.
constexpr std::uint32_t kMaxDelta = 0x0FFFFFFF;

std::uint32_t Be32(std::string_view b, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}
std::uint16_t Be16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(b[at]) << 8) | static_cast<unsigned char>(b[at + 1]));
}
std::uint32_t Le32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
}

class TrackReader {
public:
    explicit TrackReader(std::string_view data) : d_(data) {}
    bool AtEnd() const { return pos_ >= d_.size(); }
    bool Byte(std::uint8_t* out) {
        if (pos_ >= d_.size()) return false;
        *out = static_cast<std::uint8_t>(d_[pos_++]);
        return true;
    }
    bool Peek(std::uint8_t* out) const {
        if (pos_ >= d_.size()) return false;
        *out = static_cast<std::uint8_t>(d_[pos_]);
        return true;
    }
    // A variable-length quantity of at most four bytes.
    bool VarLen(std::uint32_t* out) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!Byte(&b)) return false;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) {
                *out = v;
                return true;
            }
        }
        return false;
    }
    bool Take(std::uint32_t n, std::string_view* out) {
        if (n > d_.size() - pos_) return false;
        *out = d_.substr(pos_, n);
        pos_ += n;
        return true;
    }

private:
    std::string_view d_;
    std::size_t pos_ = 0;
};

int DataBytesOf(std::uint8_t status) {
    switch (status & 0xF0) {
        case 0xC0:
        case 0xD0: return 1;
        default: return 2;
    }
}

// Reads one track's events from `start_tick` on; returns the tick where the
// track ends. Anything malformed ends the track there.
std::uint32_t ReadTrack(std::string_view data, std::uint32_t start_tick, std::vector<Event>& out) {
    TrackReader r(data);
    std::uint32_t tick = start_tick;
    std::uint8_t running = 0;
    while (!r.AtEnd()) {
        std::uint32_t delta;
        if (!r.VarLen(&delta) || delta > kMaxTick - tick) break;
        std::uint8_t first;
        if (!r.Peek(&first)) break;
        std::uint8_t status = first;
        if (first < 0x80) {
            if (!running) break;  // a data byte with nothing to continue
            status = running;
        } else {
            r.Byte(&first);
        }
        Event e;
        e.tick = tick + delta;
        if (status < 0xF0) {
            e.bytes.push_back(static_cast<char>(status));
            bool ok = true;
            for (int i = 0; i < DataBytesOf(status); ++i) {
                std::uint8_t b;
                if (!r.Byte(&b) || b >= 0x80) {
                    ok = false;
                    break;
                }
                e.bytes.push_back(static_cast<char>(b));
            }
            if (!ok) break;
            running = status;
        } else if (status == 0xFF) {
            std::uint8_t type;
            std::uint32_t len;
            std::string_view payload;
            if (!r.Byte(&type) || !r.VarLen(&len) || !r.Take(len, &payload)) break;
            tick = e.tick;
            if (type == 0x2F) return tick;  // end of track
            e.bytes.push_back(static_cast<char>(0xFF));
            e.bytes.push_back(static_cast<char>(type));
            e.bytes.append(payload);
            out.push_back(std::move(e));
            continue;  // running status survives meta events, as players expect
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t len;
            std::string_view payload;
            if (!r.VarLen(&len) || !r.Take(len, &payload)) break;
            e.bytes.push_back(static_cast<char>(status));
            e.bytes.append(payload);
            running = 0;
        } else {
            break;  // system common and real-time bytes have no place in a file
        }
        tick = e.tick;
        out.push_back(std::move(e));
    }
    return tick;
}

void AppendVarLen(std::string& out, std::uint32_t v) {
    char buf[5];
    int n = 0;
    buf[n++] = static_cast<char>(v & 0x7F);
    while (v >>= 7) buf[n++] = static_cast<char>(0x80 | (v & 0x7F));
    while (n) out.push_back(buf[--n]);
}

void AppendBe32(std::string& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>((v >> s) & 0xFF));
}

}  // namespace

std::string_view UnwrapRmi(std::string_view b) {
    if (b.size() < 12 || b.substr(0, 4) != "RIFF" || b.substr(8, 4) != "RMID") return b;
    std::size_t pos = 12;
    while (pos + 8 <= b.size()) {
        std::uint32_t len = Le32(b, pos + 4);
        std::string_view id = b.substr(pos, 4);
        std::size_t body = pos + 8;
        std::size_t avail = std::min<std::size_t>(len, b.size() - body);
        if (id == "data") return b.substr(body, avail);
        if (len > b.size() - body) break;
        pos = body + len + (len & 1);
    }
    return b;
}

std::optional<Song> ParseSmf(std::string_view bytes, std::string* error) {
    auto fail = [&](const char* why) -> std::optional<Song> {
        if (error) *error = why;
        return std::nullopt;
    };
    std::string_view b = UnwrapRmi(bytes);
    if (b.size() < 14 || b.substr(0, 4) != "MThd") return fail("not a standard MIDI file");
    std::uint32_t header_len = Be32(b, 4);
    if (header_len < 6 || header_len > b.size() - 8) return fail("broken header");
    std::uint16_t format = Be16(b, 8);
    std::uint16_t division = Be16(b, 12);

    Song song;
    bool time_code = (division & 0x8000) != 0;
    if (time_code) {
        // Frames a second times ticks a frame: ticks a second. Played as a
        // quarter note a second, which keeps every tick where it belongs.
        int fps = -static_cast<std::int8_t>(division >> 8);
        int per_frame = division & 0xFF;
        if (fps == 29) fps = 30;
        if (fps <= 0 || per_frame == 0 || fps * per_frame > 0x7FFF) return fail("unusable time division");
        song.division_ = fps * per_frame;
    } else {
        if (division == 0) return fail("unusable time division");
        song.division_ = division;
    }

    std::vector<std::vector<Event>> tracks;
    std::uint32_t end = 0;
    std::size_t pos = 8 + header_len;
    while (pos + 8 <= b.size()) {
        std::string_view id = b.substr(pos, 4);
        std::uint32_t len = Be32(b, pos + 4);
        std::size_t body = pos + 8;
        std::size_t avail = std::min<std::size_t>(len, b.size() - body);
        if (id == "MTrk") {
            tracks.emplace_back();
            // Format 2 holds independent patterns that play one after another.
            std::uint32_t start = format == 2 ? end : 0;
            std::uint32_t track_end = ReadTrack(b.substr(body, avail), start, tracks.back());
            end = std::max(end, track_end);
        }
        if (len > b.size() - body) break;
        pos = body + len;
    }
    if (tracks.empty()) return fail("no track");

    // Merge by tick; at equal ticks earlier tracks first, each in its order.
    std::size_t total = 0;
    for (const auto& t : tracks) total += t.size();
    song.events_.reserve(total);
    for (auto& t : tracks)
        for (auto& e : t) song.events_.push_back(std::move(e));
    std::stable_sort(song.events_.begin(), song.events_.end(),
                     [](const Event& a, const Event& c) { return a.tick < c.tick; });
    if (time_code) {
        // Tempo means nothing against time code.
        std::erase_if(song.events_, [](const Event& e) {
            return e.bytes.size() >= 2 && e.IsMeta() && static_cast<unsigned char>(e.bytes[1]) == 0x51;
        });
    }
    for (const auto& e : song.events_) end = std::max(end, e.tick);
    song.end_tick_ = end;
    song.time_code_ = time_code;
    song.BuildTempoMap();
    return song;
}

Song Song::FromEvents(const Song& from, std::vector<Event> events, std::uint32_t end_tick) {
    Song song;
    song.division_ = from.division_;
    song.time_code_ = from.time_code_;
    song.events_ = std::move(events);
    song.end_tick_ = std::min(kMaxTick, std::max(end_tick, song.events_.empty() ? 0u : song.events_.back().tick));
    song.BuildTempoMap();
    return song;
}

void Song::BuildTempoMap() {
    tempo_map_ = {{0, time_code_ ? 1000000u : 500000u}};
    change_us_ = {0};
    if (time_code_) return;
    for (const auto& e : events_) {
        if (!e.IsMeta() || e.bytes.size() != 5 || static_cast<unsigned char>(e.bytes[1]) != 0x51) continue;
        std::uint32_t us = (static_cast<std::uint32_t>(static_cast<unsigned char>(e.bytes[2])) << 16) |
                           (static_cast<std::uint32_t>(static_cast<unsigned char>(e.bytes[3])) << 8) |
                           static_cast<unsigned char>(e.bytes[4]);
        if (us == 0) continue;
        if (tempo_map_.back().tick == e.tick)
            tempo_map_.back().usec_per_quarter = us;
        else
            tempo_map_.push_back({e.tick, us});
    }
    change_us_.assign(tempo_map_.size(), 0);
    for (std::size_t i = 1; i < tempo_map_.size(); ++i) {
        std::int64_t ticks = tempo_map_[i].tick - tempo_map_[i - 1].tick;
        change_us_[i] = change_us_[i - 1] + ticks * tempo_map_[i - 1].usec_per_quarter / division_;
    }
}

namespace {
std::size_t ChangeIndexAt(const std::vector<TempoChange>& map, std::uint32_t tick) {
    auto it = std::upper_bound(map.begin(), map.end(), tick,
                               [](std::uint32_t t, const TempoChange& c) { return t < c.tick; });
    return static_cast<std::size_t>(it - map.begin()) - 1;
}
}  // namespace

std::int64_t Song::TickToUs(std::uint32_t tick) const {
    std::size_t i = ChangeIndexAt(tempo_map_, tick);
    return change_us_[i] + static_cast<std::int64_t>(tick - tempo_map_[i].tick) * tempo_map_[i].usec_per_quarter / division_;
}

std::int64_t Song::TickToMs(std::uint32_t tick) const { return TickToUs(tick) / 1000; }

std::uint32_t Song::MsToTick(std::int64_t ms) const {
    if (ms <= 0) return 0;
    std::int64_t us = ms * 1000;
    std::size_t i = static_cast<std::size_t>(
        std::upper_bound(change_us_.begin(), change_us_.end(), us) - change_us_.begin()) - 1;
    std::int64_t ticks = (us - change_us_[i]) * division_ / tempo_map_[i].usec_per_quarter;
    std::int64_t tick = tempo_map_[i].tick + ticks;
    return static_cast<std::uint32_t>(std::min<std::int64_t>(tick, end_tick_));
}

std::uint32_t Song::TempoAt(std::uint32_t tick) const { return tempo_map_[ChangeIndexAt(tempo_map_, tick)].usec_per_quarter; }

int Song::BpmAt(std::uint32_t tick) const {
    return static_cast<int>(std::lround(60000000.0 / TempoAt(tick)));
}

std::uint32_t Song::SixteenthsAt(std::uint32_t tick) const {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(tick) * 4 / static_cast<std::uint64_t>(division_));
}

namespace {
// A text that no song carries: it begins with a NUL byte.
constexpr std::string_view kSysexMarker("\0nuko-sysex:", 12);
}  // namespace

std::optional<std::size_t> SysexMarkerIndex(std::string_view text) {
    if (text.substr(0, kSysexMarker.size()) != kSysexMarker) return std::nullopt;
    std::size_t index = 0;
    std::size_t digits = 0;
    for (char c : text.substr(kSysexMarker.size())) {
        if (c < '0' || c > '9') break;
        if (index > (std::numeric_limits<std::size_t>::max() - 9) / 10) return std::nullopt;
        index = index * 10 + static_cast<std::size_t>(c - '0');
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return index;
}

std::string Song::ToSmf(bool sysex_as_markers) const {
    std::string track;
    std::uint32_t last = 0;
    if (time_code_) {
        // Pin the tempo that makes one quarter note one second.
        track += std::string("\x00\xFF\x51\x03\x0F\x42\x40", 7);
    }
    // Songs of several tracks, or without the tempo events of time code,
    // can leave a gap longer than one delta time: it is bridged by repeating
    // the tempo in force, which changes nothing.
    auto advance_to = [&](std::uint32_t tick) {
        while (tick - last > kMaxDelta) {
            last += kMaxDelta;
            AppendVarLen(track, kMaxDelta);
            std::uint32_t us = TempoAt(last);
            track += std::string("\xFF\x51\x03", 3);
            for (int s = 16; s >= 0; s -= 8) track.push_back(static_cast<char>((us >> s) & 0xFF));
        }
        AppendVarLen(track, tick - last);
        last = tick;
    };
    for (std::size_t i = 0; i < events_.size(); ++i) {
        const Event& e = events_[i];
        advance_to(e.tick);
        auto s = static_cast<unsigned char>(e.bytes[0]);
        if (sysex_as_markers && (s == 0xF0 || s == 0xF7)) {
            std::string text(kSysexMarker);
            text += std::to_string(i);
            track += std::string("\xFF\x01", 2);
            AppendVarLen(track, static_cast<std::uint32_t>(text.size()));
            track += text;
        } else if (s == 0xFF) {
            track.append(e.bytes, 0, 2);
            AppendVarLen(track, static_cast<std::uint32_t>(e.bytes.size() - 2));
            track.append(e.bytes, 2);
        } else if (s == 0xF0 || s == 0xF7) {
            track.push_back(e.bytes[0]);
            AppendVarLen(track, static_cast<std::uint32_t>(e.bytes.size() - 1));
            track.append(e.bytes, 1);
        } else {
            track += e.bytes;
        }
    }
    advance_to(end_tick_);
    track += std::string("\xFF\x2F\x00", 3);

    std::string out = "MThd";
    AppendBe32(out, 6);
    out += std::string("\x00\x00\x00\x01", 4);
    out.push_back(static_cast<char>((division_ >> 8) & 0x7F));
    out.push_back(static_cast<char>(division_ & 0xFF));
    out += "MTrk";
    AppendBe32(out, static_cast<std::uint32_t>(track.size()));
    out += track;
    return out;
}

}  // namespace nuko::midi
