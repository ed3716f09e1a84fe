// The words inside a song: the corpus karaoke and lyric songs (their figures
// read from the files' bytes by hand: division, tempo, the events' ticks),
// songs written byte by byte in CP932 and EUC-JP, and bad input. Then the
// lyric screen drawn on the MIDI-Word text engine.
#include <gtest/gtest.h>

#include <random>

#include "media_fixtures.h"
#include "test_support.h"
#include "wrd/lyric_screen.h"
#include "wrd/lyrics.h"
#include "wrd_test_util.h"

using namespace nuko;
using media::SmfEncoding;
using test::SmfWriter;
using wrd::Lyrics;

namespace {

// A meta event after `delta` ticks: FF type, the length, the bytes.
std::string Meta(int type, std::string_view bytes) {
    std::string e = "\xFF";
    e += static_cast<char>(type);
    e += test::VarLen(static_cast<std::uint32_t>(bytes.size()));
    e += bytes;
    return e;
}

struct Timed {
    std::uint32_t delta;
    std::string bytes;
};

// One track of lyric events (type 5) after the deltas given, in a song of
// 480 ticks a quarter note at the default tempo (500 ms a quarter note).
std::string LyricSong(const std::vector<Timed>& lyrics, int type = 0x05) {
    SmfWriter w(480);
    auto& t = w.Track();
    for (const Timed& l : lyrics) t.Raw(l.delta, Meta(type, l.bytes));
    return w.Bytes();
}

std::vector<std::string> Lines(const Lyrics& l) {
    std::vector<std::string> out;
    for (const auto& line : l.lines) out.push_back(line.Text());
    return out;
}

std::vector<std::int64_t> Times(const Lyrics& l) {
    std::vector<std::int64_t> out;
    for (const auto& line : l.lines) out.push_back(line.ms());
    return out;
}

std::vector<bool> Pages(const Lyrics& l) {
    std::vector<bool> out;
    for (const auto& line : l.lines) out.push_back(line.new_page);
    return out;
}

Lyrics CorpusLyrics(const std::string& path) {
    auto l = wrd::ReadLyricsFile(path);
    EXPECT_TRUE(l) << path;
    return l ? *l : Lyrics{};
}

}  // namespace

TEST(Lyrics, KaraokeTextEventsOfTheWordsTrackWithoutHeaders) {
    NUKO_CORPUS_FILE(path, "midi/jazzsoft_test-karaoke-kar.mid");
    Lyrics l = CorpusLyrics(path);
    // Division 100, tempo 0A 2C 2B = 666667 us a quarter note: a tick is
    // 6.66667 ms. "\Ma" at 0, "/Lit" at 400 and 600, "/Ma" at 800, "/A " at
    // 1150. Track 0's credit text and track 1's "@T" header are not sung.
    EXPECT_TRUE(l.from_text_events);
    EXPECT_EQ(l.encoding, SmfEncoding::Cp932);
    EXPECT_EQ(Lines(l), (std::vector<std::string>{"Mary was a little lame,", "Little lame,", "Little lame,",
                                                  "Mary was a little lame,", "A little lame was she!"}));
    EXPECT_EQ(Times(l), (std::vector<std::int64_t>{0, 2666, 4000, 5333, 7666}));
    EXPECT_EQ(l.syllables, 26u);  // 7 + 3 + 3 + 7 + 6 text events
    EXPECT_FALSE(l.paged);        // one "\" only, before the first line
}

TEST(Lyrics, LyricEventsWithABackslashPage) {
    NUKO_CORPUS_FILE(path, "midi/nfroidure_MIDIOkFormat1-lyrics.mid");
    Lyrics l = CorpusLyrics(path);
    // Division 96, no tempo event: 500 ms a quarter note. "He" 0, "llo" 128,
    // "\Ka" 223: 223 * 500000 / 96 us.
    EXPECT_FALSE(l.from_text_events);
    EXPECT_EQ(Lines(l), (std::vector<std::string>{"Hello", "Karaoke"}));
    EXPECT_EQ(Times(l), (std::vector<std::int64_t>{0, 1161}));
    EXPECT_EQ(Pages(l), (std::vector<bool>{true, true}));
    EXPECT_TRUE(l.paged);
    EXPECT_EQ(l.syllables, 6u);
}

TEST(Lyrics, XfSongSkipsItsOwnChunks) {
    NUKO_CORPUS_FILE(path, "midi/xfmido_sample_xf.mid");
    Lyrics l = CorpusLyrics(path);
    // XFIH and XFKM chunks stand between the header and the track; the one
    // lyric comes at tick 480 of 480 a quarter note.
    EXPECT_EQ(Lines(l), (std::vector<std::string>{"Hello World"}));
    EXPECT_EQ(Times(l), (std::vector<std::int64_t>{500}));
}

