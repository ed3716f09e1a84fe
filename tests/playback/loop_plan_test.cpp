#include "playback/loop_plan.h"

#include <gtest/gtest.h>

#include <array>

#include "test_support.h"

namespace nuko::midi {
namespace {

std::string H(std::string_view hex) { return test::HexBytes(hex); }

// A format-0 file at 96 ticks a beat holding `track` (its events, the
// end-of-track included).
Song ParseTrack(const std::string& track) {
    std::string smf = H("4D 54 68 64 00 00 00 06 00 00 00 01 00 60") + "MTrk";
    auto n = static_cast<std::uint32_t>(track.size());
    smf += {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
    smf += track;
    std::string why;
    auto song = ParseSmf(smf, &why);
    EXPECT_TRUE(song) << why;
    return song ? *song : Song();
}

int NoteOns(const Song& song, int key = -1) {
    int n = 0;
    for (const auto& e : song.events())
        if ((e.Status() & 0xF0) == 0x90 && e.bytes[2] != 0 && (key < 0 || e.bytes[1] == key)) ++n;
    return n;
}

// Notes with no note-off after them.
int Hanging(const Song& song) {
    std::array<int, 16 * 128> on{};
    for (const auto& e : song.events()) {
        auto type = e.Status() & 0xF0;
        if (type != 0x80 && type != 0x90) continue;
        auto key = static_cast<std::size_t>((e.Status() & 0x0F) * 128 + e.bytes[1]);
        if (type == 0x90 && e.bytes[2] != 0)
            ++on[key];
        else if (on[key] > 0)
            --on[key];
    }
    int n = 0;
    for (int c : on) n += c;
    return n;
}

// 120 bpm: an intro note of two beats, controller 111 at tick 192, a loop
// of four beats (384 ticks, 2000 ms) to the song's end at 576.
std::string Cc111Song() {
    return H("00 FF 51 03 07 A1 20"  // 500000 us a beat
             " 00 C0 00"
             " 00 90 3C 64  81 40 80 3C 00"  // tick 0 to 192
             " 00 B0 6F 00"
             " 00 90 40 64  83 00 80 40 00"  // tick 192 to 576
             " 00 FF 2F 00");
}

TEST(LoopPlanTest, TwoPassesThenAFadeOfExactLength) {
    Song song = ParseTrack(Cc111Song());
    ASSERT_EQ(song.end_tick(), 576u);
    auto loop = FindLoop(song);
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->start_tick, 192u);
    EXPECT_EQ(loop->end_tick, 576u);

    std::vector<std::string> problems;
    PlayPlan plan = PlanLoops(song, {LoopOptions::Mode::LoopThenFade, 2, 8}, &problems);
    EXPECT_TRUE(problems.empty());
    // Intro 1000 ms, two passes of 2000 ms, then four more passes for 8 s.
    EXPECT_EQ(plan.fade_start_ms, 5000);
    EXPECT_EQ(plan.fade_ms, 8000);
    EXPECT_EQ(plan.song.LengthMs(), 13000);
    EXPECT_EQ(plan.song.end_tick(), 192u + 6 * 384);
    EXPECT_EQ(NoteOns(plan.song), 1 + 6);
    EXPECT_EQ(NoteOns(plan.song, 0x40), 6);
    EXPECT_EQ(Hanging(plan.song), 0);
    for (std::size_t i = 1; i < plan.song.events().size(); ++i)
        ASSERT_LE(plan.song.events()[i - 1].tick, plan.song.events()[i].tick);
}

TEST(LoopPlanTest, FadeEndingInsideAPassCutsThere) {
    Song song = ParseTrack(Cc111Song());
    PlayPlan plan = PlanLoops(song, {LoopOptions::Mode::LoopThenFade, 2, 3});
    // 5000 + 3000 ms = 16 beats = tick 1536: the second fade pass (from
    // tick 1344) is cut after its first half, its note released there.
    EXPECT_EQ(plan.fade_start_ms, 5000);
    EXPECT_EQ(plan.fade_ms, 3000);
    EXPECT_EQ(plan.song.end_tick(), 1536u);
    EXPECT_EQ(NoteOns(plan.song, 0x40), 4);
    EXPECT_EQ(Hanging(plan.song), 0);
    EXPECT_EQ(plan.song.events().back().tick, 1536u);
}

TEST(LoopPlanTest, PlayThroughOrNoLoopLeavesTheSong) {
    Song song = ParseTrack(Cc111Song());
    PlayPlan plan = PlanLoops(song, {LoopOptions::Mode::PlayThrough, 2, 8});
    EXPECT_EQ(plan.fade_start_ms, -1);
    EXPECT_EQ(plan.song.events().size(), song.events().size());
    EXPECT_EQ(plan.song.LengthMs(), 3000);

    Song plain = ParseTrack(H("00 90 3C 64 60 80 3C 00 00 FF 2F 00"));
    plan = PlanLoops(plain, {});
    EXPECT_EQ(plan.fade_start_ms, -1);
    EXPECT_EQ(plan.song.LengthMs(), 500);
}

// Controller 111 at 0, loop markers at 96 and 288; a note sounding across
// the loop end; an outro after it.
std::string MarkerSong() {
    return H("00 B0 6F 00"
             " 00 90 30 64  60 80 30 00"        // tick 0 to 96
             " 00 FF 06 09") + "loopStart" +
           H(" 00 90 3C 64  60 80 3C 00"        // 96 to 192
             " 00 90 43 64"                     // from 192 ...
             " 60 FF 06 07") + "loopEnd" +      // 288
           H(" 60 80 43 00"                     // ... to 384
             " 00 90 48 64  60 80 48 00"        // the outro, 384 to 480
             " 00 FF 2F 00");
}

TEST(LoopPlanTest, MarkersWinOverControllerAndHangingNotesAreReleased) {
    Song song = ParseTrack(MarkerSong());
    auto loop = FindLoop(song);
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->start_tick, 96u);
    EXPECT_EQ(loop->end_tick, 288u);

