#include "rcpcv/rcp_track.h"

#include <algorithm>

namespace nuko::rcpcv {
namespace {

constexpr std::size_t kMaxLoopDepth = 16;
// A reference may name a measure that is itself a reference; a chain this
// long only comes from a file that refers in a circle.
constexpr int kMaxReferenceHops = 64;

}  // namespace

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

// The key byte: low three bits the count of accidentals, bit 3 flats,
// bit 4 minor.
std::vector<std::uint8_t> KeyMeta(unsigned key) {
    int count = static_cast<int>(key & 7);
    char d[2] = {static_cast<char>(key & 8 ? -count : count), static_cast<char>(key & 0x10 ? 1 : 0)};
    return Meta(0x59, std::string_view(d, 2));
}

void OutTrack::AddBlob(std::uint32_t tick, std::vector<std::uint8_t> bytes) {
    events.push_back({tick, false, 0, {}, static_cast<std::uint32_t>(blobs.size())});
    blobs.push_back(std::move(bytes));
}

TrackWalker::TrackWalker(std::string_view file, const Header& h, std::size_t track_start, std::size_t begin,
                         std::size_t end, Budget& budget, std::vector<TempoChange>& tempos, OutTrack& out,
                         WalkCounts& counts)
    : b_(file), h_(h), track_start_(track_start), begin_(begin), end_(end), budget_(budget), tempos_(tempos),
      out_(out), counts_(counts) {
    for (auto& row : sounding_) row.fill(kNone);
    roland_ = {0x10, 0x42, 0x40, 0x00};
    yamaha_ = {0x10, 0x4C, 0x00, 0x00};
    MapMeasures();
}

void TrackWalker::Walk(const TrackPlay& play) {
    play_ = play;
    const std::size_t ev = h_.at->event;
    std::size_t pos = begin_;
    std::optional<std::size_t> resume;  // set while a referenced measure plays: where play goes on after it
    std::vector<Loop> loops;
    auto end_reference = [&] {
        pos = *resume;
        resume.reset();
        while (!loops.empty() && loops.back().in_reference) loops.pop_back();
    };
    for (;;) {
        if (pos + ev > end_) {
            if (!resume) break;
            end_reference();
            continue;
        }
        // Past a bound nothing more can be written.
        if (budget_.commands_left == 0 || budget_.events_left == 0 || tick_ > budget_.tick_cap) {
            budget_.cut = true;
            return;
        }
        --budget_.commands_left;
        const Command c = Read(pos);
        pos += ev;
        switch (c.cmd) {
            case 0xFE:  // track end
                if (!resume) return;
                end_reference();
                continue;
            case 0xFD:  // measure end
                if (resume) end_reference();
                continue;
            case 0xFC: {  // same measure: play an earlier measure here
                // Inside a referenced measure a reference starts the next
                // measure, so the referenced one is over.
                if (resume) {
                    end_reference();
                    continue;
                }
                std::optional<std::size_t> target = FollowReference(c);
                if (!target) {
                    ++counts_.broken;
                    continue;
                }
                resume = pos;
                pos = *target;
                continue;
            }
            case 0xF9:  // loop start
                if (loops.size() >= kMaxLoopDepth) {
                    ++counts_.broken;
                    continue;
                }
                loops.push_back({pos, -1, resume.has_value()});
                continue;
            case 0xF8:
                LoopEnd(c, pos, loops, resume.has_value());
                continue;
            case 0xF7:  // continuation outside an exclusive or comment
                continue;
            case 0xF6: {  // comment: its own data bytes, then those of its continuations
                std::vector<std::uint8_t> text;
                DataBytes(pos - ev, text, false);
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
    if (pos < end_) ++counts_.broken;  // a torn last command
}

// The repeat count is the loop end's step; 0 repeats forever in the
// sequencer, which a file cannot: such a loop plays twice and goes on.
void TrackWalker::LoopEnd(const Command& c, std::size_t& pos, std::vector<Loop>& loops, bool in_reference) {
    if (loops.empty() || loops.back().in_reference != in_reference) {
        ++counts_.broken;
        return;
    }
    Loop& loop = loops.back();
    if (loop.left < 0) loop.left = static_cast<long>(c.step == 0 ? 2 : c.step) - 1;
    if (loop.left > 0) {
        --loop.left;
        pos = loop.body;
    } else {
        loops.pop_back();
    }
}

// Measures are counted from 0: each measure end and each same-measure
// reference ends one.
void TrackWalker::MapMeasures() {
    const std::size_t ev = h_.at->event;
    measures_.push_back(begin_);
    for (std::size_t pos = begin_; pos + ev <= end_; pos += ev) {
        unsigned cmd = Byte(b_, pos);
        if (cmd == 0xFE) break;
        if ((cmd == 0xFD || cmd == 0xFC) && pos + ev < end_) measures_.push_back(pos + ev);
    }
}

// A reference names its measure twice: by number, and by the byte offset
// of the measure's first command from the start of the track header. The
// offset wins when it names a measure start; else the number.
std::optional<std::size_t> TrackWalker::ReferenceTarget(const Command& c) const {
    std::size_t measure, offset;
    if (h_.layout == RcpLayout::Rcp2) {
        measure = c.step | (c.gate & 0x03) << 8;
        offset = (c.gate & 0xFC) | c.vel << 8;
    } else {
        measure = c.step;
        offset = c.gate;
    }
    std::size_t at = track_start_ + offset;
    if (std::binary_search(measures_.begin(), measures_.end(), at)) return at;
    if (measure < measures_.size()) return measures_[measure];
    return std::nullopt;
}

// The measure a reference plays, through references to references.
std::optional<std::size_t> TrackWalker::FollowReference(Command c) const {
    for (int hop = 0; hop < kMaxReferenceHops; ++hop) {
        std::optional<std::size_t> at = ReferenceTarget(c);
        if (!at || Byte(b_, *at) != 0xFC) return at;
        c = Read(*at);
    }
    return std::nullopt;
}

// Appends the data bytes of the command at `pos`: two in RCP 2.0, five in
// RCP 3.0. False when they hold an exclusive's end mark.
bool TrackWalker::DataBytes(std::size_t pos, std::vector<std::uint8_t>& data, bool exclusive) const {
    for (std::size_t k = h_.layout == RcpLayout::Rcp2 ? 2 : 1; k < h_.at->event; ++k) {
        unsigned v = Byte(b_, pos + k);
        if (exclusive && v == 0xF7) return false;
        data.push_back(static_cast<std::uint8_t>(v));
    }
    return true;
}

// The data of the continuation commands from `pos` on; returns the
// position after the last one read. Each counts as a command read, so that
// long runs of them inside repeats end too.
std::size_t TrackWalker::Continuation(std::size_t pos, std::vector<std::uint8_t>& data, bool exclusive) {
    const std::size_t ev = h_.at->event;
    while (pos + ev <= end_ && Byte(b_, pos) == 0xF7) {
        if (budget_.commands_left == 0) {
            budget_.cut = true;
            break;
        }
        --budget_.commands_left;
        bool more = DataBytes(pos, data, exclusive);
        pos += ev;
        if (!more) break;
    }
    return pos;
}

std::uint32_t TrackWalker::Tick() const {
    std::int64_t t = static_cast<std::int64_t>(tick_) + play_.shift;
    return static_cast<std::uint32_t>(std::max<std::int64_t>(t, 0));
}

bool TrackWalker::Room(std::size_t n) {
    if (budget_.events_left < n) {
        budget_.cut = true;
        budget_.events_left = 0;
        return false;
    }
    budget_.events_left -= n;
    return true;
}

void TrackWalker::Short(std::uint32_t tick, bool off, std::uint8_t s, std::uint8_t d1, std::uint8_t d2,
                        std::uint8_t len) {
    if (!Room()) return;
    out_.events.push_back({tick, off, len, {s, d1, d2}, 0});
}

void TrackWalker::Blob(std::vector<std::uint8_t> bytes) {
    if (!Room()) return;
    out_.AddBlob(Tick(), std::move(bytes));
}

void TrackWalker::Note(const Command& c) {
    if (c.gate == 0 || c.vel == 0 || play_.channel < 0) return;
    int key = static_cast<int>(c.cmd) + play_.transpose;
    if (key < 0 || key > 127) {  // transposed off the keyboard
        ++counts_.broken;
        return;
    }
    const std::uint32_t on = Tick();
    const std::uint32_t off = on + c.gate;
    std::uint32_t& sounding = sounding_[play_.channel][key];
    // The same key struck again while it still sounds makes no new note:
    // the device this music was written for ends the key's sound at the
    // first note's end anyway, and the files' players count it as one.
    if (sounding != kNone && out_.events[sounding].tick > on) {
        out_.events[sounding].tick = std::max(out_.events[sounding].tick, off);
        return;
    }
    if (!Room(2)) return;
    auto ch = static_cast<std::uint8_t>(play_.channel);
    out_.events.push_back({on, false, 3, {static_cast<std::uint8_t>(0x90 | ch), static_cast<std::uint8_t>(key),
                                          static_cast<std::uint8_t>(std::min(c.vel, 127u))}, 0});
    sounding = static_cast<std::uint32_t>(out_.events.size());
    // A note-off keeps its note's start, for the time bound.
    out_.events.push_back({off, true, 3, {static_cast<std::uint8_t>(0x80 | ch), static_cast<std::uint8_t>(key), 0x40}, on});
}

// User and track exclusives: 0x80 and 0x81 stand for the command's two
// values, 0x82 for the channel, 0x83 starts the checksum and 0x84 puts it.
// A checksum without its start is not sent: a device would refuse it.
void TrackWalker::Exclusive(const std::vector<std::uint8_t>& def, unsigned v1, unsigned v2) {
    std::vector<std::uint8_t> data;
    unsigned sum = 0;
    bool summing = false;
    for (std::uint8_t d : def) {
        unsigned v;
        switch (d) {
            case 0x80: v = v1 & 0x7F; break;
            case 0x81: v = v2 & 0x7F; break;
            case 0x82: v = play_.channel < 0 ? 0 : static_cast<unsigned>(play_.channel); break;
            case 0x83: sum = 0, summing = true; continue;
            case 0x84:
                if (!summing) {
                    ++counts_.broken;
                    return;
                }
                v = (0x80 - sum) & 0x7F;  // a sum of a multiple of 128 gives 0
                break;
            default: v = d; break;
        }
        sum += v;
        data.push_back(static_cast<std::uint8_t>(v));
    }
    SysEx(data);
}

void TrackWalker::SysEx(const std::vector<std::uint8_t>& body) {
    if (play_.channel < 0 || body.empty()) return;
    std::vector<std::uint8_t> e = {0xF0};
    PutVarLen(e, static_cast<std::uint32_t>(body.size() + 1));
    e.insert(e.end(), body.begin(), body.end());
    e.push_back(0xF7);
    Blob(std::move(e));
}

// The tempo in 64ths of the song's tempo (0x40: as set), reached over the
// velocity's count of ticks when that is not zero.
void TrackWalker::Tempo(const Command& c) {
    if ((c.gate & 0xFF) == 0) return;
    if (!Room(1 + std::min(c.vel, kMaxRampSteps))) return;
    tempos_.push_back({Tick(), h_.tempo * (c.gate & 0xFF) / 64.0, c.vel});
}

void TrackWalker::Control(const Command& c) {
    const auto v1 = static_cast<std::uint8_t>(c.gate & 0x7F), v2 = static_cast<std::uint8_t>(c.vel & 0x7F);
    const auto ch = static_cast<std::uint8_t>(play_.channel < 0 ? 0 : play_.channel);
    const bool live = play_.channel >= 0;
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
                   static_cast<std::uint8_t>((0x80 - sum) & 0x7F)});
            return;
        }
        case 0xE1:  // bank (LSB) and program
        case 0xE2:  // bank (MSB) and program
            if (!live) return;
            Short(Tick(), false, 0xB0 | ch, c.cmd == 0xE1 ? 0x20 : 0x00, v2, 3);
            Short(Tick(), false, 0xC0 | ch, v1, 0, 2);
            return;
        case 0xE6:  // channel: 1 ... 32 (the second port folds onto the first), 0 none
            play_.channel = c.gate == 0 || c.gate > 32 ? -1 : static_cast<int>((c.gate - 1) & 15);
            return;
        case 0xE7: Tempo(c); return;
        case 0xEA: if (live) Short(Tick(), false, 0xD0 | ch, v1, 0, 2); return;
        case 0xEB: if (live) Short(Tick(), false, 0xB0 | ch, v1, v2, 3); return;
        case 0xEC: if (live) Short(Tick(), false, 0xC0 | ch, v1, 0, 2); return;
        case 0xED: if (live) Short(Tick(), false, 0xA0 | ch, v1, v2, 3); return;
        case 0xEE: if (live) Short(Tick(), false, 0xE0 | ch, v1, v2, 3); return;
        case 0xF5: Blob(KeyMeta(c.gate)); return;
        default: ++counts_.skipped; return;  // instrument-specific and unknown commands
    }
}

}  // namespace nuko::rcpcv
