// The converter on real songs, against figures read from them apart from
// the converter: the table of Grand Slam as two other converters render
// it, and the header fields and notes of the small songs read by hand.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "converted_song.h"
#include "playback/midi_song.h"
#include "rcpcv/rcp_convert.h"
#include "test_support.h"

namespace nuko::rcpcv {
namespace {

using test::Parse;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct ChannelNotes {
    int notes = 0;
    std::uint32_t first_tick = 0;
    int first_note = 0;  // the lowest key struck at the first tick
    std::uint32_t last_tick = 0;
    bool operator==(const ChannelNotes&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ChannelNotes& c) {
    return os << c.notes << " notes, ticks " << c.first_tick << " ... " << c.last_tick << ", first key " << c.first_note;
}

// Note-ons with a velocity, by MIDI channel 1 ... 16.
std::map<int, ChannelNotes> NotesByChannel(const midi::Song& song) {
    std::map<int, ChannelNotes> out;
    for (const midi::Event& e : song.events()) {
        if ((e.Status() & 0xF0) != 0x90 || e.bytes.size() < 3 || e.bytes[2] == 0) continue;
        int key = static_cast<unsigned char>(e.bytes[1]);
        auto [it, fresh] = out.try_emplace((e.Status() & 15) + 1);
        ChannelNotes& c = it->second;
        if (fresh || e.tick < c.first_tick) c.first_tick = e.tick, c.first_note = key;
        else if (e.tick == c.first_tick) c.first_note = std::min(c.first_note, key);
        c.last_tick = std::max(c.last_tick, e.tick);
        ++c.notes;
    }
    return out;
}

TEST(RcpCorpus, GrandSlamHoldsEveryChannelOfTheTable) {
    NUKO_CORPUS_FILE(dir, "rcp/");
    std::istringstream table(ReadFile(dir + "recomposerfile_grandslam.expected.tsv"));
    std::map<int, ChannelNotes> expected;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#' || line.starts_with("channel")) continue;
        std::istringstream f(line);
        int channel;
        ChannelNotes c;
        f >> channel >> c.notes >> c.first_tick >> c.first_note >> c.last_tick;
        ASSERT_TRUE(f) << line;
        expected[channel] = c;
    }
    ASSERT_EQ(expected.size(), 15u);

    ConvertResult r = ConvertRcp(ReadFile(dir + "recomposerfile_grandslam.rcp"));
    midi::Song song = Parse(r);
    EXPECT_EQ(song.division(), 48);
    std::map<int, ChannelNotes> got = NotesByChannel(song);
    for (const auto& [channel, want] : expected) EXPECT_EQ(got[channel], want) << "channel " << channel;
    EXPECT_EQ(got.size(), expected.size());  // and no channel beside them
    EXPECT_EQ(r.report.notes, 7576u);

    // 120 bpm until the tempo command at tick 576 sets 120 x 0x3C / 64.
    EXPECT_EQ(song.TempoAt(575), 500000u);
    EXPECT_EQ(song.TempoAt(576), 533333u);  // 60e6 / 112.5
    EXPECT_NEAR(r.report.seconds, 244, 1);
    EXPECT_NEAR(song.LengthMs() / 1000.0, 244, 1);
    EXPECT_EQ(r.report.skipped, 0u);
    EXPECT_EQ(r.report.broken, 0u);
    EXPECT_FALSE(r.report.cut);

    // Its 187 exclusives all go out, each whole: the first sets the master
    // volume (GS address 40 00 04) to 7F.
    int sysex = 0;
    std::string first;
    for (const midi::Event& e : song.events())
        if (e.IsSysex()) {
            if (sysex++ == 0) first = e.bytes;
            EXPECT_EQ(static_cast<unsigned char>(e.bytes.back()), 0xF7u);
        }
    EXPECT_EQ(sysex, 187);
    EXPECT_EQ(first, std::string("\xF0\x41\x10\x42\x12\x40\x00\x04\x7F\x3D\xF7", 11));
}

// Header fields read from the bytes (RCP 2.0: time base 0x1C0, tempo
// 0x1C1, beat 0x1C2/0x1C3; RCP 3.0: 0x20A, 0x20C, 0x20E/0x20F), and the
// one track of notes each small song holds, read by hand.
TEST(RcpCorpus, SmallSongsOfBothLayoutsConvertWithTheirHeaders) {
    NUKO_CORPUS_FILE(dir, "rcp/");
    using Ons = std::vector<std::pair<std::uint32_t, int>>;
    // Keys 60 62 64 65 | 67 69 71 72, a quarter note (48 ticks) apart.
    const Ons scale = {{0, 60}, {48, 62}, {96, 64}, {144, 65}, {192, 67}, {240, 69}, {288, 71}, {336, 72}};
    Ons up_and_down = scale;  // then down again in eighth notes
    for (int i = 0; i < 8; ++i) up_and_down.emplace_back(384 + 24 * i, scale[7 - i].second);
    struct Song {
        const char* name;
        RcpLayout layout;
        const char* title;
        int velocity;
        Ons ons;
        std::uint32_t end;  // the last note's end
    };
    for (const Song& s : {Song{"sted2clone_sted-cli_test.rcp", RcpLayout::Rcp2, "Test song", 0x64, up_and_down, 552 + 0x14},
                          Song{"sted2clone_testsong_r36.rcp", RcpLayout::Rcp2, "TEST SONG", 0x40, scale, 336 + 0x2D},
                          Song{"sted2clone_recomposer-file_test.rcp", RcpLayout::Rcp3, "Test song", 0x64, scale, 336 + 0x24}}) {
        SCOPED_TRACE(s.name);
        std::string bytes = ReadFile(dir + s.name);
        const bool r3 = s.layout == RcpLayout::Rcp3;
        auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes.at(i)); };
        ConvertResult r = ConvertRcp(bytes);
        midi::Song song = Parse(r);
        EXPECT_EQ(r.report.layout, s.layout);
        EXPECT_EQ(r.report.title, s.title);
        EXPECT_EQ(song.division(), at(r3 ? 0x20A : 0x1C0));
        EXPECT_EQ(song.BpmAt(0), at(r3 ? 0x20C : 0x1C1));
        bool meter = false;
        for (const midi::Event& e : song.events())
            if (e.bytes.starts_with("\xFF\x58")) {
                meter = true;
                EXPECT_EQ(static_cast<unsigned char>(e.bytes[2]), at(r3 ? 0x20E : 0x1C2));
                EXPECT_EQ(1u << e.bytes[3], at(r3 ? 0x20F : 0x1C3));
            }
        EXPECT_TRUE(meter);
        Ons ons;
        for (const midi::Event& e : song.events())
            if ((e.Status() & 0xF0) == 0x90 && e.bytes[2] != 0) {
                EXPECT_EQ(static_cast<unsigned char>(e.bytes[2]), s.velocity);
                ons.emplace_back(e.tick, static_cast<unsigned char>(e.bytes[1]));
            }
        EXPECT_EQ(ons, s.ons);
        EXPECT_EQ(song.end_tick(), s.end);
        EXPECT_EQ(r.report.skipped, 0u);
        EXPECT_EQ(r.report.broken, 0u);
        EXPECT_FALSE(r.report.cut);
    }
}

