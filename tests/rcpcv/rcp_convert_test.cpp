// The converter on files written here byte by byte. The RCP 2.0 layout is
// the corpus songs' own: signature, title at 0x20, time base 0x1C0, tempo
// 0x1C1, beat 0x1C2/0x1C3, play bias 0x1C5, track count 0x1E6, the user
// exclusives from 0x406 (48 bytes each, the data in the second 24), the
// first track at 0x586; a track is a 44-byte header (size in 2 bytes,
// number, rhythm flag, channel, key bias, step bias, mode, 36 bytes of
// name) and events of 4 bytes: command, step, gate, velocity. RCP 3.0
// (G36): track count at 0x208 (2 bytes), time base 0x20A, tempo 0x20C,
// beat 0x20E/0x20F, play bias 0x211, tracks from 0xC98 with 46-byte
// headers (a 4-byte size) and 6-byte events: command, velocity, step and
// gate in 16 bits each.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "converted_song.h"
#include "playback/midi_song.h"
#include "rcpcv/rcp_convert.h"

namespace nuko::rcpcv {
namespace {

using test::Parse;

using Ev = std::array<unsigned, 4>;   // RCP 2.0: command, step, gate, velocity
using Ev6 = std::array<unsigned, 6>;  // RCP 3.0: command, velocity, step lo, hi, gate lo, hi

struct TrackBytes {
    unsigned channel = 0, key = 0, step_bias = 0, rhythm = 0, mode = 0;
};

std::string Track(const std::vector<Ev>& events, TrackBytes t = {}) {
    std::size_t size = 44 + 4 * events.size();
    std::string b = {static_cast<char>(size & 0xFF), static_cast<char>(size >> 8), 1,
                     static_cast<char>(t.rhythm), static_cast<char>(t.channel), static_cast<char>(t.key),
                     static_cast<char>(t.step_bias), static_cast<char>(t.mode)};
    b += std::string(36, ' ');
    for (const Ev& e : events)
        for (unsigned v : e) b += static_cast<char>(v);
    return b;
}

struct SongBytes {
    unsigned tempo = 120, play_bias = 0, timebase = 48;
    int track_count = -1;  // -1: as many as given
    std::vector<std::string> user_sysex;  // 0x90 ... 0x97
};

std::string Song(const std::vector<std::string>& tracks, const SongBytes& s = {}) {
    std::string b(0x586, '\0');
    b.replace(0, 30, "RCM-PC98V2.0(C)COME ON MUSIC\r\n");
    b.replace(0x20, 4, "Test");
    b[0x1C0] = static_cast<char>(s.timebase);
    b[0x1C1] = static_cast<char>(s.tempo);
    b[0x1C2] = 4;
    b[0x1C3] = 4;
    b[0x1C5] = static_cast<char>(s.play_bias);
    b[0x1E6] = static_cast<char>(s.track_count < 0 ? tracks.size() : s.track_count);
    for (std::size_t i = 0; i < 8; ++i) {
        std::string data = i < s.user_sysex.size() ? s.user_sysex[i] : "";
        data.resize(24, '\xF7');
        b.replace(0x406 + 48 * i + 24, 24, data);
    }
    for (const std::string& t : tracks) b += t;
    return b;
}

std::string OneTrack(const std::vector<Ev>& events, TrackBytes t = {}) { return Song({Track(events, t)}); }

struct Note {
    std::uint32_t tick;
    int channel, key;
    bool operator==(const Note&) const = default;
};

std::vector<Note> Ons(const midi::Song& song) {
    std::vector<Note> out;
    for (const midi::Event& e : song.events())
        if ((e.Status() & 0xF0) == 0x90 && e.bytes[2] != 0)
            out.push_back({e.tick, e.Status() & 15, static_cast<unsigned char>(e.bytes[1])});
    return out;
}

std::vector<int> Keys(const midi::Song& song) {
    std::vector<int> keys;
    for (const Note& n : Ons(song)) keys.push_back(n.key);
    return keys;
}

std::vector<std::uint32_t> Ticks(const midi::Song& song) {
    std::vector<std::uint32_t> ticks;
    for (const Note& n : Ons(song)) ticks.push_back(n.tick);
    return ticks;
}

std::vector<std::string> Sysex(const midi::Song& song) {
    std::vector<std::string> out;
    for (const midi::Event& e : song.events())
        if (e.IsSysex()) out.push_back(e.bytes);
    return out;
}

std::string Bytes(std::initializer_list<unsigned> v) {
    std::string s;
    for (unsigned b : v) s += static_cast<char>(b);
    return s;
}

constexpr Ev kMeasureEnd = {0xFD, 0, 0, 0};
constexpr Ev kLoopStart = {0xF9, 0, 0, 0};
Ev LoopEnd(unsigned count) { return {0xF8, count, 0, 0}; }
Ev N(unsigned key, unsigned step = 24) { return {key, step, 10, 100}; }
// A same-measure reference: measure number in the step and the low two
// bits of the gate, the byte offset of the measure's first event from the
// track header's start in the rest of the gate and the velocity.
Ev Ref(unsigned measure, unsigned first_event) {
    unsigned offset = 44 + 4 * first_event;
    return {0xFC, measure & 0xFF, (offset & 0xFC) | (measure >> 8), offset >> 8};
}

TEST(RcpSameMeasure, PlaysTheMeasureInsideALoopAndGoesOn) {
    // Measures: 0 = [60 FD], 1 = [62 64 FD], 2 = [F9 FC], 3 = [F8 65 FD].
    ConvertResult r = ConvertRcp(OneTrack(
        {N(60), kMeasureEnd, N(62), N(64), kMeasureEnd, kLoopStart, Ref(1, 2), LoopEnd(3), N(65), kMeasureEnd}));
    midi::Song song = Parse(r);
    EXPECT_EQ(Keys(song), (std::vector<int>{60, 62, 64, 62, 64, 62, 64, 62, 64, 65}));
    EXPECT_EQ(Ticks(song), (std::vector<std::uint32_t>{0, 24, 48, 72, 96, 120, 144, 168, 192, 216}));
    EXPECT_EQ(r.report.broken, 0u);
    EXPECT_EQ(r.report.skipped, 0u);
}

TEST(RcpSameMeasure, AReferenceToAReferenceIsFollowed) {
    // Measure 1 refers to measure 0, measure 2 to measure 1.
    ConvertResult r = ConvertRcp(OneTrack({N(60), kMeasureEnd, Ref(0, 0), Ref(1, 2), N(62), kMeasureEnd}));
    midi::Song song = Parse(r);
    EXPECT_EQ(Keys(song), (std::vector<int>{60, 60, 60, 62}));
    EXPECT_EQ(Ticks(song), (std::vector<std::uint32_t>{0, 24, 48, 72}));
    EXPECT_EQ(r.report.broken, 0u);

    // The measure number serves when the offset names no measure start
    // (here the measure end of measure 0).
    Ev by_number = {0xFC, 0, 44 + 4, 0};
    EXPECT_EQ(Keys(Parse(ConvertRcp(OneTrack({N(60), kMeasureEnd, by_number, N(62)})))),
              (std::vector<int>{60, 60, 62}));
}

TEST(RcpSameMeasure, CirclesAndReferencesOutsideTheTrackEndAsBroken) {
    // Measure 1 refers to itself; measures 1 and 2 to each other.
    for (const std::string& song : {OneTrack({N(60), kMeasureEnd, Ref(1, 2), N(62)}),
                                    OneTrack({N(60), kMeasureEnd, Ref(2, 3), Ref(1, 2), N(62)})}) {
        ConvertResult r = ConvertRcp(song);
        EXPECT_EQ(Keys(Parse(r)), (std::vector<int>{60, 62}));
        EXPECT_GE(r.report.broken, 1u);
        EXPECT_FALSE(r.report.cut);
    }
    // Offset 0xFFFC and measure 1023: neither is in the track.
    ConvertResult out = ConvertRcp(OneTrack({N(60), kMeasureEnd, {0xFC, 0xFF, 0xFF, 0xFF}, N(62)}));
    EXPECT_EQ(Keys(Parse(out)), (std::vector<int>{60, 62}));
    EXPECT_EQ(out.report.broken, 1u);
}

TEST(RcpLoops, NestFiveDeepAndEndlessOnesPlayTwice) {
    ConvertResult r = ConvertRcp(OneTrack({kLoopStart, kLoopStart, kLoopStart, kLoopStart, kLoopStart, N(60),
                                           LoopEnd(2), LoopEnd(2), LoopEnd(2), LoopEnd(2), LoopEnd(3), N(62)}));
    EXPECT_EQ(r.report.notes, 2u * 2 * 2 * 2 * 3 + 1);

    // Count 0: twice, also nested, then the song goes on and ends.
    ConvertResult endless = ConvertRcp(OneTrack({kLoopStart, kLoopStart, {60, 48, 40, 100}, LoopEnd(0), LoopEnd(0),
                                                 {62, 48, 40, 100}}));
    midi::Song song = Parse(endless);
    EXPECT_EQ(Keys(song), (std::vector<int>{60, 60, 60, 60, 62}));
    EXPECT_FALSE(endless.report.cut);
    // Five quarter notes, the last 40 ticks long, at 120 bpm.
    EXPECT_NEAR(endless.report.seconds, (4 * 48 + 40) / 48.0 * 0.5, 1e-6);

    // A loop end without a start, and a seventeenth loop inside sixteen.
    ConvertResult lone = ConvertRcp(OneTrack({N(60), LoopEnd(2), N(62)}));
    EXPECT_EQ(lone.report.notes, 2u);
    EXPECT_EQ(lone.report.broken, 1u);
    std::vector<Ev> deep(17, kLoopStart);
    deep.push_back(N(60));
    for (int i = 0; i < 17; ++i) deep.push_back(LoopEnd(1));
    ConvertResult too_deep = ConvertRcp(OneTrack(deep));
    EXPECT_EQ(too_deep.report.notes, 1u);
    EXPECT_EQ(too_deep.report.broken, 2u);  // the start and the end left over
}

// A song of three tracks whose loops all repeat forever, as songs made to
// play in a loop are written.
TEST(RcpLoops, ASongOfEndlessLoopsEnds) {
    std::vector<std::string> tracks;
    for (unsigned ch = 0; ch < 3; ++ch) {
        std::vector<Ev> e = {kLoopStart};
        for (unsigned bar = 0; bar < 8; ++bar) {
            for (unsigned q = 0; q < 4; ++q) e.push_back({48 + ch * 12 + q, 48, 44, 90});
            e.push_back(kMeasureEnd);
        }
        e.push_back(LoopEnd(0));
        e.push_back({0xFE, 0, 0, 0});
        tracks.push_back(Track(e, {.channel = ch}));
    }
    ConvertResult r = ConvertRcp(Song(tracks));
    midi::Song song = Parse(r);
    EXPECT_FALSE(r.report.cut);
    EXPECT_EQ(r.report.notes, 3u * 2 * 8 * 4);
    // Two passes of 8 bars of 4 quarter notes at 120 bpm; the last note
    // ends 4 ticks early.
    EXPECT_NEAR(r.report.seconds, 32.0 - 4 / 48.0 * 0.5, 1e-6);
    EXPECT_NEAR(static_cast<double>(song.LengthMs()), 32000 - 4 / 48.0 * 500, 1);
}

TEST(RcpLoops, LimitsCutWhatHostileLoopsWouldMake) {
    std::vector<Ev> e(16, kLoopStart);
    e.push_back({60, 1, 1, 100});
    for (int i = 0; i < 16; ++i) e.push_back(LoopEnd(255));
    ConvertLimits limits;
    limits.max_events = 1000;
    ConvertResult r = ConvertRcp(OneTrack(e), limits);
    EXPECT_TRUE(r.report.cut);
    EXPECT_LE(r.report.notes, 500u);
    Parse(r);

    // Loops of nothing take no time and make nothing: the command bound ends them.
    std::vector<Ev> empty(16, kLoopStart);
    for (int i = 0; i < 16; ++i) empty.push_back(LoopEnd(255));
    empty.push_back(N(60));
    EXPECT_TRUE(ConvertRcp(OneTrack(empty), limits).report.cut);

    // Nor do long exclusives repeated on a track without a channel, which
    // sends nothing: their continuations count as commands read.
    std::vector<Ev> sysex(16, kLoopStart);
    sysex.push_back({0x98, 0, 0, 0});
    for (int i = 0; i < 2000; ++i) sysex.push_back({0xF7, 0, 0x01, 0x02});
    for (int i = 0; i < 16; ++i) sysex.push_back(LoopEnd(255));
    EXPECT_TRUE(ConvertRcp(Song({Track(sysex, {.channel = 0xFF})}), limits).report.cut);
}

TEST(RcpCommands, BankAndProgramAndChannelMessages) {
    ConvertResult r = ConvertRcp(OneTrack({{0xE2, 0, 9, 8}, {0xE1, 0, 4, 3}, {0xEB, 0, 7, 100}, {0xEC, 0, 5, 0},
                                           {0xEE, 0, 0x00, 0x50}, {0xEA, 0, 33, 0}, {0xED, 0, 60, 44}},
                                          {.channel = 2}));
    midi::Song song = Parse(r);
    std::vector<std::string> sent;
    for (const midi::Event& e : song.events())
        if (e.Status() >= 0x80 && e.Status() < 0xF0) sent.push_back(e.bytes);
    // E2: bank MSB (controller 0) then program; E1: bank LSB (controller 32).
    EXPECT_EQ(sent, (std::vector<std::string>{Bytes({0xB2, 0, 8}), Bytes({0xC2, 9}), Bytes({0xB2, 32, 3}),
                                              Bytes({0xC2, 4}), Bytes({0xB2, 7, 100}), Bytes({0xC2, 5}),
                                              Bytes({0xE2, 0x00, 0x50}), Bytes({0xD2, 33}), Bytes({0xA2, 60, 44})}));
    EXPECT_EQ(r.report.skipped, 0u);
}

TEST(RcpCommands, TempoIsTheSongTempoTimesTheValueOver64) {
    ConvertResult r = ConvertRcp(OneTrack({{60, 48, 40, 100}, {0xE7, 0, 0x3C, 0}, {60, 48, 40, 100}}));
    midi::Song song = Parse(r);
    EXPECT_EQ(song.TempoAt(0), 500000u);
    EXPECT_EQ(song.TempoAt(48), 533333u);  // 120 x 60 / 64 = 112.5 bpm
    EXPECT_NEAR(r.report.seconds, 0.5 + 40 / 48.0 * 60 / 112.5, 1e-6);

    // Down to 60 bpm (0x20) over 48 ticks: reached at their end, between
    // the two on the way.
    midi::Song ramp = Parse(ConvertRcp(OneTrack({{60, 48, 40, 100}, {0xE7, 0, 0x20, 48}, {60, 96, 40, 100}})));
    std::uint32_t before = 500000;
    for (std::uint32_t t = 48; t < 96; ++t) {
        EXPECT_GE(ramp.TempoAt(t), before) << t;
        EXPECT_LT(ramp.TempoAt(t), 1000000u) << t;
        before = ramp.TempoAt(t);
    }
    EXPECT_GT(ramp.TempoAt(72), 500000u);
    EXPECT_EQ(ramp.TempoAt(96), 1000000u);
}

TEST(RcpCommands, ExclusivesFillInTheirValuesAndChecksums) {
    ConvertResult r = ConvertRcp(Song(
        {Track({// 41 10 42 12, checksum from here: 40 11, channel, the command's two values, checksum
                {0x98, 0, 0x20, 0x7F}, {0xF7, 0, 0x41, 0x10}, {0xF7, 0, 0x42, 0x12}, {0xF7, 0, 0x83, 0x40},
                {0xF7, 0, 0x11, 0x82}, {0xF7, 0, 0x80, 0x81}, {0xF7, 0, 0x84, 0xF7},
                // 40 00 40 00 sum to 0x80: the checksum is 0x00.
                {0x98, 0, 0, 0}, {0xF7, 0, 0x41, 0x10}, {0xF7, 0, 0x42, 0x12}, {0xF7, 0, 0x83, 0x40},
                {0xF7, 0, 0x00, 0x40}, {0xF7, 0, 0x00, 0x84}, {0xF7, 0, 0xF7, 0xF7},
                // No checksum start: not sent.
                {0x98, 0, 0, 0}, {0xF7, 0, 0x41, 0x10}, {0xF7, 0, 0x42, 0x12}, {0xF7, 0, 0x40, 0x00},
                {0xF7, 0, 0x7F, 0x84}, {0xF7, 0, 0xF7, 0},
                // User exclusive 1 with the values 0x05 and 0x66.
                {0x91, 0, 0x05, 0x66}},
               {.channel = 5})},
        {.user_sysex = {"", Bytes({0x41, 0x10, 0x42, 0x12, 0x83, 0x40, 0x01, 0x80, 0x81, 0x84})}}));
    std::vector<std::string> sx = Sysex(Parse(r));
    // 0x40 + 0x11 + 5 + 0x20 + 0x7F = 0xF5; 0x80 - 0xF5 = 0x0B (mod 128).
    // 0x40 + 0x01 + 0x05 + 0x66 = 0xAC; 0x80 - 0xAC = 0x54 (mod 128).
    EXPECT_EQ(sx, (std::vector<std::string>{
                      Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x05, 0x20, 0x7F, 0x0B, 0xF7}),
                      Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x40, 0x00, 0x00, 0xF7}),
                      Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x05, 0x66, 0x54, 0xF7})}));
    EXPECT_EQ(r.report.broken, 1u);
    EXPECT_EQ(r.report.skipped, 0u);
}

