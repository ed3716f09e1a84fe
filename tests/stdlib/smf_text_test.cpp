// The texts of a MIDI song and the one encoding they are read in, and the
// titles that follow from it.
#include <gtest/gtest.h>

#include "media_test_util.h"
#include "nuko/media_title.h"
#include "nuko/smf_text.h"
#include "test_support.h"

using namespace nuko::media;
using namespace nuko::test;
using namespace std::literals;

namespace {

std::string Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 8) & 0xFF),
            static_cast<char>(v & 0xFF)};
}

std::string Chunk(std::string_view id, std::string_view body) { return std::string(id) + Be32(static_cast<std::uint32_t>(body.size())) + std::string(body); }

// A song of the given texts, each a meta event at delta 0 in one track.
SmfTexts TextsOf(std::initializer_list<std::pair<unsigned char, std::string_view>> events) {
    std::string track;
    for (const auto& [type, bytes] : events) track += Meta(type, bytes);
    return ReadSmfTexts(Smf(track));
}

}  // namespace

TEST(SmfTexts, EveryTrackPastForeignChunksAndRunningStatus) {
    // Format 1, two tracks, 480 ticks; an XF information chunk between the
    // header and the tracks. Track 0: a name; track 1: note on 90 3C 40 at
    // 0, running status 3C 00 after 96, a lyric after 24 more, then a
    // system exclusive F0 02 7E F7 and a text after 100.
    std::string song = Chunk("MThd", "\x00\x01\x00\x02\x01\xE0"sv);
    song += Chunk("XFIH", "\x00\x01\x02\x03"sv);
    song += Chunk("MTrk", "\x00\xFF\x03\x04Name\x00\xFF\x2F\x00"sv);
    song += Chunk("MTrk", "\x00\x90\x3C\x40\x60\x3C\x00\x18\xFF\x05\x02La\x00\xF0\x02\x7E\xF7\x64\xFF\x01\x01T\x00\xFF\x2F\x00"sv);
    SmfTexts t = ReadSmfTexts(song);
    EXPECT_EQ(t.division, 480);
    EXPECT_TRUE(t.xf);
    ASSERT_EQ(t.texts.size(), 3u);
    EXPECT_EQ(t.texts[0].bytes, "Name");
    EXPECT_EQ(t.texts[0].track, 0);
    EXPECT_EQ(t.texts[1].bytes, "La");
    EXPECT_EQ(t.texts[1].track, 1);
    EXPECT_EQ(t.texts[1].type, 0x05);
    EXPECT_EQ(t.texts[1].tick, 120u);
    EXPECT_EQ(t.texts[2].bytes, "T");
    EXPECT_EQ(t.texts[2].tick, 220u);
    // Cut anywhere: what comes before the cut, never more.
    for (std::size_t n = 0; n < song.size(); ++n) EXPECT_LE(ReadSmfTexts(song.substr(0, n)).texts.size(), 3u);
    EXPECT_TRUE(ReadSmfTexts("no song at all").texts.empty());
}

TEST(SmfTexts, OneEncodingDecidedFromAllTheTexts) {
    // 曲名 in UTF-8 (E6 9B B2 E5 90 8D), in CP932 (8B C8 96 BC); あいう in
    // EUC-JP (A4 A2 A4 A4 A4 A6); ｱｲｳｴ in CP932 (B1 B2 B3 B4), which is valid
    // EUC-JP too (two kanji).
    EXPECT_EQ(DecideSmfEncoding(TextsOf({{0x03, "\xE6\x9B\xB2\xE5\x90\x8D"}})), SmfEncoding::Utf8);
    EXPECT_EQ(DecideSmfEncoding(TextsOf({{0x03, "\x8B\xC8\x96\xBC"}})), SmfEncoding::Cp932);
    EXPECT_EQ(DecideSmfEncoding(TextsOf({{0x05, "\xA4\xA2\xA4\xA4\xA4\xA6"}})), SmfEncoding::EucJp);
    EXPECT_EQ(DecideSmfEncoding(TextsOf({{0x05, "\xB1\xB2\xB3\xB4"}})), SmfEncoding::Cp932);
    EXPECT_EQ(DecideSmfEncoding(TextsOf({{0x03, "Plain"}, {0x05, "la"}})), SmfEncoding::Cp932);
    // A UTF-8 lyric beside a CP932 name: not all of them UTF-8.
    EXPECT_EQ(DecideSmfEncoding(TextsOf({{0x05, "\xE3\x81\x82"}, {0x03, "\x8B\xC8\x96\xBC"}})), SmfEncoding::Cp932);
    // A copyright notice (type 2) is not asked.
    EXPECT_EQ(DecideSmfEncoding(TextsOf({{0x02, "\x8B\xC8"}, {0x05, "\xE3\x81\x82"}})), SmfEncoding::Utf8);
    EXPECT_EQ(SongEncoding(TextsOf({{0x03, "\xE6\x9B\xB2"}}), SmfEncoding::EucJp), SmfEncoding::EucJp);
    EXPECT_EQ(SmfEncodingFromSetting(7), SmfEncoding::Auto);
    EXPECT_STREQ(SmfEncodingName(SmfEncoding::Utf8), "utf-8");
}

