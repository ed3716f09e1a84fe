#include "rcp_convert.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "playback/midi_song.h"
#include "rcp_builder.h"

namespace nuko::rcpcv {
namespace {

using test::RcpFile;
using test::RcpTrack;

std::string ReadCorpus(const std::string& name) {
    std::ifstream in(std::string(NUKO_CORPUS_DIR) + "/rcp/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

midi::Song Parse(const ConvertResult& r) {
    EXPECT_EQ(r.error, ConvertError::None);
    std::string error;
    auto song = midi::ParseSmf(std::string_view(reinterpret_cast<const char*>(r.smf.data()), r.smf.size()), &error);
    EXPECT_TRUE(song) << error;
    return song ? *song : midi::Song{};
}

struct NoteEvent {
    std::uint32_t tick;
    bool on;
    int channel, key, velocity;
};

std::vector<NoteEvent> Notes(const midi::Song& song) {
    std::vector<NoteEvent> notes;
    for (const midi::Event& e : song.events()) {
        unsigned s = e.Status();
        if ((s & 0xE0) != 0x80 || e.bytes.size() < 3) continue;
        int vel = static_cast<unsigned char>(e.bytes[2]);
        notes.push_back({e.tick, (s & 0xF0) == 0x90 && vel > 0, static_cast<int>(s & 15),
                         static_cast<unsigned char>(e.bytes[1]), vel});
    }
    return notes;
}

std::vector<std::string> Messages(const midi::Song& song, std::uint8_t status_high) {
    std::vector<std::string> out;
    for (const midi::Event& e : song.events())
        if ((e.Status() & 0xF0) == status_high) out.push_back(e.bytes);
    return out;
}

std::string Bytes(std::initializer_list<unsigned> v) {
    std::string s;
    for (unsigned b : v) s += static_cast<char>(b);
    return s;
}

ConvertResult Convert(const RcpFile& f, ConvertLimits limits = {}) { return ConvertRcp(f.Build(), limits); }

RcpFile OneTrack(std::vector<std::array<unsigned, 4>> events, bool rcp3 = false) {
    RcpFile f;
    f.rcp3 = rcp3;
    RcpTrack t;
    t.events = std::move(events);
    t.events.push_back({0xFE, 0xFE, 0xFE, 0xFE});
    f.tracks.push_back(t);
    return f;
}

// What the test expects from the commands alone: every note with a gate
// and a velocity, on a track with a channel, in files without repeats.
std::uint64_t CountNotes(std::string_view b) {
    RcpLayout layout;
    if (!DetectLayout(b, &layout)) return 0;
    bool r3 = layout == RcpLayout::Rcp3;
    auto byte = [&](std::size_t at) { return at < b.size() ? static_cast<unsigned char>(b[at]) : 0u; };
    std::size_t pos = r3 ? 0xC98 : 0x586, hsize = r3 ? 0x2E : 0x2C, ev = r3 ? 6 : 4;
    unsigned count = r3 ? byte(0x208) : byte(0x1E6);
    std::uint64_t notes = 0;
    for (unsigned t = 0; t < count && pos + hsize <= b.size(); ++t) {
        std::size_t size = r3 ? byte(pos) | byte(pos + 1) << 8 | byte(pos + 2) << 16 : byte(pos) | byte(pos + 1) << 8;
        unsigned channel = byte(pos + (r3 ? 6 : 4));
        for (std::size_t e = pos + hsize; e + ev <= pos + size && byte(e) != 0xFE; e += ev) {
            unsigned gate = r3 ? byte(e + 4) | byte(e + 5) << 8 : byte(e + 2);
            unsigned vel = r3 ? byte(e + 1) : byte(e + 3);
            if (byte(e) < 0x80 && gate > 0 && vel > 0 && channel < 32) ++notes;
        }
        pos += size;
    }
    return notes;
}

TEST(RcpCorpus, BothFilesConvertWithTheirHeaderTempoMeterAndNotes) {
    for (const char* name : {"sted2clone_sted-cli_test.rcp", "sted2clone_recomposer-file_test.rcp"}) {
        SCOPED_TRACE(name);
        std::string bytes = ReadCorpus(name);
        ASSERT_FALSE(bytes.empty());
        RcpLayout layout;
        ASSERT_TRUE(DetectLayout(bytes, &layout));
        const bool r3 = layout == RcpLayout::Rcp3;
        unsigned timebase = r3 ? static_cast<unsigned char>(bytes[0x20A]) : static_cast<unsigned char>(bytes[0x1C0]);
        unsigned tempo = r3 ? static_cast<unsigned char>(bytes[0x20C]) : static_cast<unsigned char>(bytes[0x1C1]);
        unsigned num = static_cast<unsigned char>(bytes[r3 ? 0x20E : 0x1C2]);
        unsigned den = static_cast<unsigned char>(bytes[r3 ? 0x20F : 0x1C3]);

        ConvertResult r = ConvertRcp(bytes);
        midi::Song song = Parse(r);
        EXPECT_EQ(song.division(), static_cast<int>(timebase));
        EXPECT_EQ(song.BpmAt(0), static_cast<int>(tempo));
        bool meter = false;
        for (const midi::Event& e : song.events())
            if (e.bytes.size() >= 4 && e.bytes.substr(0, 2) == Bytes({0xFF, 0x58})) {
                meter = true;
                EXPECT_EQ(static_cast<unsigned>(e.bytes[2]), num);
                EXPECT_EQ(1u << e.bytes[3], den);
            }
        EXPECT_TRUE(meter);
        std::uint64_t expected = CountNotes(bytes);
        EXPECT_GT(expected, 0u);
        EXPECT_EQ(r.report.notes, expected);
        std::uint64_t ons = 0;
        for (const NoteEvent& n : Notes(song)) ons += n.on;
        EXPECT_EQ(ons, expected);
        EXPECT_EQ(r.report.title, "Test song");
        EXPECT_EQ(r.report.skipped, 0u);
        EXPECT_FALSE(r.report.cut);
        EXPECT_GT(r.report.seconds, 1.0);
    }
}

TEST(RcpCorpus, EveryTruncationConvertsOrIsRefusedWithoutHarm) {
    for (const char* name : {"sted2clone_sted-cli_test.rcp", "sted2clone_recomposer-file_test.rcp"}) {
        std::string bytes = ReadCorpus(name);
        for (std::size_t n = 0; n < bytes.size(); n += 3) {
            ConvertResult r = ConvertRcp(std::string_view(bytes).substr(0, n));
            if (r.error != ConvertError::None) continue;
            EXPECT_TRUE(midi::ParseSmf(std::string_view(reinterpret_cast<const char*>(r.smf.data()), r.smf.size())));
        }
    }
}

TEST(RcpHeader, TitleMemoAndSignatureReachTheConductorTrack) {
    RcpFile f = OneTrack({{60, 48, 40, 100}});
    f.title = "\x83\x65\x83\x58\x83\x67";  // CP932 bytes pass through unchanged
    f.memo = {"first line", "", "third"};
    f.beat_num = 3;
    f.beat_den = 8;
    f.tempo = 90;
    f.timebase = 480;
    ConvertResult r = Convert(f);
    midi::Song song = Parse(r);
    EXPECT_EQ(r.report.title, f.title);
    EXPECT_EQ(song.division(), 480);
    EXPECT_EQ(song.BpmAt(0), 90);
    std::vector<std::string> metas;
    for (const midi::Event& e : song.events())
        if (e.IsMeta()) metas.push_back(e.bytes);
    EXPECT_NE(std::find(metas.begin(), metas.end(), "\xFF\x03" + f.title), metas.end());
    EXPECT_NE(std::find(metas.begin(), metas.end(), "\xFF\x01" "first line"), metas.end());
    EXPECT_NE(std::find(metas.begin(), metas.end(), "\xFF\x01" "third"), metas.end());
    EXPECT_NE(std::find(metas.begin(), metas.end(), Bytes({0xFF, 0x58, 3, 3, 24, 8})), metas.end());
}

TEST(RcpHeader, ForeignAndShortFilesAreRefused) {
    EXPECT_EQ(ConvertRcp("").error, ConvertError::NotRcp);
    EXPECT_EQ(ConvertRcp("MThd\0\0\0\6").error, ConvertError::NotRcp);
    std::string whole = OneTrack({{60, 48, 40, 100}}).Build();
    EXPECT_EQ(ConvertRcp(std::string_view(whole).substr(0, 0x500)).error, ConvertError::NotRcp);
}

TEST(RcpNotes, GateStepVelocityAndTransposition) {
    RcpFile f = OneTrack({{60, 48, 24, 100}, {62, 0, 12, 80}, {64, 24, 0, 90}, {65, 24, 30, 0}, {67, 10, 5, 70}});
    f.tracks[0].channel = 3;
    f.tracks[0].key = 0x74;  // an octave down
    f.play_bias = 2;
    midi::Song song = Parse(Convert(f));
    std::vector<NoteEvent> n = Notes(song);
    // A command's step is the time to the next one; gate 0 and velocity 0
    // sound nothing.
    ASSERT_EQ(n.size(), 6u);
    EXPECT_EQ(n[0].tick, 0u);
    EXPECT_TRUE(n[0].on);
    EXPECT_EQ(n[0].key, 50);
    EXPECT_EQ(n[0].velocity, 100);
    EXPECT_EQ(n[0].channel, 3);
    EXPECT_EQ(n[1].tick, 24u);
    EXPECT_FALSE(n[1].on);
    EXPECT_EQ(n[2].tick, 48u);
    EXPECT_EQ(n[2].key, 52);
    EXPECT_EQ(n[2].velocity, 80);
    EXPECT_EQ(n[3].tick, 60u);
    EXPECT_FALSE(n[3].on);
    EXPECT_EQ(n[4].tick, 96u);
    EXPECT_EQ(n[4].key, 57);
    EXPECT_EQ(n[5].tick, 101u);
}

TEST(RcpNotes, ReStruckKeyEndsTheEarlierNoteFirst) {
    // The first note's gate outlasts its step: at tick 24 the key sounds
    // again, so its end moves there, before the new start.
    RcpFile f = OneTrack({{60, 24, 48, 100}, {60, 24, 24, 90}, {60, 24, 24, 80}});
    std::vector<NoteEvent> n = Notes(Parse(Convert(f)));
    ASSERT_EQ(n.size(), 6u);
    std::vector<std::pair<std::uint32_t, bool>> seq;
    for (const auto& e : n) seq.emplace_back(e.tick, e.on);
    std::vector<std::pair<std::uint32_t, bool>> want = {{0, true}, {24, false}, {24, true}, {48, false}, {48, true}, {72, false}};
    EXPECT_EQ(seq, want);
}

TEST(RcpNotes, ChannelCommandAndSilentTracks) {
    RcpFile f = OneTrack({{60, 10, 5, 100}, {0xE6, 0, 10, 0}, {61, 10, 5, 100}, {0xE6, 0, 0, 0}, {62, 10, 5, 100}});
    RcpTrack silent;
    silent.channel = 0xFF;
    silent.events = {{70, 10, 5, 100}, {0xFE, 0, 0, 0}};
    RcpTrack muted;
    muted.mode = 1;
    muted.events = {{71, 10, 5, 100}, {0xFE, 0, 0, 0}};
    f.tracks.push_back(silent);
    f.tracks.push_back(muted);
    ConvertResult r = Convert(f);
    std::vector<NoteEvent> n = Notes(Parse(r));
    ASSERT_EQ(n.size(), 4u);
    EXPECT_EQ(n[0].channel, 0);
    EXPECT_EQ(n[2].channel, 9);
    EXPECT_EQ(r.report.notes, 2u);
    EXPECT_EQ(r.report.tracks, 1);

    // A track on the second port plays on the same channel number, marked
    // with its port.
    RcpFile b = OneTrack({{60, 10, 5, 100}});
    b.tracks[0].channel = 0x13;
    midi::Song song = Parse(Convert(b));
    EXPECT_EQ(Notes(song).front().channel, 3);
    bool port = false;
    for (const midi::Event& e : song.events()) port = port || e.bytes == Bytes({0xFF, 0x21, 0x01});
    EXPECT_TRUE(port);
}

TEST(RcpRepeats, LoopsNestAndCount) {
    RcpFile f = OneTrack({{0xF9, 0, 0, 0},
                          {0xF9, 0, 0, 0},
                          {60, 10, 5, 100},
                          {0xF8, 3, 0, 0},
                          {62, 10, 5, 100},
                          {0xF8, 2, 0, 0},
                          {64, 10, 5, 100}});
    ConvertResult r = Convert(f);
    std::vector<NoteEvent> n = Notes(Parse(r));
    std::vector<int> keys;
    for (const auto& e : n)
        if (e.on) keys.push_back(e.key);
    EXPECT_EQ(keys, (std::vector<int>{60, 60, 60, 62, 60, 60, 60, 62, 64}));
    EXPECT_EQ(n.back().tick, 85u);
    EXPECT_EQ(r.report.skipped, 0u);
}

TEST(RcpRepeats, ALoopCountInTheGateIsTakenWhenTheStepHasNone) {
    RcpFile f = OneTrack({{0xF9, 0, 0, 0}, {60, 10, 5, 100}, {0xF8, 0, 2, 0}, {62, 10, 5, 100}});
    ConvertResult r = Convert(f);
    EXPECT_EQ(r.report.notes, 3u);
    EXPECT_FALSE(r.report.cut);
}

TEST(RcpRepeats, SameMeasurePlaysTheMeasureAgainAndReturns) {
    // Measure 0: two notes; measure 1 refers to measure 0 by number and by
    // its offset from the track start (0x2C: right after the track header).
    RcpFile f = OneTrack({{60, 24, 10, 100}, {62, 24, 10, 100}, {0xFD, 0, 0, 0},
                          {0xFC, 0x00, 0x00, 0x2C}, {64, 24, 10, 100}, {0xFD, 0, 0, 0}});
    std::vector<int> keys;
    std::vector<std::uint32_t> ticks;
    for (const auto& e : Notes(Parse(Convert(f))))
        if (e.on) keys.push_back(e.key), ticks.push_back(e.tick);
    EXPECT_EQ(keys, (std::vector<int>{60, 62, 60, 62, 64}));
    EXPECT_EQ(ticks, (std::vector<std::uint32_t>{0, 24, 48, 72, 96}));

    // The measure number alone (an offset that names no measure start).
    RcpFile by_number = OneTrack({{60, 24, 10, 100}, {0xFD, 0, 0, 0}, {62, 24, 10, 100}, {0xFD, 0, 0, 0},
                                  {0xFC, 0x7F, 0x01, 0x00}, {0xFD, 0, 0, 0}});
    keys.clear();
    for (const auto& e : Notes(Parse(Convert(by_number))))
        if (e.on) keys.push_back(e.key);
    EXPECT_EQ(keys, (std::vector<int>{60, 62, 62}));

    // A reference to a measure that does not exist is skipped and counted.
    RcpFile bad = OneTrack({{60, 24, 10, 100}, {0xFD, 0, 0, 0}, {0xFC, 0, 90, 0x04}, {62, 24, 10, 100}});
    ConvertResult r = Convert(bad);
    EXPECT_EQ(r.report.notes, 2u);
    EXPECT_EQ(r.report.skipped, 1u);
}

TEST(RcpRepeats, EndlessLoopsAreCutAtTheTimeBound) {
    ConvertLimits limits;
    limits.max_seconds = 20;
    RcpFile f = OneTrack({{0xF9, 0, 0, 0}, {60, 48, 40, 100}, {0xF8, 0, 0, 0}});
    ConvertResult r = Convert(f, limits);
    EXPECT_TRUE(r.report.cut);
    EXPECT_LE(r.report.seconds, 20.01);
    EXPECT_GE(r.report.seconds, 19.0);
    EXPECT_EQ(r.report.notes, 40u);  // half a second each at 120 bpm
    midi::Song song = Parse(r);
    int balance = 0;
    for (const auto& e : Notes(song)) balance += e.on ? 1 : -1;
    EXPECT_EQ(balance, 0);

    // A loop without time or notes ends too.
    RcpFile empty = OneTrack({{0xF9, 0, 0, 0}, {0xF8, 0, 0, 0}, {60, 48, 40, 100}});
    ConvertResult e = Convert(empty, limits);
    EXPECT_TRUE(e.report.cut);
}

TEST(RcpRepeats, EventBoundCutsTheOutput) {
    ConvertLimits limits;
    limits.max_events = 101;
    RcpFile f = OneTrack({{0xF9, 0, 0, 0}, {60, 1, 1, 100}, {0xF8, 0, 0, 0}});
    ConvertResult r = Convert(f, limits);
    EXPECT_TRUE(r.report.cut);
    EXPECT_LE(r.report.notes, 51u);
    Parse(r);
}

TEST(RcpCommands, ChannelMessages) {
    RcpFile f = OneTrack({{0xEB, 0, 7, 100}, {0xEC, 0, 5, 0}, {0xE2, 0, 9, 8}, {0xE1, 0, 4, 3},
                          {0xEE, 0, 0x00, 0x50}, {0xEA, 0, 33, 0}, {0xED, 0, 60, 44}});
    f.tracks[0].channel = 2;
    midi::Song song = Parse(Convert(f));
    EXPECT_EQ(Messages(song, 0xB0), (std::vector<std::string>{Bytes({0xB2, 7, 100}), Bytes({0xB2, 0, 8}), Bytes({0xB2, 32, 3})}));
    EXPECT_EQ(Messages(song, 0xC0), (std::vector<std::string>{Bytes({0xC2, 5}), Bytes({0xC2, 9}), Bytes({0xC2, 4})}));
    EXPECT_EQ(Messages(song, 0xE0), std::vector<std::string>{Bytes({0xE2, 0x00, 0x50})});
    EXPECT_EQ(Messages(song, 0xD0), std::vector<std::string>{Bytes({0xD2, 33})});
    EXPECT_EQ(Messages(song, 0xA0), std::vector<std::string>{Bytes({0xA2, 60, 44})});
}

TEST(RcpCommands, TempoChangesScaleTheSongTempo) {
    RcpFile f = OneTrack({{60, 48, 40, 100}, {0xE7, 0, 128, 0}, {60, 48, 40, 100}});
    ConvertResult r = Convert(f);
    midi::Song song = Parse(r);
    EXPECT_EQ(song.BpmAt(0), 120);
    EXPECT_EQ(song.BpmAt(48), 240);
    EXPECT_NEAR(r.report.seconds, 0.5 + 40 / 48.0 / 4, 0.01);
}

TEST(RcpCommands, RolandAndYamahaExclusivesCarryTheirChecksums) {
    // GS reset: base address 40 00, parameter 7F = 00.
    RcpFile f = OneTrack({{0xDF, 0, 0x10, 0x42}, {0xDD, 0, 0x40, 0x00}, {0xDE, 0, 0x7F, 0x00},
                          {0xD3, 0, 0x00, 0x00}, {0xD0, 0, 0x08, 0x01}, {0xD1, 0, 0x10, 0x4C}, {0xD2, 0, 0x07, 0x05}});
    midi::Song song = Parse(Convert(f));
    std::vector<std::string> sx;
    for (const midi::Event& e : song.events())
        if (e.IsSysex()) sx.push_back(e.bytes);
    ASSERT_EQ(sx.size(), 3u);
    EXPECT_EQ(sx[0], Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
    EXPECT_EQ(sx[1].substr(0, 4), Bytes({0xF0, 0x43, 0x10, 0x4C}));
    EXPECT_EQ(sx[2], Bytes({0xF0, 0x43, 0x10, 0x4C, 0x08, 0x01, 0x07, 0x05, 0xF7}));
}

TEST(RcpCommands, UserAndTrackExclusivesFillInValuesAndChecksum) {
    RcpFile f = OneTrack({{0x91, 0, 0x20, 0x7F},
                          {0x98, 0, 0x11, 0x22},
                          {0xF7, 0, 0x41, 0x83},
                          {0xF7, 0, 0x80, 0x81},
                          {0xF7, 0, 0x84, 0xF7}});
    f.tracks[0].channel = 5;
    // Roland DT1 with the value from the command and its checksum.
    f.user_sysex[1] = {0x41, 0x10, 0x42, 0x12, 0x83, 0x40, 0x11, 0x82, 0x80, 0x81, 0x84};
    midi::Song song = Parse(Convert(f));
    std::vector<std::string> sx;
    for (const midi::Event& e : song.events())
        if (e.IsSysex()) sx.push_back(e.bytes);
    ASSERT_EQ(sx.size(), 2u);
    unsigned sum1 = 0x40 + 0x11 + 5 + 0x20 + 0x7F;
    EXPECT_EQ(sx[0], Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 5, 0x20, 0x7F, (0x80 - (sum1 & 0x7F)) & 0x7F, 0xF7}));
    unsigned sum2 = 0x11 + 0x22;
    EXPECT_EQ(sx[1], Bytes({0xF0, 0x41, 0x11, 0x22, (0x80 - (sum2 & 0x7F)) & 0x7F, 0xF7}));
}

TEST(RcpCommands, CommentsBecomeTextAndUnknownCommandsAreCounted) {
    RcpFile f = OneTrack({{0xF6, 0, 'H', 'i'}, {0xF7, 0, ' ', 't'}, {0xF7, 0, 'o', ' '},
                          {0xB3, 24, 0, 0}, {0xC4, 24, 1, 2}, {60, 10, 5, 100}});
    f.tracks[0].comment = "Piano";
    ConvertResult r = Convert(f);
    midi::Song song = Parse(r);
    std::vector<std::string> texts;
    for (const midi::Event& e : song.events())
        if (e.IsMeta() && (e.bytes[1] == 0x01 || e.bytes[1] == 0x03)) texts.push_back(e.bytes.substr(2));
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Hi to"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Piano"), texts.end());
    EXPECT_EQ(r.report.skipped, 2u);
    // Unknown commands still take their step.
    EXPECT_EQ(Notes(song).front().tick, 48u);
}

TEST(RcpLayouts, ThirtySixTrackLayoutUsesWideSteps) {
    RcpFile f = OneTrack({{60, 600, 300, 100}, {62, 10, 1000, 90}}, true);
    f.timebase = 480;
    f.title = std::string(100, 'T');
    ConvertResult r = Convert(f);
    EXPECT_EQ(r.report.layout, RcpLayout::Rcp3);
    EXPECT_EQ(r.report.title, std::string(100, 'T'));
    std::vector<NoteEvent> n = Notes(Parse(r));
    ASSERT_EQ(n.size(), 4u);
    EXPECT_EQ(n[1].tick, 300u);
    EXPECT_EQ(n[2].tick, 600u);
    EXPECT_EQ(n[2].velocity, 90);
    EXPECT_EQ(n[3].tick, 1600u);
}

TEST(RcpLayouts, ThirtySixTrackLayoutRepeatsAndChangesTempo) {
    RcpFile f = OneTrack({{0xF9, 0, 0, 0}, {60, 48, 40, 100}, {0xF8, 3, 0, 0}, {0xFD, 0, 0, 0},
                          {0xE7, 0, 32, 0}, {0xFC, 0, 0, 0}, {62, 48, 40, 100}}, true);
    f.tempo = 200;
    ConvertResult r = Convert(f);
    midi::Song song = Parse(r);
    std::vector<int> keys;
    for (const auto& e : Notes(song))
        if (e.on) keys.push_back(e.key);
    // Three loop passes, the first measure (its loop with it) once more,
    // then the last note.
    EXPECT_EQ(keys, (std::vector<int>{60, 60, 60, 60, 60, 60, 62}));
    EXPECT_EQ(song.BpmAt(0), 200);
    EXPECT_EQ(song.BpmAt(144), 100);
}

TEST(RcpDamage, TrackSizesBeyondTheFileAndTornCommandsEndTheTrack) {
    std::string b = OneTrack({{60, 10, 5, 100}, {62, 10, 5, 100}}).Build();
    b[0x586] = '\xFF';  // size far beyond the file
    b[0x587] = '\xFF';
    b.pop_back();       // the end command torn
    ConvertResult r = ConvertRcp(b);
    EXPECT_EQ(r.report.notes, 2u);
    EXPECT_EQ(r.report.skipped, 1u);

    std::string broken = OneTrack({{60, 10, 5, 100}}).Build();
    broken[0x586] = 3;  // smaller than a track header
    broken[0x587] = 0;
    ConvertResult z = ConvertRcp(broken);
    EXPECT_EQ(z.error, ConvertError::None);
    EXPECT_EQ(z.report.notes, 0u);
}

TEST(RcpProgress, ReportsAndCancels) {
    RcpFile f = OneTrack({{60, 10, 5, 100}});
    f.tracks.push_back(f.tracks[0]);
    std::vector<int> seen;
    ConvertResult r = ConvertRcp(f.Build(), {}, [&](int p) { seen.push_back(p); return true; });
    EXPECT_EQ(r.error, ConvertError::None);
    EXPECT_EQ(seen, (std::vector<int>{0, 50, 100}));
    ConvertResult c = ConvertRcp(f.Build(), {}, [](int p) { return p < 50; });
    EXPECT_EQ(c.error, ConvertError::Cancelled);
}

}  // namespace
}  // namespace nuko::rcpcv