TEST(RcpCommands, RolandAndYamahaParametersAndUnknownCommands) {
    // GS reset through device 10 42, base address 40 00, parameter 7F = 00.
    ConvertResult r = ConvertRcp(OneTrack({{0xDF, 0, 0x10, 0x42}, {0xDD, 0, 0x40, 0x00}, {0xDE, 0, 0x7F, 0x00},
                                           {0xD0, 0, 0x08, 0x01}, {0xD3, 0, 0x07, 0x05},
                                           {0xB3, 24, 0, 0}, {0xC4, 24, 1, 2}, N(60)}));
    midi::Song song = Parse(r);
    EXPECT_EQ(Sysex(song), (std::vector<std::string>{
                               Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}),
                               Bytes({0xF0, 0x43, 0x10, 0x4C, 0x08, 0x01, 0x07, 0x05, 0xF7})}));
    EXPECT_EQ(r.report.skipped, 2u);
    EXPECT_EQ(Ticks(song), std::vector<std::uint32_t>{48});  // unknown commands still take their step
}

TEST(RcpTracks, KeyBiasStepBiasAndRhythmTracks) {
    SongBytes s;
    s.play_bias = 2;
    ConvertResult r = ConvertRcp(Song({Track({N(60)}, {.channel = 0, .key = 0x0C, .step_bias = 10}),
                                       Track({N(60)}, {.channel = 1, .key = 0x74}),  // 12 down
                                       Track({N(36)}, {.channel = 9, .key = 0x80, .rhythm = 0x80}),
                                       Track({N(60), N(62)}, {.channel = 2, .step_bias = 0xF6}),  // 10 early
                                       Track({N(125)}, {.channel = 3, .key = 0x0C})},
                                      s));
    std::vector<Note> ons = Ons(Parse(r));
    std::sort(ons.begin(), ons.end(), [](const Note& a, const Note& b) {
        return a.channel != b.channel ? a.channel < b.channel : a.tick < b.tick;
    });
    EXPECT_EQ(ons, (std::vector<Note>{{10, 0, 74}, {0, 1, 50}, {0, 2, 62}, {14, 2, 64}, {0, 9, 36}}));
    EXPECT_EQ(r.report.broken, 1u);  // 125 + 14 is no key
}

