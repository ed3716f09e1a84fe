#include "rcp_convert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace nuko::rcpcv {
namespace {

constexpr std::string_view kRcp2Signature = "RCM-PC98V2.0(C)COME ON MUSIC";
constexpr std::string_view kRcp3Signature = "COME ON MUSIC RECOMPOSER RCP3.0";

// Where the header fields sit in each layout.
struct HeaderLayout {
    std::size_t title, title_size;
    std::size_t memo, memo_line, memo_lines;
    std::size_t user_sysex;
    std::size_t tracks;        // first track header
    std::size_t track_header;  // bytes of a track header
    std::size_t event;         // bytes of an event
};
constexpr HeaderLayout kRcp2 = {0x20, 0x40, 0x60, 0x1C, 12, 0x406, 0x586, 0x2C, 4};
constexpr HeaderLayout kRcp3 = {0x20, 0x80, 0xA0, 0x1E, 12, 0xB18, 0xC98, 0x2E, 6};

constexpr int kUserSysexCount = 8;
constexpr std::size_t kUserSysexSize = 0x30;  // 24 name bytes, 24 data bytes
constexpr std::size_t kMaxLoopDepth = 16;
// Commands read in all tracks, beyond the events they may make: a repeat
// that emits nothing and takes no time ends there.
constexpr std::uint64_t kSpareCommands = 1'000'000;
// The fastest tempo a tempo change can reach (255 bpm times 255/64), for the
// tick bound that holds before the tempo map is known.
constexpr double kMaxBpm = 1020;
// The slowest tempo a standard MIDI file holds (0xFFFFFF microseconds a
// quarter note).
constexpr double kMinBpm = 60'000'000.0 / 0xFFFFFF;

unsigned Byte(std::string_view b, std::size_t at) {
    return at < b.size() ? static_cast<unsigned char>(b[at]) : 0u;
}
unsigned Word(std::string_view b, std::size_t at) { return Byte(b, at) | Byte(b, at + 1) << 8; }
std::uint32_t Long(std::string_view b, std::size_t at) {
    return Word(b, at) | static_cast<std::uint32_t>(Word(b, at + 2)) << 16;
}

std::string TrimmedText(std::string_view b, std::size_t at, std::size_t size) {
    if (at >= b.size()) return {};
    std::string_view s = b.substr(at, size);
    std::size_t nul = s.find('\0');
    if (nul != std::string_view::npos) s = s.substr(0, nul);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
    return std::string(s);
}

struct Header {
    RcpLayout layout = RcpLayout::Rcp2;
    const HeaderLayout* at = &kRcp2;
    std::string title;
    std::vector<std::string> memo;
    unsigned timebase = 48;
    unsigned tempo = 120;
    unsigned beat_num = 4, beat_den = 4;
    unsigned key = 0;
    int play_bias = 0;
    unsigned track_count = 0;
    std::array<std::vector<std::uint8_t>, kUserSysexCount> user_sysex;
};

int Signed7(unsigned v) { return v & 0x40 ? static_cast<int>(v) - 0x80 : static_cast<int>(v); }
int Signed8(unsigned v) { return v & 0x80 ? static_cast<int>(v) - 0x100 : static_cast<int>(v); }

std::optional<Header> ReadHeader(std::string_view b) {
    Header h;
    if (!DetectLayout(b, &h.layout)) return std::nullopt;
    h.at = h.layout == RcpLayout::Rcp2 ? &kRcp2 : &kRcp3;
    if (b.size() < h.at->tracks) return std::nullopt;
    h.title = TrimmedText(b, h.at->title, h.at->title_size);
    for (std::size_t i = 0; i < h.at->memo_lines; ++i)
        h.memo.push_back(TrimmedText(b, h.at->memo + i * h.at->memo_line, h.at->memo_line));
    if (h.layout == RcpLayout::Rcp2) {
        h.timebase = Byte(b, 0x1C0) | Byte(b, 0x1E7) << 8;
        h.tempo = Byte(b, 0x1C1);
        h.beat_num = Byte(b, 0x1C2);
        h.beat_den = Byte(b, 0x1C3);
        h.key = Byte(b, 0x1C4);
        h.play_bias = Signed8(Byte(b, 0x1C5));
        h.track_count = Byte(b, 0x1E6);
        // Files of the first versions leave the count at zero and hold 18.
        if (h.track_count == 0) h.track_count = 18;
    } else {
        h.track_count = Word(b, 0x208);
        h.timebase = Word(b, 0x20A);
        h.tempo = Word(b, 0x20C);
        h.beat_num = Byte(b, 0x20E);
        h.beat_den = Byte(b, 0x20F);
        h.key = Byte(b, 0x210);
        h.play_bias = Signed8(Byte(b, 0x211));
    }
    if (h.timebase == 0) h.timebase = 48;
    if (h.tempo == 0) h.tempo = 120;
    h.track_count = std::min(h.track_count, 36u);
    for (int i = 0; i < kUserSysexCount; ++i) {
        std::size_t data = h.at->user_sysex + i * kUserSysexSize + 0x18;
        for (std::size_t k = 0; k < 0x18; ++k) {
            unsigned c = Byte(b, data + k);
            if (c == 0xF7) break;
            h.user_sysex[i].push_back(static_cast<std::uint8_t>(c));
        }
    }
    return h;
}

// An SMF event before it is written: a short message inline, anything
// longer (meta, exclusive) in the blob pool, already in file form.
struct MidiEvent {
    std::uint32_t tick;
    bool off;          // note-offs go first among events of one tick
    std::uint8_t len;  // 1 ... 3 inline bytes; 0: blob
    std::array<std::uint8_t, 3> msg;
    std::uint32_t blob;
};

struct OutTrack {
    std::vector<MidiEvent> events;
    std::vector<std::vector<std::uint8_t>> blobs;
};

struct TempoChange {
    std::uint64_t tick;
    double bpm;
};

void PutVarLen(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t tmp[5];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while ((v >>= 7) != 0) tmp[n++] = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
    while (n > 0) out.push_back(tmp[--n]);
}

std::vector<std::uint8_t> Meta(std::uint8_t type, std::string_view data) {
    std::vector<std::uint8_t> m = {0xFF, type};
    PutVarLen(m, static_cast<std::uint32_t>(data.size()));
    m.insert(m.end(), data.begin(), data.end());
    return m;
}

std::vector<std::uint8_t> TempoMeta(double bpm) {
    auto us = static_cast<std::uint32_t>(std::clamp(std::lround(60'000'000.0 / bpm), 1L, 0xFFFFFFL));
    char d[3] = {static_cast<char>(us >> 16), static_cast<char>(us >> 8), static_cast<char>(us)};
    return Meta(0x51, std::string_view(d, 3));
}

// The key byte: low three bits the count of accidentals, bit 3 flats,
// bit 4 minor.
std::vector<std::uint8_t> KeyMeta(unsigned key) {
    int count = static_cast<int>(key & 7);
    char d[2] = {static_cast<char>(key & 8 ? -count : count), static_cast<char>(key & 0x10 ? 1 : 0)};
    return Meta(0x59, std::string_view(d, 2));
}

// One command of the track, fields named after what a note holds.
struct Command {
    unsigned cmd, step, gate, vel;
};

// Shared by the walks of all tracks.
struct Budget {
    std::size_t events_left;
    std::uint64_t commands_left;
    std::uint64_t tick_cap;
    bool cut = false;
};

class TrackWalker {
public:
    TrackWalker(std::string_view file, const Header& h, std::size_t begin, std::size_t end, Budget& budget,
                std::vector<TempoChange>& tempos, OutTrack& out, std::uint64_t& skipped)
        : b_(file), h_(h), begin_(begin), end_(end), budget_(budget), tempos_(tempos), out_(out), skipped_(skipped) {
        for (auto& row : sounding_) row.fill(kNone);
        roland_ = {0x10, 0x42, 0x40, 0x00};
        yamaha_ = {0x10, 0x4C, 0x00, 0x00};
        MapMeasures();
    }