TEST(Lyrics, Utf8SongsOfSeveralVoicesBrokenWhereTheSingingPauses) {
    NUKO_CORPUS_FILE(path, "midi/gotojo_3funkan_no_tokimeki.mid");
    Lyrics l = CorpusLyrics(path);
    // 319 + 77 + 77 one-character lyric events in tracks 1-3, no separator;
    // division 128, tempo 05 CB 62 = 379746 us. Track 1 sings "とびらを"
    // from tick 4544 and, after a pause of 448 ticks, "あけてきみをつれだした"
    // from 5120.
    EXPECT_EQ(l.encoding, SmfEncoding::Utf8);
    EXPECT_EQ(l.syllables, 473u);
    ASSERT_GE(l.lines.size(), 2u);
    EXPECT_EQ(l.lines[0].Text(), "とびらを");
    EXPECT_EQ(l.lines[0].ms(), 4544LL * 379746 / 128 / 1000);
    EXPECT_EQ(l.lines[1].Text(), "あけてきみをつれだした");
    EXPECT_EQ(l.lines[1].ms(), 15189);
    EXPECT_EQ(l.LeadTrack(), 1);
    for (std::size_t i = 1; i < l.lines.size(); ++i) EXPECT_LE(l.lines[i - 1].tick(), l.lines[i].tick());

    NUKO_CORPUS_FILE(ramen, "midi/gotojo_ramen_tabeyou.mid");
    Lyrics r = CorpusLyrics(ramen);
    EXPECT_EQ(r.encoding, SmfEncoding::Utf8);
    EXPECT_EQ(r.syllables, 174u);
    ASSERT_FALSE(r.lines.empty());
    EXPECT_EQ(r.lines[0].Text(), "らめんたべよお");  // ticks 0-448, then nothing until 5120
}

TEST(Lyrics, Cp932SongKeepsATrailByteBackslashInsideItsCharacter) {
    // "\" あ | ソ (83 5C) | "/" 表 (95 5C) | 示 (8E A6) | CR | 日本 (93 FA 96 7B).
    std::string song = LyricSong({{0, "\\\x82\xA0"}, {240, "\x83\x5C"}, {240, "/\x95\x5C"}, {240, "\x8E\xA6\r"},
                                  {480, "\x93\xFA\x96\x7B"}});
    Lyrics l = wrd::ReadLyrics(song);
    EXPECT_EQ(l.encoding, SmfEncoding::Cp932);
    EXPECT_EQ(Lines(l), (std::vector<std::string>{"あソ", "表示", "日本"}));
    EXPECT_EQ(Times(l), (std::vector<std::int64_t>{0, 500, 1250}));  // ticks 0, 480, 1200
    EXPECT_EQ(l.syllables, 5u);
}