TEST(RcpTracks, ChannelsMutedTracksAndTheSecondPort) {
    ConvertResult r = ConvertRcp(Song({Track({N(60), {0xE6, 0, 10, 0}, N(61), {0xE6, 0, 0, 0}, N(62)}),
                                       Track({N(70)}, {.channel = 0xFF}), Track({N(71)}, {.mode = 1}),
                                       Track({N(72)}, {.channel = 0x13})}));
    midi::Song song = Parse(r);
    EXPECT_EQ(Ons(song), (std::vector<Note>{{0, 0, 60}, {0, 3, 72}, {24, 9, 61}}));
    EXPECT_EQ(r.report.tracks, 2);
    bool port = false;
    for (const midi::Event& e : song.events()) port = port || e.bytes == Bytes({0xFF, 0x21, 0x01});
    EXPECT_TRUE(port);
}

TEST(RcpTracks, AKeyStruckAgainWhileItSoundsLengthensItsNote) {
    midi::Song song = Parse(ConvertRcp(OneTrack({{60, 24, 48, 100}, {60, 48, 48, 90}, {60, 0, 10, 80}})));
    std::vector<std::pair<std::uint32_t, bool>> seq;
    for (const midi::Event& e : song.events())
        if ((e.Status() & 0xE0) == 0x80) seq.emplace_back(e.tick, (e.Status() & 0xF0) == 0x90 && e.bytes[2] != 0);
    // The second note (24 ... 72) lies inside the first's sound, which
    // lasts to its end; the third starts where that ends.
    EXPECT_EQ(seq, (std::vector<std::pair<std::uint32_t, bool>>{{0, true}, {72, false}, {72, true}, {82, false}}));
}