    void Walk(int channel, int transpose, int start_offset) {
        channel_ = channel;
        transpose_ = transpose;
        start_offset_ = start_offset;
        std::size_t pos = begin_;
        std::optional<std::size_t> same_measure_return;
        std::vector<std::pair<std::size_t, long>> loops;  // body start, repeats left (-1: not yet known)
        const std::size_t ev = h_.at->event;
        while (pos + ev <= end_) {
            if (budget_.commands_left == 0 || tick_ > budget_.tick_cap) {
                budget_.cut = true;
                break;
            }
            --budget_.commands_left;
            Command c = Read(pos);
            pos += ev;
            switch (c.cmd) {
                case 0xFE:  // track end
                case 0xFD:  // measure end
                    if (same_measure_return) {
                        pos = *same_measure_return;
                        same_measure_return.reset();
                        continue;
                    }
                    if (c.cmd == 0xFE) return;
                    continue;
                case 0xFC: {  // play an earlier measure again
                    std::optional<std::size_t> target = SameMeasureTarget(c);
                    if (same_measure_return || !target) {
                        ++skipped_;
                        continue;
                    }
                    same_measure_return = pos;
                    pos = *target;
                    continue;
                }
                case 0xF9:  // loop start
                    if (loops.size() >= kMaxLoopDepth) {
                        ++skipped_;
                        continue;
                    }
                    loops.emplace_back(pos, -1);
                    continue;
                case 0xF8: {  // loop end, the count in the step field; 0 repeats forever
                    // Some writers leave the step at 0 and put the count in
                    // the gate; an endless loop is cut anyway, so a count
                    // found there is taken.
                    unsigned count = c.step != 0 ? c.step : c.gate;
                    if (loops.empty()) {
                        ++skipped_;
                        continue;
                    }
                    auto& [start, left] = loops.back();
                    if (left < 0) left = count == 0 ? std::numeric_limits<long>::max() : static_cast<long>(count) - 1;
                    if (left > 0) {
                        --left;
                        pos = start;
                    } else {
                        loops.pop_back();
                    }
                    continue;
                }
                case 0xF7:  // continuation outside an exclusive or comment
                    continue;
                case 0xF6: {  // comment
                    std::vector<std::uint8_t> text = {static_cast<std::uint8_t>(c.gate), static_cast<std::uint8_t>(c.vel)};
                    pos = Continuation(pos, text, false);
                    std::string s(text.begin(), text.end());
                    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
                    if (!s.empty()) Blob(Meta(0x01, s));
                    continue;
                }
                default:
                    break;
            }
            if (c.cmd < 0x80) {
                Note(c);
            } else if (c.cmd >= 0x90 && c.cmd <= 0x97) {
                const auto& def = h_.user_sysex[c.cmd - 0x90];
                if (!def.empty()) Exclusive(def, c.gate, c.vel);
            } else if (c.cmd == 0x98) {
                std::vector<std::uint8_t> data;
                pos = Continuation(pos, data, true);
                Exclusive(data, c.gate, c.vel);
            } else {
                Control(c);
            }
            tick_ += c.step;
        }
        if (pos + ev > end_ && pos < end_) ++skipped_;  // a torn last command
    }

