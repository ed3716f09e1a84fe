#include "playback/midi_song.h"

#include <gtest/gtest.h>

#include "media_fixtures.h"
#include "test_support.h"

namespace nuko::midi {
namespace {

using test::SmfWriter;

int NoteOns(const Song& song) {
    int n = 0;
    for (const auto& e : song.events())
        if ((e.Status() & 0xF0) == 0x90 && e.bytes.size() == 3 && e.bytes[2] != 0) ++n;
    return n;
}

Song MustParse(std::string_view bytes) {
    std::string why;
    auto song = ParseSmf(bytes, &why);
    EXPECT_TRUE(song) << why;
    return song ? *song : Song();
}

// 120 bpm for four beats, then 60 bpm for four beats, at 480 ticks a beat.
std::string TempoChangeSong() {
    SmfWriter w(480);
    w.Track().Tempo(0, 500000).Tempo(1920, 1000000).EndAfter(1920);
    w.Track();
    for (int i = 0; i < 8; ++i) w.Note(0, 60 + i, 480);
    return w.Bytes();
}

TEST(MidiSongTest, TempoMapGivesLengthPositionsAndSongPointer) {
    Song song = MustParse(TempoChangeSong());
    EXPECT_EQ(song.division(), 480);
    EXPECT_EQ(song.end_tick(), 3840u);
    EXPECT_EQ(song.LengthMs(), 6000);
    EXPECT_EQ(song.TickToMs(1920), 2000);
    EXPECT_EQ(song.TickToMs(2400), 3000);
    EXPECT_EQ(song.MsToTick(2000), 1920u);
    EXPECT_EQ(song.MsToTick(4000), 2880u);
    EXPECT_EQ(song.MsToTick(999999), 3840u);  // never past the end
    EXPECT_EQ(song.BpmAt(0), 120);
    EXPECT_EQ(song.BpmAt(1919), 120);
    EXPECT_EQ(song.BpmAt(1920), 60);
    EXPECT_EQ(song.SixteenthsAt(1920), 16u);
    EXPECT_EQ(song.SixteenthsAt(3840), 32u);
    EXPECT_EQ(NoteOns(song), 8);
}

TEST(MidiSongTest, WithoutTempoEventsTheSongRunsAt120) {
    SmfWriter w(96, 0);
    w.Track().Note(0, 60, 96 * 4);
    Song song = MustParse(w.Bytes());
    EXPECT_EQ(song.LengthMs(), 2000);
    EXPECT_EQ(song.tempo_map().size(), 1u);
}

TEST(MidiSongTest, TimeCodeDivisionCountsSeconds) {
    // 25 frames a second, 40 ticks a frame: 1000 ticks a second; tempo
    // events mean nothing.
    SmfWriter w(0xE728);
    w.Track().Tempo(0, 250000).Note(0, 60, 3000);
    Song song = MustParse(w.Bytes());
    EXPECT_EQ(song.LengthMs(), 3000);
    EXPECT_EQ(song.TickToMs(1500), 1500);
}

TEST(MidiSongTest, FormatTwoTracksPlayOneAfterAnother) {
    SmfWriter w(480, 2);
    w.Track().Note(0, 60, 960);
    w.Track().Note(0, 64, 960);
    Song song = MustParse(w.Bytes());
    EXPECT_EQ(song.end_tick(), 1920u);
    ASSERT_EQ(NoteOns(song), 2);
    EXPECT_EQ(song.events()[0].tick, 0u);
    EXPECT_EQ(song.events()[2].tick, 960u);
}

TEST(MidiSongTest, CorpusOddFilesReadAsPlayersReadThem) {
    NUKO_CORPUS_FILE(dir, "midi/");
    // A chunk that is no track is skipped.
    Song junk = MustParse(test::ReadBytes(dir + "jazzsoft_test-non-midi-track.mid"));
    EXPECT_EQ(NoteOns(junk), 8);
    // Running status survives a meta event in the middle of the scale.
    Song running = MustParse(test::ReadBytes(dir + "jazzsoft_test-running-status-metaevent.mid"));
    EXPECT_EQ(NoteOns(running), 8);
    // The last byte missing: the scale is all there.
    Song missing = MustParse(test::ReadBytes(dir + "jazzsoft_test-corrupt-file-missing-byte.mid"));
    EXPECT_EQ(NoteOns(missing), 8);
    Song extra = MustParse(test::ReadBytes(dir + "jazzsoft_test-corrupt-file-extra-byte.mid"));
    EXPECT_EQ(NoteOns(extra), 8);
    // Two scales in a format 2 file: the second starts after the first.
    Song two = MustParse(test::ReadBytes(dir + "jazzsoft_test-2-tracks-type-2.mid"));
    EXPECT_EQ(NoteOns(two), 16);
    EXPECT_GE(two.LengthMs(), 8000);
}

TEST(MidiSongTest, RmiFilesCarryTheSongInTheirDataChunk) {
    std::string smf = TempoChangeSong();
    auto le32 = [](std::uint32_t v) {
        std::string s;
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return s;
    };
    std::string info = "LIST" + le32(4) + "INFO";
    std::string rmi = "RIFF" + le32(static_cast<std::uint32_t>(4 + info.size() + 8 + smf.size())) + "RMID" + info +
                      "data" + le32(static_cast<std::uint32_t>(smf.size())) + smf;
    Song song = MustParse(rmi);
    EXPECT_EQ(song.LengthMs(), 6000);
}

TEST(MidiSongTest, WhatIsNoSongIsRefused) {
    std::string why;
    EXPECT_FALSE(ParseSmf("", &why));
    EXPECT_FALSE(ParseSmf("RIFF....WAVEfmt ", &why));
    EXPECT_FALSE(why.empty());
    SmfWriter zero(0);
    zero.Track().Note(0, 60, 10);
    EXPECT_FALSE(ParseSmf(zero.Bytes(), &why));
    SmfWriter none(96);
    EXPECT_FALSE(ParseSmf(none.Bytes(), &why));  // a header and no track
    // A header length that runs past the file.
    EXPECT_FALSE(ParseSmf(std::string("MThd\x7F\xFF\xFF\xFF\x00\x00\x00\x01\x00\x60", 14), &why));
}

TEST(MidiSongTest, BrokenTracksEndWhereTheyBreak) {
    // Each track with the note-ons read before its break.
    const std::pair<std::string, int> cases[] = {
        // A data byte with no status before it.
        {std::string("\x00\x3C\x40", 3), 0},
        // A note, then a sysex that cancels running status: the data bytes
        // after it are no second note.
        {std::string("\x00\x90\x3C\x40\x00\xF0\x01\xF7\x00\x3E\x40", 11), 1},
        // A delta that never ends.
        {std::string("\xFF\xFF\xFF\xFF\xFF", 5), 0},
        // A text of 127 bytes in a track of 7.
        {std::string("\x00\xFF\x01\x7F" "abc", 7), 0},
        // A system common message, which has no place in a file.
        {std::string("\x00\xF3\x01", 3), 0},
    };
    for (const auto& [body, note_ons] : cases) {
        std::string smf = std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0", 21) +
                          static_cast<char>(body.size()) + body;
        auto song = ParseSmf(smf);
        ASSERT_TRUE(song);
        EXPECT_EQ(NoteOns(*song), note_ons) << testing::PrintToString(body);
    }
}

TEST(MidiSongTest, WrittenSongReadsBackTheSame) {
    SmfWriter w(480);
    w.Track().Tempo(0, 600000).Raw(0, std::string("\xF0\x05\x7E\x7F\x09\x01\xF7", 7)).Raw(10, "\xB0\x07\x64");
    w.Track().Raw(0, "\x90\x3C\x40").Raw(100, "\x3C\x00").Raw(0, "\xC0\x05").EndAfter(500);
    Song song = MustParse(w.Bytes());
    Song again = MustParse(song.ToSmf());
    ASSERT_EQ(again.events().size(), song.events().size());
    for (std::size_t i = 0; i < song.events().size(); ++i) {
        EXPECT_EQ(again.events()[i].tick, song.events()[i].tick);
        EXPECT_EQ(again.events()[i].bytes, song.events()[i].bytes);
    }
    EXPECT_EQ(again.end_tick(), song.end_tick());
    EXPECT_EQ(again.LengthMs(), song.LengthMs());

    // With markers, the system exclusive message becomes a text event that
    // names it.
    Song marked = MustParse(song.ToSmf(true));
    std::size_t sysex = 0;
    while (!song.events()[sysex].IsSysex()) ++sysex;
    const Event& text = marked.events()[sysex];
    ASSERT_TRUE(text.IsMeta());
    EXPECT_EQ(SysexMarkerIndex(std::string_view(text.bytes).substr(2)), sysex);
    EXPECT_FALSE(SysexMarkerIndex("hello"));
    EXPECT_FALSE(SysexMarkerIndex(std::string_view("\0nuko-sysex:", 12)));
}

TEST(MidiSongTest, GapsLongerThanOneDeltaTimeAreWrittenReadably) {
    // Format 2 patterns one after another: the second pattern's note comes
    // more than the longest delta time after the first one's.
    constexpr std::uint32_t kLongestDelta = 0x0FFFFFFF;
    SmfWriter w(480, 2);
    w.Track().Tempo(0, 400000).Raw(0, "\x90\x3C\x40").EndAfter(kLongestDelta);
    w.Track().Raw(kLongestDelta, "\x80\x3C\x40").EndAfter(5);
    Song song = MustParse(w.Bytes());
    ASSERT_EQ(song.end_tick(), 2 * kLongestDelta + 5);
    Song again = MustParse(song.ToSmf());
    EXPECT_EQ(again.end_tick(), song.end_tick());
    EXPECT_EQ(again.LengthMs(), song.LengthMs());
    ASSERT_FALSE(again.events().empty());
    EXPECT_EQ(again.events().back().tick, 2 * kLongestDelta);
    EXPECT_EQ(again.events().back().bytes, "\x80\x3C\x40");
    // What bridges the gap repeats the tempo in force.
    for (const auto& e : again.events())
        if (e.tick > 0 && e.tick < 2 * kLongestDelta) EXPECT_EQ(e.bytes, std::string("\xFF\x51\x06\x1A\x80", 5));
}

}  // namespace
}  // namespace nuko::midi