TEST(RcpLayouts, ThirtySixTracksInTheRcp2Layout) {
    std::vector<std::string> tracks(36, Track({}, {.channel = 0xFF}));
    tracks[34] = Track({N(64)}, {.channel = 4});
    ConvertResult r = ConvertRcp(Song(tracks));
    EXPECT_EQ(Ons(Parse(r)), (std::vector<Note>{{0, 4, 64}}));
    EXPECT_EQ(r.report.broken, 0u);
}

std::string G36Track(const std::vector<Ev6>& events, unsigned channel) {
    std::size_t size = 46 + 6 * events.size();
    std::string b = {static_cast<char>(size & 0xFF), static_cast<char>(size >> 8), 0, 0, 1, 0,
                     static_cast<char>(channel), 0, 0, 0};
    b += std::string(36, ' ');
    for (const Ev6& e : events)
        for (unsigned v : e) b += static_cast<char>(v);
    return b;
}

TEST(RcpLayouts, G36HeaderWideStepsAndFiveByteExclusiveData) {
    std::string b(0xC98, '\0');
    b.replace(0, 31, "COME ON MUSIC RECOMPOSER RCP3.0");
    b.replace(0x20, 4, "G36!");
    b[0x208] = 2;                           // two tracks
    b[0x20A] = '\xE0', b[0x20B] = 0x01;     // time base 480
    b[0x20C] = '\x96';                      // tempo 150
    b[0x20E] = 3, b[0x20F] = 4;             // 3/4
    b[0x211] = 0x05;                        // play bias +5
    b += G36Track({{60, 100, 0xE0, 0x01, 0xF0, 0x00},          // step 480, gate 240
                   {0xF9, 0, 0, 0, 0, 0},
                   {62, 90, 0x2C, 0x01, 0xC8, 0x00},           // step 300, gate 200
                   {0xF8, 0, 2, 0, 0, 0},                      // twice
                   {0x98, 0, 0, 0, 0, 0},
                   {0xF7, 0x41, 0x10, 0x42, 0x12, 0x83},
                   {0xF7, 0x40, 0x00, 0x7F, 0x00, 0x84},
                   {0xF7, 0xF7, 0, 0, 0, 0},
                   {0xE7, 0, 0, 0, 0x20, 0},                   // half the tempo
                   {64, 80, 0x10, 0x00, 0x10, 0x00},
                   {0xFE, 0, 0, 0, 0, 0}},
                  3);
    b += G36Track({{40, 70, 0x00, 0x00, 0x30, 0x00}, {0xFE, 0, 0, 0, 0, 0}}, 9);
    ConvertResult r = ConvertRcp(b);
    midi::Song song = Parse(r);
    EXPECT_EQ(r.report.layout, RcpLayout::Rcp3);
    EXPECT_EQ(r.report.title, "G36!");
    EXPECT_EQ(song.division(), 480);
    EXPECT_EQ(song.BpmAt(0), 150);
    EXPECT_EQ(song.BpmAt(1080), 75);
    EXPECT_EQ(Ons(song), (std::vector<Note>{{0, 3, 65}, {0, 9, 45}, {480, 3, 67}, {780, 3, 67}, {1080, 3, 69}}));
    EXPECT_EQ(Sysex(song),
              std::vector<std::string>{Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7})});
    bool meter = false;
    for (const midi::Event& e : song.events()) meter = meter || e.bytes == Bytes({0xFF, 0x58, 3, 2, 24, 8});
    EXPECT_TRUE(meter);
    EXPECT_EQ(song.end_tick(), 1080u + 16);
    EXPECT_EQ(r.report.broken, 0u);
}