    std::uint64_t end_tick() const { return tick_; }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    Command Read(std::size_t pos) const {
        if (h_.layout == RcpLayout::Rcp2)
            return {Byte(b_, pos), Byte(b_, pos + 1), Byte(b_, pos + 2), Byte(b_, pos + 3)};
        return {Byte(b_, pos), Word(b_, pos + 2), Word(b_, pos + 4), Byte(b_, pos + 1)};
    }

    // Where each measure starts: the first command and each one after a
    // measure end.
    void MapMeasures() {
        const std::size_t ev = h_.at->event;
        measures_.push_back(begin_);
        for (std::size_t pos = begin_; pos + ev <= end_; pos += ev) {
            unsigned cmd = Byte(b_, pos);
            if (cmd == 0xFE) break;
            if (cmd == 0xFD && pos + ev < end_) measures_.push_back(pos + ev);
        }
    }

    // The reference holds the measure's byte offset and its number. The
    // offset counts from the track header, or in some writers from the
    // first command; it wins when it names a measure start.
    std::optional<std::size_t> SameMeasureTarget(const Command& c) const {
        std::size_t measure, offset;
        if (h_.layout == RcpLayout::Rcp2) {
            measure = c.gate | (c.vel & 3) << 8;
            offset = (c.vel & 0xFC) | c.step << 8;
        } else {
            measure = c.gate;
            offset = c.step;
        }
        std::size_t track_start = begin_ - h_.at->track_header;
        for (std::size_t at : {track_start + offset, begin_ + offset})
            if (std::binary_search(measures_.begin(), measures_.end(), at)) return at;
        if (measure < measures_.size()) return measures_[measure];
        return std::nullopt;
    }