TEST(SmfTexts, DecodedAndCutWithoutSplittingACharacter) {
    EXPECT_EQ(DecodeSmfText("\xA4\xA2\xA4\xA4", SmfEncoding::EucJp), "あい");
    EXPECT_EQ(DecodeSmfText("\xE3\x81\x82\xFF", SmfEncoding::Utf8), "あ\xEF\xBF\xBD");
    EXPECT_EQ(DecodeSmfText("Caf\xE9", SmfEncoding::Cp932), "Café");
    EXPECT_EQ(SmfTextCutLength("\xA4\xA2\xA4\xA4", 3, SmfEncoding::EucJp), 2u);
    EXPECT_EQ(SmfTextCutLength("\x8F\xB0\xA1x", 2, SmfEncoding::EucJp), 0u);  // a three-byte character
    EXPECT_EQ(SmfTextCutLength("\xE3\x81\x82\xE3\x81\x84", 5, SmfEncoding::Utf8), 3u);
    EXPECT_EQ(SmfTextCutLength("\x82\xA0\x82\xA2", 3, SmfEncoding::Cp932), 2u);
}

TEST(SmfTitle, XfControlTextsAreNoTitles) {
    EXPECT_TRUE(IsXfControlText("XFhd:1999:JP:::"));
    EXPECT_TRUE(IsXfControlText("XFln:"));
    EXPECT_FALSE(IsXfControlText("XF:"));
    EXPECT_FALSE(IsXfControlText("XFiles: a song"));
    EXPECT_EQ(SmfTitleText(Smf(Meta(0x01, "XFhd:::::") + Meta(0x01, "XFln:L1:Ja") + Meta(0x03, "Song"))), "Song");
    EXPECT_EQ(SmfTitleText(Smf(Meta(0x01, "XFln:"))), std::nullopt);
}

TEST(SmfTitle, TheSongsEncodingDecidesItsTitle) {
    TempDir dir;
    // The track name 曲名 in UTF-8, a lyric あ in UTF-8 behind it.
    WriteBytes(dir.File("utf8.mid"), Smf(Meta(0x03, "\xE6\x9B\xB2\xE5\x90\x8D") + Meta(0x05, "\xE3\x81\x82")));
    WriteBytes(dir.File("sjis.mid"), Smf(Meta(0x03, "\x8B\xC8\x96\xBC")));
    WriteBytes(dir.File("euc.mid"), Smf(Meta(0x03, "\xA4\xA2\xA4\xA4") + Meta(0x05, "\xA4\xA6")));
    EXPECT_EQ(ReadMediaTitle(dir.File("utf8.mid")).title, "曲名");
    EXPECT_EQ(ReadMediaTitle(dir.File("sjis.mid")).title, "曲名");
    EXPECT_EQ(ReadMediaTitle(dir.File("euc.mid")).title, "あい");
    // The user's choice wins; the byte limit keeps whole characters.
    TitleOptions o;
    o.smf_encoding = SmfEncoding::Cp932;
    EXPECT_EQ(ReadMediaTitle(dir.File("euc.mid"), o).title, "､｢､､");
    o.smf_encoding = SmfEncoding::Auto;
    o.buffer_size = 6;  // four bytes of the text
    EXPECT_EQ(ReadMediaTitle(dir.File("utf8.mid"), o).title, "曲");
}

TEST(SmfTitle, CorpusSongs) {
    // The WRD sample's only text event is "XFln:": no title, the base name.
    NUKO_CORPUS_FILE(wrd, "wrd/yoshitan98_MidiToWRD_sample.mid");
    EXPECT_EQ(ReadMediaTitle(wrd).title, "yoshitan98_MidiToWRD_sample");
    NUKO_CORPUS_FILE(kar, "midi/jazzsoft_test-karaoke-kar.mid");
    EXPECT_EQ(ReadMediaTitle(kar).title, "Karaoke .KAR Test");
}