TEST(RcpDamage, TracksRunningPastTheFileAndTornCommandsAreReported) {
    std::string b = OneTrack({N(60), N(62)});
    b[0x586] = '\xFF';  // size far beyond the file
    b[0x587] = '\xFF';
    b.pop_back();  // the last command torn
    ConvertResult r = ConvertRcp(b);
    EXPECT_EQ(r.report.notes, 1u);
    EXPECT_EQ(r.report.broken, 2u);

    std::string tiny = OneTrack({N(60)});
    tiny[0x586] = 3;  // smaller than its header
    tiny[0x587] = 0;
    ConvertResult z = ConvertRcp(tiny);
    EXPECT_EQ(z.error, ConvertError::None);
    EXPECT_EQ(z.report.notes, 0u);
    EXPECT_EQ(z.report.broken, 1u);

    // Eighteen tracks announced, one there.
    ConvertResult missing = ConvertRcp(Song({Track({N(60)})}, {.track_count = 18}));
    EXPECT_EQ(missing.report.notes, 1u);
    EXPECT_EQ(missing.report.broken, 1u);

    EXPECT_EQ(ConvertRcp("").error, ConvertError::NotRcp);
    EXPECT_EQ(ConvertRcp("MThd\0\0\0\6").error, ConvertError::NotRcp);
    EXPECT_EQ(ConvertRcp(std::string_view(b).substr(0, 0x500)).error, ConvertError::NotRcp);
}