TEST(RcpCorpus, EveryTruncationConvertsOrIsRefusedWithoutHarm) {
    NUKO_CORPUS_FILE(dir, "rcp/");
    // Where each file's header ends (its first track begins: 0x586 in the
    // RCP 2.0 layout, 0xC98 in the RCP 3.0 one) and its last track ends, by
    // its sizes read by hand (the G36 file has 34 bytes after it).
    struct File {
        const char* name;
        std::size_t header_end;
        std::size_t tracks_end;
    };
    for (const File& f : {File{"sted2clone_sted-cli_test.rcp", 0x586, 2354},
                          File{"sted2clone_recomposer-file_test.rcp", 0xC98, 5156},
                          File{"sted2clone_testsong_r36.rcp", 0x586, 3182},
                          File{"recomposerfile_grandslam.rcp", 0x586, 66130}}) {
        SCOPED_TRACE(f.name);
        std::string bytes = ReadFile(dir + f.name);
        const std::size_t stride = bytes.size() > 10000 ? 997 : 3;
        int converted = 0;
        for (std::size_t n = 0; n < bytes.size(); n += stride) {
            ConvertResult r = ConvertRcp(std::string_view(bytes).substr(0, n));
            // A whole header converts, however little of the tracks is left.
            if (n >= f.header_end) {
                EXPECT_EQ(r.error, ConvertError::None) << n;
            }
            if (r.error != ConvertError::None) continue;
            ++converted;
            // A file torn inside its tracks says so.
            if (n < f.tracks_end) {
                EXPECT_GT(r.report.broken, 0u) << n;
            }
            EXPECT_TRUE(midi::ParseSmf(std::string_view(reinterpret_cast<const char*>(r.smf.data()), r.smf.size())));
        }
        EXPECT_GT(converted, 0);
    }
}

}  // namespace
}  // namespace nuko::rcpcv