TEST(Lyrics, EucJpSongWithLinesAndPages) {
    // あい CR | 日本 LF | う: EUC-JP A4 A2 A4 A4, C6 FC CB DC, A4 A6.
    std::string song = LyricSong({{0, "\xA4\xA2"}, {240, "\xA4\xA4\r"}, {240, "\xC6\xFC\xCB\xDC\n"}, {480, "\xA4\xA6"}});
    Lyrics l = wrd::ReadLyrics(song);
    EXPECT_EQ(l.encoding, SmfEncoding::EucJp);
    EXPECT_EQ(Lines(l), (std::vector<std::string>{"あい", "日本", "う"}));
    EXPECT_EQ(Pages(l), (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(l.paged);
    // Forced to CP932, the same bytes are half-width katakana.
    Lyrics forced = wrd::ReadLyrics(song, SmfEncoding::Cp932);
    EXPECT_EQ(forced.encoding, SmfEncoding::Cp932);
    EXPECT_EQ(forced.lines[0].Text(), "､｢､､");
}

TEST(Lyrics, XfSongSeparatesWithSlashAndLessThan) {
    // An XF song: a chunk "XFIH" of four bytes behind the 14-byte header.
    std::string song = LyricSong({{0, "Hel"}, {240, "lo/"}, {240, "World<"}, {240, "Again"}});
    song.insert(14, std::string("XFIH\0\0\0\4\0\1\2\3", 12));
    Lyrics l = wrd::ReadLyrics(song);
    EXPECT_EQ(Lines(l), (std::vector<std::string>{"Hello", "World", "Again"}));
    EXPECT_EQ(Pages(l), (std::vector<bool>{true, false, true}));
    // Without the chunk "<" is a letter, and a "/" ending a syllable still
    // separates.
    Lyrics plain = wrd::ReadLyrics(song.erase(14, 12));
    EXPECT_EQ(Lines(plain), (std::vector<std::string>{"Hello", "World<Again"}));
}

TEST(Lyrics, BlanksBetweenWordsStayAndNeverStartALine) {
    std::string song = LyricSong({{0, "Row "}, {100, "row "}, {100, "/"}, {0, " "}, {100, "your"}, {100, " boat"}});
    Lyrics l = wrd::ReadLyrics(song);
    EXPECT_EQ(Lines(l), (std::vector<std::string>{"Row row", "your boat"}));
    EXPECT_EQ(l.lines[0].syllables.back().text, "row ");
}

TEST(Lyrics, TextEventsAreNoWordsInASongThatIsNoKaraokeSong) {
    // Credits in text events, no separators, not named .kar.
    std::string song = LyricSong({{0, "Composed by someone"}, {0, "Arranged by another"}}, 0x01);
    EXPECT_TRUE(wrd::ReadLyrics(song).empty());
    EXPECT_FALSE(wrd::ReadLyrics(song, SmfEncoding::Auto, true).empty());
    // "@KMIDI KARAOKE FILE" makes the text events words.
    std::string kar = LyricSong({{0, "@KMIDI KARAOKE FILE"}, {0, "@TSong"}, {0, "One"}, {100, " two"}}, 0x01);
    EXPECT_EQ(Lines(wrd::ReadLyrics(kar)), (std::vector<std::string>{"One two"}));
}

TEST(Lyrics, BadInputNeverCrashes) {
    // Only separators: no words at all.
    EXPECT_TRUE(wrd::ReadLyrics(LyricSong({{0, "/"}, {10, "\\"}, {10, "\r"}, {10, "\n"}, {10, "\r\n"}})).empty());
    // Not a MIDI file, a cut one.
    EXPECT_TRUE(wrd::ReadLyrics("not a song").empty());
    std::string song = LyricSong({{0, "one"}, {100, "two"}});
    for (std::size_t n = 0; n < song.size(); ++n) wrd::ReadLyrics(song.substr(0, n));
    // A lyric of 10,000 bytes: one syllable, all of it.
    std::string long_lyric;
    for (int i = 0; i < 5000; ++i) long_lyric += "\x82\xA0";
    Lyrics l = wrd::ReadLyrics(LyricSong({{0, long_lyric}}));
    ASSERT_EQ(l.lines.size(), 1u);
    EXPECT_EQ(l.lines[0].Text().size(), 15000u);  // あ is three bytes of UTF-8
    // Random bytes as lyrics: some lines, no control byte among them.
    std::mt19937 rng(35);
    std::vector<Timed> random;
    for (int i = 0; i < 200; ++i) {
        std::string bytes(1 + rng() % 12, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        random.push_back({static_cast<std::uint32_t>(rng() % 200), bytes});
    }
    Lyrics r = wrd::ReadLyrics(LyricSong(random));
    for (const auto& line : r.lines)
        for (unsigned char c : line.Text()) EXPECT_GE(c, 0x20);
}

// ---- The lyric screen ----

namespace {

// What a double-width row shows: each character once.
std::string Shown(const wrd::CMidiWordFrame& f, int row) {
    const auto& g = f.grid();
    std::string out;
    for (int c = 0; c < wrd::kColumns;) {
        const auto& cell = g.At(c, row);
        if (cell.kind == wrd::kLeadCell && c + 1 < wrd::kColumns) {
            char pair[2] = {static_cast<char>(cell.ch), static_cast<char>(g.At(c + 1, row).ch)};
            out += text::Cp932ToUtf8(std::string_view(pair, 2));
            c += 4;
        } else {
            out += static_cast<char>(cell.ch);
            c += 2;
        }
    }
    std::string_view v = text::TrimBlanks(out);
    return std::string(v);
}

int CellsOf(const wrd::CMidiWordFrame& f, int row, int attr) {
    int n = 0;
    for (int c = 0; c < wrd::kColumns; ++c) n += f.grid().At(c, row).attr == attr && f.grid().At(c, row).ch != ' ';
    return n;
}

struct LyricFixture {
    explicit LyricFixture(const std::string& song, std::string title = "Title")
        : screen(wrd::ReadLyrics(song), std::move(title)) {
        frame.ClearWithoutScript();
        screen.Start(frame);
    }
    // Sixteenths at 480 ticks a quarter note: 120 ticks each.
    void At(std::uint32_t tick) { screen.Show(frame, tick / 120); }

    CallQueue queue;
    wrd::CMidiWordFrame frame{nullptr, &queue};
    wrd::LyricScreen screen;
};

}  // namespace

TEST(LyricScreen, TitleLineAndNextLineColouredSyllableBySyllable) {
    // Line one: "Ma" 0, "ry" 480, "had" 960; line two "a" 1920, "lamb" 2400.
    LyricFixture f(LyricSong({{0, "Ma"}, {480, "ry "}, {480, "had\r"}, {960, "a "}, {480, "lamb"}}), "Song");
    EXPECT_EQ(f.frame.text_width(), 2);
    EXPECT_EQ(Shown(f.frame, 1), "Song");
    EXPECT_EQ(Shown(f.frame, 9), "Mary had");
    EXPECT_EQ(Shown(f.frame, 16), "a lamb");
    EXPECT_EQ(CellsOf(f.frame, 9, wrd::kLyricSungAttribute), 0);

    // Doubled letters: "Ma" is four cells, "ry " six of which four ink.
    f.At(0);
    EXPECT_EQ(CellsOf(f.frame, 9, wrd::kLyricSungAttribute), 4);
    f.At(480);
    EXPECT_EQ(CellsOf(f.frame, 9, wrd::kLyricSungAttribute), 8);
    f.At(960);
    EXPECT_EQ(CellsOf(f.frame, 9, wrd::kLyricSungAttribute), 14);
    EXPECT_EQ(CellsOf(f.frame, 16, wrd::kLyricSungAttribute), 0);
    // The second line is sung: it comes to the top, nothing below it.
    f.At(1920);
    EXPECT_EQ(Shown(f.frame, 9), "a lamb");
    EXPECT_EQ(Shown(f.frame, 16), "");
    EXPECT_EQ(CellsOf(f.frame, 9, wrd::kLyricSungAttribute), 2);
    // Going back shows the first line again, partly sung.
    f.At(500);
    EXPECT_EQ(Shown(f.frame, 9), "Mary had");
    EXPECT_EQ(CellsOf(f.frame, 9, wrd::kLyricSungAttribute), 8);
}

TEST(LyricScreen, PagesTurnWhereTheSongSays) {
    // Page 1: "あ" / "い" / "う" / "え" (four lines: three, then one);
    // page 2: "お".
    LyricFixture f(LyricSong({{0, "\\\x82\xA0"}, {480, "/\x82\xA2"}, {480, "/\x82\xA4"}, {480, "/\x82\xA6"},
                              {480, "\\\x82\xA8"}}));
    EXPECT_EQ(Shown(f.frame, 7), "あ");
    EXPECT_EQ(Shown(f.frame, 13), "い");
    EXPECT_EQ(Shown(f.frame, 19), "う");
    f.At(960);
    EXPECT_EQ(Shown(f.frame, 7), "あ");
    EXPECT_EQ(CellsOf(f.frame, 7, wrd::kLyricSungAttribute), 2);  // lead and trail byte
    EXPECT_EQ(CellsOf(f.frame, 13, wrd::kLyricSungAttribute), 2);
    EXPECT_EQ(CellsOf(f.frame, 19, wrd::kLyricSungAttribute), 2);
    f.At(1440);
    EXPECT_EQ(Shown(f.frame, 9), "え");
    f.At(1920);
    EXPECT_EQ(Shown(f.frame, 9), "お");
    EXPECT_EQ(f.screen.view().count, 1u);
}

TEST(LyricScreen, LinesLongerThanTheScreenWrapOnceAndAreCut) {
    std::string long_lyric;
    for (int i = 0; i < 5000; ++i) long_lyric += "\x82\xA0";  // 10,000 bytes of あ
    LyricFixture f(LyricSong({{0, long_lyric}, {480, "\rnext"}}));
    f.At(0);
    // Twenty double-width characters a row, two rows.
    std::string twenty;
    for (int i = 0; i < 20; ++i) twenty += "あ";
    EXPECT_EQ(Shown(f.frame, 9), twenty);
    EXPECT_EQ(Shown(f.frame, 10), twenty);
    EXPECT_EQ(Shown(f.frame, 11), "");
    EXPECT_EQ(Shown(f.frame, 16), "next");
    // A title longer than a row is cut to it.
    LyricFixture t(LyricSong({{0, "x"}}), std::string(100, 'T'));
    EXPECT_EQ(Shown(t.frame, 1), std::string(40, 'T'));
    EXPECT_EQ(Shown(t.frame, 2), "");
}