TEST(RcpHeader, TitleMemoAndTrackNamesReachTheSong) {
    std::string b = OneTrack({N(60)});
    b.replace(0x20, 6, "\x83\x65\x83\x58\x83\x67");  // CP932 bytes pass through unchanged
    b.replace(0x60, 10, "first line");
    b.replace(0x60 + 2 * 0x1C, 5, "third");
    b.replace(0x586 + 8, 5, "Piano");
    ConvertResult r = ConvertRcp(b);
    EXPECT_EQ(r.report.title, "\x83\x65\x83\x58\x83\x67");
    midi::Song song = Parse(r);
    std::vector<std::string> metas;
    for (const midi::Event& e : song.events())
        if (e.IsMeta()) metas.push_back(e.bytes);
    for (const std::string& want : {std::string("\xFF\x03\x83\x65\x83\x58\x83\x67"), std::string("\xFF\x01" "first line"),
                                    std::string("\xFF\x01" "third"), std::string("\xFF\x03" "Piano")})
        EXPECT_NE(std::find(metas.begin(), metas.end(), want), metas.end()) << want;
}

TEST(RcpProgress, ReportsAndCancels) {
    std::string b = Song({Track({N(60)}), Track({N(62)})});
    std::vector<int> seen;
    ConvertResult r = ConvertRcp(b, {}, [&](int p) { return seen.push_back(p), true; });
    EXPECT_EQ(r.error, ConvertError::None);
    EXPECT_EQ(seen, (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(ConvertRcp(b, {}, [](int p) { return p < 50; }).error, ConvertError::Cancelled);
}

}  // namespace
}  // namespace nuko::rcpcv