    // Gathers the data bytes of the continuation commands after `pos`; an
    // exclusive ends at its first 0xF7 data byte.
    std::size_t Continuation(std::size_t pos, std::vector<std::uint8_t>& data, bool exclusive) {
        const std::size_t ev = h_.at->event;
        while (pos + ev <= end_ && Byte(b_, pos) == 0xF7) {
            Command c = Read(pos);
            pos += ev;
            for (unsigned v : {c.gate & 0xFF, c.vel}) {
                if (exclusive && v == 0xF7) return pos;
                data.push_back(static_cast<std::uint8_t>(v));
            }
        }
        return pos;
    }

    std::uint32_t Tick() const {
        std::int64_t t = static_cast<std::int64_t>(tick_) + start_offset_;
        return static_cast<std::uint32_t>(std::max<std::int64_t>(t, 0));
    }

    bool Room() {
        if (budget_.events_left == 0) {
            budget_.cut = true;
            return false;
        }
        --budget_.events_left;
        return true;
    }

    void Short(std::uint32_t tick, bool off, std::uint8_t s, std::uint8_t d1, std::uint8_t d2, std::uint8_t len) {
        if (!Room()) return;
        out_.events.push_back({tick, off, len, {s, d1, d2}, 0});
    }

    void Blob(std::vector<std::uint8_t> bytes) {
        if (!Room()) return;
        out_.events.push_back({Tick(), false, 0, {}, static_cast<std::uint32_t>(out_.blobs.size())});
        out_.blobs.push_back(std::move(bytes));
    }

    void Note(const Command& c) {
        if (c.gate == 0 || c.vel == 0 || channel_ < 0) return;
        int key = static_cast<int>(c.cmd) + transpose_;
        if (key < 0 || key > 127) {
            ++skipped_;
            return;
        }
        const std::uint32_t on = Tick();
        const std::uint32_t off = on + c.gate;
        std::uint32_t& sounding = sounding_[channel_][key];
        // The same key struck again while it sounds: the earlier note ends
        // where the new one begins rather than cutting the new one short.
        if (sounding != kNone && out_.events[sounding].tick > on) out_.events[sounding].tick = on;
        if (budget_.events_left < 2) {
            budget_.cut = true;
            budget_.events_left = 0;
            return;
        }
        auto ch = static_cast<std::uint8_t>(channel_);
        Short(on, false, 0x90 | ch, static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(std::min(c.vel, 127u)), 3);
        sounding = static_cast<std::uint32_t>(out_.events.size());
        Short(off, true, 0x80 | ch, static_cast<std::uint8_t>(key), 0x40, 3);
        out_.events.back().blob = on;  // a note-off keeps its start, for the time bound
    }

    // User and track exclusives: 0x80 and 0x81 stand for the command's two
    // values, 0x82 for the channel, 0x83 starts the checksum and 0x84 puts
    // it.
    void Exclusive(const std::vector<std::uint8_t>& def, unsigned v1, unsigned v2) {
        std::vector<std::uint8_t> data;
        unsigned sum = 0;
        for (std::uint8_t d : def) {
            unsigned v;
            switch (d) {
                case 0x80: v = v1 & 0x7F; break;
                case 0x81: v = v2 & 0x7F; break;
                case 0x82: v = channel_ < 0 ? 0 : static_cast<unsigned>(channel_); break;
                case 0x83: sum = 0; continue;
                case 0x84: v = (0x80 - (sum & 0x7F)) & 0x7F; break;
                default: v = d; break;
            }
            sum += v;
            data.push_back(static_cast<std::uint8_t>(v));
        }
        SysEx(data);
    }