    PlayPlan plan = PlanLoops(song, {LoopOptions::Mode::LoopThenFade, 2, 1});
    // Intro 500 ms, 2 x 1000 ms, fade one more pass.
    EXPECT_EQ(plan.fade_start_ms, 2500);
    EXPECT_EQ(plan.song.LengthMs(), 3500);
    EXPECT_EQ(NoteOns(plan.song), 1 + 3 * 2);
    EXPECT_EQ(NoteOns(plan.song, 0x48), 0);  // past the loop: never reached
    // Key 43 is let go at each pass's end, where the song jumps back.
    std::vector<std::uint32_t> released;
    for (const auto& e : plan.song.events())
        if (e.bytes == H("80 43 00") || e.bytes == H("90 43 00")) released.push_back(e.tick);
    EXPECT_EQ(released, (std::vector<std::uint32_t>{288, 480, 672}));
    EXPECT_EQ(Hanging(plan.song), 0);
}

TEST(LoopPlanTest, LoopShorterThanTheFadeRepeats) {
    // Markers as text events, in any case: a loop of one beat.
    Song song = ParseTrack(H("00 FF 01 09") + "LOOPSTART" + H("00 90 3C 64 60 80 3C 00 00 FF 01 07") +
                           "LoopEnd" + H("00 FF 2F 00"));
    PlayPlan plan = PlanLoops(song, {LoopOptions::Mode::LoopThenFade, 2, 8});
    EXPECT_EQ(plan.fade_start_ms, 1000);
    EXPECT_EQ(plan.fade_ms, 8000);
    EXPECT_EQ(plan.song.end_tick(), 18u * 96);
    EXPECT_EQ(NoteOns(plan.song), 18);
}

TEST(LoopPlanTest, TempoAtTheLoopStartPlaysInEveryPass) {
    // 120 bpm intro of one beat; the loop starts at 60 bpm and turns to 120
    // half way: 48 ticks of 1000 ms a beat, 48 of 500 ms = 750 ms a pass.
    Song song = ParseTrack(H("00 FF 51 03 07 A1 20"
                             " 00 90 3C 64 60 80 3C 00"
                             " 00 FF 51 03 0F 42 40  00 B0 6F 00"
                             " 00 90 3E 64 30 FF 51 03 07 A1 20 30 80 3E 00"
                             " 00 FF 2F 00"));
    PlayPlan plan = PlanLoops(song, {LoopOptions::Mode::LoopThenFade, 2, 3});
    EXPECT_EQ(plan.fade_start_ms, 500 + 2 * 750);
    EXPECT_EQ(plan.song.LengthMs(), 2000 + 3000);
    EXPECT_EQ(plan.song.end_tick(), 96u + 6 * 96);
}

TEST(LoopPlanTest, BadMarkersAreSaidOnce) {
    auto marker = [](const char* delta, std::string text) {
        return H(delta) + H("FF 06") + static_cast<char>(text.size()) + text;
    };
    const std::string note = H("00 90 3C 64 83 00 80 3C 00");  // 384 ticks
    const std::string eot = H("00 FF 2F 00");
    std::vector<std::string> problems;

    // An end without a start: no loop, the song as it is.
    Song song = ParseTrack(note + marker("00", "loopEnd") + eot);
    EXPECT_FALSE(FindLoop(song, &problems));
    EXPECT_EQ(problems.size(), 1u);
    PlayPlan plan = PlanLoops(song, {});
    EXPECT_EQ(plan.fade_start_ms, -1);
    EXPECT_EQ(plan.song.LengthMs(), 2000);

    // The end before the start, or on it.
    problems.clear();
    EXPECT_FALSE(FindLoop(ParseTrack(marker("60", "loopEnd") + marker("60", "loopStart") + note + eot), &problems));
    EXPECT_EQ(problems.size(), 1u);
    problems.clear();
    EXPECT_FALSE(FindLoop(ParseTrack(marker("60", "loopStart") + marker("00", "loopEnd") + note + eot), &problems));
    EXPECT_EQ(problems.size(), 1u);

    // A start without an end loops to the song's end.
    problems.clear();
    auto loop = FindLoop(ParseTrack(marker("60", "loopStart") + note + eot), &problems);
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->start_tick, 96u);
    EXPECT_EQ(loop->end_tick, 480u);
    EXPECT_TRUE(problems.empty());

