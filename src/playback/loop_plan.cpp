#include "loop_plan.h"

#include <algorithm>
#include <array>

#include "nuko/text.h"

namespace nuko::midi {
namespace {

// An unrolled song stops growing here, whatever its loop: an hour of music
// or this many events.
constexpr std::int64_t kMaxUnrolledMs = 60 * 60 * 1000;
constexpr std::size_t kMaxUnrolledEvents = 4'000'000;

void Say(std::vector<std::string>* problems, const std::string& text) {
    if (!problems) return;
    if (std::find(problems->begin(), problems->end(), text) == problems->end()) problems->push_back(text);
}

enum class Mark { None, Start, End };

// A "loopStart"/"loopEnd" marker or text event.
Mark MarkerOf(const Event& e) {
    if (!e.IsMeta() || e.bytes.size() < 2) return Mark::None;
    auto type = static_cast<unsigned char>(e.bytes[1]);
    if (type != 0x06 && type != 0x01) return Mark::None;
    std::string_view words = text::TrimBlanks(std::string_view(e.bytes).substr(2));
    if (text::EqualsIgnoreAsciiCase(words, "loopStart")) return Mark::Start;
    if (text::EqualsIgnoreAsciiCase(words, "loopEnd")) return Mark::End;
    return Mark::None;
}

bool IsLoopController(const Event& e) {
    return (e.Status() & 0xF0) == 0xB0 && e.bytes.size() >= 3 && static_cast<unsigned char>(e.bytes[1]) == 111;
}

bool IsEndOfTrack(const Event& e) {
    return e.IsMeta() && e.bytes.size() >= 2 && static_cast<unsigned char>(e.bytes[1]) == 0x2F;
}

bool IsNoteOff(const Event& e) {
    std::uint8_t type = e.Status() & 0xF0;
    return e.bytes.size() >= 3 && (type == 0x80 || (type == 0x90 && e.bytes[2] == 0));
}

bool IsNoteOn(const Event& e) {
    return (e.Status() & 0xF0) == 0x90 && e.bytes.size() >= 3 && e.bytes[2] != 0;
}

const char* const kEndWithoutStart = "ﾙｰﾌﾟの終わり (loopEnd) の前に始まりがありません";
const char* const kSecondStart = "ﾙｰﾌﾟの中にもう一つﾙｰﾌﾟの始まりがあります (無視しました)";
const char* const kEndBeforeStart = "ﾙｰﾌﾟの終わりが始まりより前にあります";
const char* const kCapped = "ﾙｰﾌﾟを繰り返すと長くなりすぎるため、途中で打ち切りました";

// The song as it grows: events in tick order, the notes still sounding and
// the time so far (for the stopping decisions; the exact times come from
// the finished song's tempo map).
class Unroller {
public:
    Unroller(int division, std::uint32_t tempo) : division_(division), tempo_(tempo) {}

    void Add(const Event& e, std::uint32_t tick) {
        AdvanceTo(tick);
        Event copy = e;
        copy.tick = tick;
        if (IsNoteOn(e)) {
            ++sounding_[Key(e)];
        } else if (IsNoteOff(e)) {
            if (sounding_[Key(e)] > 0) --sounding_[Key(e)];
        } else if (e.IsMeta() && e.bytes.size() == 5 && static_cast<unsigned char>(e.bytes[1]) == 0x51) {
            std::uint32_t us = (static_cast<std::uint32_t>(static_cast<unsigned char>(e.bytes[2])) << 16) |
                               (static_cast<std::uint32_t>(static_cast<unsigned char>(e.bytes[3])) << 8) |
                               static_cast<unsigned char>(e.bytes[4]);
            if (us) tempo_ = us;
        }
        events_.push_back(std::move(copy));
    }

    // Note-offs at `tick` for every note still sounding.
    void ReleaseAll(std::uint32_t tick) {
        AdvanceTo(tick);
        for (std::size_t k = 0; k < sounding_.size(); ++k) {
            for (; sounding_[k] > 0; --sounding_[k]) {
                Event off;
                off.tick = tick;
                off.bytes = {static_cast<char>(0x80 | (k >> 7)), static_cast<char>(k & 0x7F), 0};
                events_.push_back(std::move(off));
            }
        }
    }

    void AdvanceTo(std::uint32_t tick) {
        if (tick <= tick_) return;
        us_ += static_cast<double>(tick - tick_) * tempo_ / division_;
        tick_ = tick;
    }

    double ms() const { return us_ / 1000.0; }
    std::vector<Event>& events() { return events_; }

private:
    static std::size_t Key(const Event& e) {
        return (static_cast<std::size_t>(e.Status() & 0x0F) << 7) | (static_cast<unsigned char>(e.bytes[1]) & 0x7F);
    }