    void SysEx(const std::vector<std::uint8_t>& body) {
        if (channel_ < 0 || body.empty()) return;
        std::vector<std::uint8_t> e = {0xF0};
        PutVarLen(e, static_cast<std::uint32_t>(body.size() + 1));
        e.insert(e.end(), body.begin(), body.end());
        e.push_back(0xF7);
        Blob(std::move(e));
    }

    void Control(const Command& c) {
        const auto v1 = static_cast<std::uint8_t>(c.gate & 0x7F), v2 = static_cast<std::uint8_t>(c.vel & 0x7F);
        const auto ch = static_cast<std::uint8_t>(channel_ < 0 ? 0 : channel_);
        const bool live = channel_ >= 0;
        switch (c.cmd) {
            case 0xD0: yamaha_[2] = v1, yamaha_[3] = v2; return;  // base address
            case 0xD1: yamaha_[0] = v1, yamaha_[1] = v2; return;  // device, model
            case 0xD2:
            case 0xD3: {  // address and send; XG fixes device and model
                std::uint8_t dev = c.cmd == 0xD3 ? 0x10 : yamaha_[0], model = c.cmd == 0xD3 ? 0x4C : yamaha_[1];
                SysEx({0x43, dev, model, yamaha_[2], yamaha_[3], v1, v2});
                return;
            }
            case 0xDD: roland_[2] = v1, roland_[3] = v2; return;  // base address
            case 0xDF: roland_[0] = v1, roland_[1] = v2; return;  // device, model
            case 0xDE: {  // parameter: address low byte and data, sent as DT1
                unsigned sum = roland_[2] + roland_[3] + v1 + v2;
                SysEx({0x41, roland_[0], roland_[1], 0x12, roland_[2], roland_[3], v1, v2,
                       static_cast<std::uint8_t>((0x80 - (sum & 0x7F)) & 0x7F)});
                return;
            }
            case 0xE1:  // bank (LSB) and program
            case 0xE2:  // bank (MSB) and program
                if (!live) return;
                Short(Tick(), false, 0xB0 | ch, c.cmd == 0xE1 ? 0x20 : 0x00, v2, 3);
                Short(Tick(), false, 0xC0 | ch, v1, 0, 2);
                return;
            case 0xE6:  // channel: 1 ... 32 (the second port folds onto the first), 0 none
                channel_ = c.gate == 0 || c.gate > 32 ? -1 : static_cast<int>((c.gate - 1) & 15);
                return;
            case 0xE7: {  // tempo, in 64ths of the song's tempo
                if (c.gate == 0) return;
                double bpm = h_.tempo * (c.gate & 0xFF) / 64.0;
                tempos_.push_back({Tick(), std::max(bpm, kMinBpm)});
                return;
            }
            case 0xEA: if (live) Short(Tick(), false, 0xD0 | ch, v1, 0, 2); return;
            case 0xEB: if (live) Short(Tick(), false, 0xB0 | ch, v1, v2, 3); return;
            case 0xEC: if (live) Short(Tick(), false, 0xC0 | ch, v1, 0, 2); return;
            case 0xED: if (live) Short(Tick(), false, 0xA0 | ch, v1, v2, 3); return;
            case 0xEE: if (live) Short(Tick(), false, 0xE0 | ch, v1, v2, 3); return;
            case 0xF5: Blob(KeyMeta(c.gate)); return;
            default: ++skipped_; return;  // instrument-specific and unknown commands
        }
    }

    std::string_view b_;
    const Header& h_;
    std::size_t begin_, end_;
    Budget& budget_;
    std::vector<TempoChange>& tempos_;
    OutTrack& out_;
    std::uint64_t& skipped_;
    std::vector<std::size_t> measures_;
    std::array<std::array<std::uint32_t, 128>, 16> sounding_;
    std::array<std::uint8_t, 4> roland_, yamaha_;  // device, model, base address (2 bytes)
    std::uint64_t tick_ = 0;
    int channel_ = -1, transpose_ = 0, start_offset_ = 0;
};

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

}  // namespace