    // Two more starts inside the loop: ignored, said once.
    loop = FindLoop(ParseTrack(marker("00", "loopStart") + marker("60", "loopStart") + marker("60", "loopStart") +
                               marker("60", "loopEnd") + note + eot),
                    &problems);
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->start_tick, 0u);
    EXPECT_EQ(loop->end_tick, 288u);
    EXPECT_EQ(problems.size(), 1u);

    // Controller 111 on several channels at once is one start; at the very
    // end it makes no loop.
    problems.clear();
    loop = FindLoop(ParseTrack(H("00 B0 6F 00 00 B1 6F 00") + note + eot), &problems);
    ASSERT_TRUE(loop);
    EXPECT_TRUE(problems.empty());
    EXPECT_FALSE(FindLoop(ParseTrack(note + H("00 B0 6F 00") + eot)));
}

TEST(LoopPlanTest, EndlessLoopingIsCapped) {
    Song song = ParseTrack(Cc111Song());
    std::vector<std::string> problems;
    PlayPlan plan = PlanLoops(song, {LoopOptions::Mode::LoopThenFade, 100000, 8}, &problems);
    // An hour of passes of 2000 ms at most, one more started before the hour.
    EXPECT_GE(plan.song.LengthMs(), 3600000);
    EXPECT_LE(plan.song.LengthMs(), 3600000 + 2000);
    EXPECT_EQ(plan.fade_start_ms + plan.fade_ms, plan.song.LengthMs());
    EXPECT_EQ(problems.size(), 1u);
    EXPECT_EQ(Hanging(plan.song), 0);
}

}  // namespace
}  // namespace nuko::midi