    int division_;
    std::uint32_t tempo_;
    std::uint32_t tick_ = 0;
    double us_ = 0;
    std::vector<Event> events_;
    std::array<int, 16 * 128> sounding_{};
};

}  // namespace

std::optional<LoopPoints> FindLoop(const Song& song, std::vector<std::string>* problems) {
    bool markers = std::any_of(song.events().begin(), song.events().end(),
                               [](const Event& e) { return MarkerOf(e) != Mark::None; });
    std::optional<std::uint32_t> start;
    std::optional<std::uint32_t> end;
    for (const auto& e : song.events()) {
        if (markers) {
            Mark m = MarkerOf(e);
            if (m == Mark::Start) {
                if (!start)
                    start = e.tick;
                else if (e.tick != *start)
                    Say(problems, kSecondStart);
            } else if (m == Mark::End) {
                if (!start) {
                    Say(problems, kEndWithoutStart);
                    return std::nullopt;
                }
                end = e.tick;
                break;
            }
        } else if (IsLoopController(e)) {
            // The same start is often sent on several channels at once.
            if (!start)
                start = e.tick;
            else if (e.tick != *start)
                Say(problems, kSecondStart);
        }
    }
    if (!start) return std::nullopt;
    LoopPoints loop{*start, end.value_or(song.end_tick())};
    if (loop.end_tick <= loop.start_tick) {
        Say(problems, kEndBeforeStart);
        return std::nullopt;
    }
    return loop;
}

PlayPlan PlanLoops(const Song& song, const LoopOptions& options, std::vector<std::string>* problems) {
    PlayPlan plan{song, -1, 0};
    if (options.mode == LoopOptions::Mode::PlayThrough) return plan;
    auto loop = FindLoop(song, problems);
    if (!loop) return plan;

    const std::uint32_t start = loop->start_tick;
    const std::uint32_t length = loop->end_tick - start;
    const int count = std::max(1, options.count);
    const std::int64_t fade_ms = std::max(0, options.fade_seconds) * std::int64_t{1000};

    Unroller out(song.division(), song.tempo_map().front().usec_per_quarter);
    std::vector<const Event*> body;
    for (const auto& e : song.events()) {
        if (IsEndOfTrack(e) || e.tick >= loop->end_tick) continue;
        // Note-offs at the start end the notes before the loop: played once.
        if (e.tick < start || (e.tick == start && IsNoteOff(e)))
            out.Add(e, e.tick);
        else
            body.push_back(&e);
    }

    bool capped = false;
    std::uint64_t pass_start = start;
    auto add_pass = [&](bool first) {
        if (!first && (out.ms() >= kMaxUnrolledMs || out.events().size() + body.size() > kMaxUnrolledEvents ||
                       pass_start + length > 0x3FFFFFFF)) {
            capped = true;
            return false;
        }
        auto shift = static_cast<std::uint32_t>(pass_start - start);
        for (const Event* e : body) out.Add(*e, e->tick + shift);
        pass_start += length;
        out.ReleaseAll(static_cast<std::uint32_t>(pass_start));
        return true;
    };
    for (int pass = 0; pass < count; ++pass)
        if (!add_pass(pass == 0)) break;
    const auto fade_start = static_cast<std::uint32_t>(pass_start);
    const double fade_target = out.ms() + static_cast<double>(fade_ms);
    while (fade_ms > 0 && !capped && out.ms() < fade_target) add_pass(false);
    if (capped) Say(problems, kCapped);

    // The exact end by the unrolled song's own tempo map.
    Song whole = Song::FromEvents(song, std::move(out.events()), static_cast<std::uint32_t>(pass_start));
    plan.fade_start_ms = whole.TickToMs(fade_start);
    std::uint32_t fade_end = whole.MsToTick(plan.fade_start_ms + fade_ms);
    if (fade_end < whole.end_tick()) {
        // Cut inside a pass: what starts at or after the fade's end goes, and
        // the notes still sounding there are released.
        std::vector<Event> kept;
        Unroller cut(song.division(), song.tempo_map().front().usec_per_quarter);
        for (const auto& e : whole.events()) {
            if (e.tick > fade_end || (e.tick == fade_end && !IsNoteOff(e))) continue;
            cut.Add(e, e.tick);
        }
        cut.ReleaseAll(fade_end);
        whole = Song::FromEvents(song, std::move(cut.events()), fade_end);
    }
    plan.fade_ms = whole.LengthMs() - plan.fade_start_ms;
    plan.song = std::move(whole);
    return plan;
}

}  // namespace nuko::midi