bool DetectLayout(std::string_view bytes, RcpLayout* layout) {
    if (bytes.starts_with(kRcp2Signature)) *layout = RcpLayout::Rcp2;
    else if (bytes.starts_with(kRcp3Signature)) *layout = RcpLayout::Rcp3;
    else return false;
    return true;
}

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
    std::vector<TempoChange> tempos = {{0, std::max(static_cast<double>(h.tempo), kMinBpm)}};
    std::vector<OutTrack> tracks;

    std::size_t pos = h.at->tracks;
    for (unsigned i = 0; i < h.track_count; ++i) {
        if (progress && !progress(static_cast<int>(i * 100 / h.track_count))) {
            r.error = ConvertError::Cancelled;
            return r;
        }
        if (pos + h.at->track_header > b.size()) break;
        std::size_t size = h.layout == RcpLayout::Rcp2 ? Word(b, pos) : Long(b, pos);
        if (size < h.at->track_header) {  // a broken size: nothing after it can be found
            ++rep.skipped;
            break;
        }
        std::size_t end = std::min(b.size(), pos + size);
        std::size_t field = pos + (h.layout == RcpLayout::Rcp2 ? 2 : 4);
        unsigned channel = Byte(b, field + 2), key = Byte(b, field + 3);
        int step_bias = Signed8(Byte(b, field + 4));
        bool muted = Byte(b, field + 5) & 1;
        std::string name = TrimmedText(b, field + 6, 36);
        if (!muted) {
            OutTrack out;
            if (!name.empty() && budget.events_left > 0) {
                --budget.events_left;
                out.events.push_back({0, false, 0, {}, static_cast<std::uint32_t>(out.blobs.size())});
                out.blobs.push_back(Meta(0x03, name));
            }
            // The second MIDI port's channels share the first port's numbers;
            // the port event keeps them apart for players with two ports.
            if (channel >= 16 && channel < 32 && budget.events_left > 0) {
                --budget.events_left;
                out.events.push_back({0, false, 0, {}, static_cast<std::uint32_t>(out.blobs.size())});
                out.blobs.push_back(Meta(0x21, std::string_view("\x01", 1)));
            }
            // Rhythm tracks (key byte 0x80 and up) are not transposed.
            int transpose = key & 0x80 ? 0 : Signed7(key) + h.play_bias;
            int ch = channel < 32 ? static_cast<int>(channel & 15) : -1;
            TrackWalker walker(b, h, pos + h.at->track_header, end, budget, tempos, out, rep.skipped);
            walker.Walk(ch, transpose, step_bias);
            // A track of nothing but its name and port is left out.
            std::size_t labels = (name.empty() ? 0u : 1u) + (channel >= 16 && channel < 32 ? 1u : 0u);
            if (out.events.size() > out.blobs.size() || out.blobs.size() > labels)
                tracks.push_back(std::move(out));
        }
        pos += size;
    }

    // The time bound: everything after the tick at which it is reached goes,
    // except the ends of notes already sounding, which move onto that tick.
    std::stable_sort(tempos.begin(), tempos.end(), [](auto& a, auto& c) { return a.tick < c.tick; });
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
    auto meta = [&](std::uint32_t tick, std::vector<std::uint8_t> bytes) {
        conductor.events.push_back({tick, false, 0, {}, static_cast<std::uint32_t>(conductor.blobs.size())});
        conductor.blobs.push_back(std::move(bytes));
    };
    if (!h.title.empty()) meta(0, Meta(0x03, h.title));
    for (const std::string& line : h.memo)
        if (!line.empty()) meta(0, Meta(0x01, line));
    unsigned den_log = 0;
    while ((1u << den_log) < h.beat_den && den_log < 7) ++den_log;
    char ts[4] = {static_cast<char>(std::clamp(h.beat_num, 1u, 255u)), static_cast<char>(den_log), 24, 8};
    meta(0, Meta(0x58, std::string_view(ts, 4)));
    meta(0, KeyMeta(h.key));
    for (const TempoChange& t : tempos)
        if (t.tick <= cut) meta(static_cast<std::uint32_t>(t.tick), TempoMeta(t.bpm));

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
