// The media title reader: the readers on bytes, the finishing of a title,
// and the reader on files (hidden and system files, WRD scripts).
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "media_test_util.h"
#include "nuko/media_title.h"
#include "nuko/text.h"
#include "test_support.h"

using namespace nuko::media;
using namespace nuko::test;
using namespace std::literals;

namespace {

std::string Utf16(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::string Le16(std::uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

// An ASF header object holding a content description of title and author
// (each with its terminator).
std::string AsfHeader(std::u16string_view title, std::u16string_view author) {
    std::string t = title.empty() && author.empty() ? "" : Utf16(title) + "\0\0"s;
    std::string a = Utf16(author) + "\0\0"s;
    std::string cd = "\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"s;
    std::string body = Le16(static_cast<std::uint16_t>(t.size())) + Le16(static_cast<std::uint16_t>(a.size())) +
                       Le16(0) + Le16(0) + Le16(0) + t + a;
    cd += Le32(static_cast<std::uint32_t>(24 + body.size())) + Le32(0) + body;
    std::string head = "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"s;
    head += Le32(static_cast<std::uint32_t>(30 + cd.size())) + Le32(0) + Le32(1) + "\x01\x02"s;
    return head + cd;
}

MediaTitle Title(const std::string& path, bool hidden = false) {
    TitleOptions o;
    o.accept_hidden = hidden;
    return ReadMediaTitle(path, o);
}

}  // namespace

TEST(SmfTitle, WaitRatioFromTheFirstTimeSignature) {
    auto ratio = [](std::string_view num_den) {
        return SmfWaitRatio(Smf(Meta(0x58, std::string(num_den) + "\x18\x08") + Meta(0x58, "\x02\x02\x18\x08")));
    };
    EXPECT_EQ(ratio("\x03\x02"), (WaitRatio{3, 4}));  // 3/4
    EXPECT_EQ(ratio("\x06\x03"), (WaitRatio{6, 4}));  // 6/8
    EXPECT_EQ(ratio("\x09\x03"), (WaitRatio{9, 4}));  // 9/8
    EXPECT_EQ(ratio("\x00\x02"sv), (WaitRatio{4, 4}));  // a zero numerator is ignored
    EXPECT_EQ(SmfWaitRatio(Smf("")), (WaitRatio{4, 4}));
    EXPECT_EQ(SmfWaitRatio("\xFF\x58"), (WaitRatio{4, 4}));
    EXPECT_EQ(SmfWaitRatio("\xFF\x58\x04"), (WaitRatio{4, 4}));
    // The length byte is the unit: a malformed event gives what it says.
    EXPECT_EQ(SmfWaitRatio("\xFF\x58\x05\x07"), (WaitRatio{7, 5}));
}

TEST(SmfTitle, FirstNamedTrackOrTextEvent) {
    EXPECT_EQ(SmfTitleText(Smf(Meta(0x03, "") + Meta(0x01, "Text first") + Meta(0x03, "Name"))), "Text first");
    EXPECT_EQ(SmfTitleText(Smf(Meta(0x02, "(C) someone") + Meta(0x03, "Name"))), "Name");
    EXPECT_EQ(SmfTitleText(Smf(Meta(0x03, "\x8B\xC8\x96\xBC"))), "曲名");
    EXPECT_EQ(SmfTitleText(Smf(Meta(0x03, "Caf\xE9"))), "Café");  // not CP932: Latin-1
    EXPECT_EQ(SmfTitleText(Smf(Meta(0x06, "Marker"))), std::nullopt);
    EXPECT_EQ(SmfTitleText(Smf(Meta(0x03, "Cut\0here"s))), "Cut");
    EXPECT_EQ(SmfTitleText(Smf(Meta(0x03, "\0"s))), std::nullopt);
}

TEST(SmfTitle, LimitsNeverSplitACharacter) {
    std::string smf = Smf(Meta(0x03, "\x82\xA0\x82\xA2\x82\xA4"));  // あいう
    EXPECT_EQ(SmfTitleText(smf, 6), "あいう");
    EXPECT_EQ(SmfTitleText(smf, 5), "あい");
    EXPECT_EQ(SmfTitleText(smf, 3), "あ");
    // A length that points past the bytes read takes what is there.
    std::string cut = Smf(Meta(0x03, "Truncated name"));
    EXPECT_EQ(SmfTitleText(cut.substr(0, cut.find("Trunc") + 5)), "Trunc");
    EXPECT_EQ(SmfTitleText("\xFF\x03"), std::nullopt);
    EXPECT_EQ(SmfTitleText("\xFF\x03\x10"), std::nullopt);
}

TEST(RcpTitle, TitleFieldOfEachFormat) {
    std::string g36 = "COME ON MUSIC RECOMPOSER RCP3.0"s + '\0' + "Song" + std::string(124, ' ') + "Memo";
    EXPECT_EQ(RcpTitleText(g36), "Song" + std::string(76, ' '));
    EXPECT_EQ(RcpTitleText(g36, 10), "Song      ");
    // RCP 2.0: a 64-byte title with the memo right behind it.
    std::string rcp = "RCM-PC98V2.0(C)COME ON MUSIC\r\n\0\0"s + "Song" + std::string(60, ' ') + "Memo";
    EXPECT_EQ(RcpTitleText(rcp), "Song" + std::string(60, ' '));

    std::string blank = "RCM-PC98V2.0(C)COME ON MUSIC\r\n\0\0"s + std::string(64, ' ') + "Memo";
    EXPECT_EQ(RcpTitleText(blank), std::nullopt);
    std::string zero = "RCM-PC98V2.0(C)COME ON MUSIC\r\n\0\0"s + '\0' + "Song";
    EXPECT_EQ(RcpTitleText(zero), std::nullopt);
    EXPECT_EQ(RcpTitleText(rcp.substr(0, 34)), "So");
    EXPECT_EQ(RcpTitleText(rcp.substr(0, 32)), std::nullopt);
    std::string sjis = "RCM-PC98V2.0(C)COME ON MUSIC\r\n\0\0"s + "\x82\xA0\x82\xA2\x82\xA4";
    EXPECT_EQ(RcpTitleText(sjis, 5), "あい");
}

TEST(Id3Title, ArtistSlashTitleWithBlanks) {
    // An empty artist: 30 blanks, " / ", then the title padded with blanks.
    auto empty_artist = Id3v1TitleText(Id3v1Tag("Title", ""));
    ASSERT_TRUE(empty_artist);
    EXPECT_EQ(*empty_artist, std::string(30, ' ') + " / Title" + std::string(25, ' '));
    auto pair = FinishTitle(*empty_artist, true);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->title, *empty_artist);
    EXPECT_EQ(pair->title2, "Title ");

    auto full = Id3v1TitleText(Id3v1Tag("Song\x01\x1F", "Bj\xF6rk"));
    EXPECT_EQ(*full, "Björk" + std::string(25, ' ') + " / Song" + std::string(26, ' '));
    EXPECT_EQ(FinishTitle(*full, true)->title2, "Björk / Song ");

    std::string lower = Id3v1Tag("x", "y");
    lower.replace(0, 3, "tag");
    EXPECT_TRUE(Id3v1TitleText(lower));
    EXPECT_EQ(Id3v1TitleText(Id3v1Tag("", "")).value_or(""), std::string(30, ' ') + " / " + std::string(30, ' '));
    EXPECT_EQ(FinishTitle(*Id3v1TitleText(Id3v1Tag("", "")), true), std::nullopt);
    EXPECT_EQ(Id3v1TitleText(std::string(128, 'x')), std::nullopt);
    EXPECT_EQ(Id3v1TitleText("TAG"), std::nullopt);
}

TEST(Id3Title, FieldsInCp932) {
    std::string artist = "\x8D\xEC\x8E\xD2";  // 作者
    EXPECT_EQ(FinishTitle(*Id3v1TitleText(Id3v1Tag("\x8B\xC8\x96\xBC", artist)), true)->title2, "作者 / 曲名 ");
    // A tagger that ran out of room split the last character: its lone lead
    // byte goes, and the field still reads as CP932.
    std::string split = "A";
    for (int i = 0; i < 7; ++i) split += artist;
    split += "\x8D";  // 29 bytes of characters, then a lead byte
    ASSERT_EQ(split.size(), 30u);
    auto text = Id3v1TitleText(Id3v1Tag("T", split));
    EXPECT_TRUE(text->starts_with("A作者作者作者作者作者作者作者 / T")) << *text;
}

TEST(AsfTitle, AuthorSlashTitle) {
    EXPECT_EQ(AsfTitleText(AsfHeader(u"曲", u"作者")), "作者 / 曲");
    EXPECT_EQ(AsfTitleText(AsfHeader(u"test", u"")), "test");
    EXPECT_EQ(AsfTitleText(AsfHeader(u"", u"作者")), "作者");
    EXPECT_EQ(AsfTitleText(AsfHeader(u"", u"")), "");
    EXPECT_EQ(AsfTitleText("not an asf header at all, not at all"), std::nullopt);
    // A header without a content description.
    std::string bare = AsfHeader(u"x", u"y").substr(0, 30);
    EXPECT_EQ(AsfTitleText(bare), std::nullopt);
}

TEST(AsfTitle, LengthsPastTheDataAreClipped) {
    std::string h = AsfHeader(u"Title", u"Author");
    std::string cut = h.substr(0, h.size() - 8);  // into the author
    EXPECT_EQ(AsfTitleText(cut), "Aut / Title");
    std::string lying = h;
    lying[30 + 24] = '\xFF';  // title length 255 + 256 * 0
    lying[30 + 25] = '\x7F';
    auto text = AsfTitleText(lying);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->starts_with("Title"));
    EXPECT_EQ(AsfTitleText(h.substr(0, 30 + 33)), std::nullopt);  // object head cut short
}

TEST(CatalogTitle, SecondLine) {
    EXPECT_EQ(CatalogTitleText("Ver 1.00\r\n\x83\x4A\x83\x5E\x83\x8D\x83\x4F\r\nsub\r\n"), "カタログ");
    EXPECT_EQ(CatalogTitleText("\xEF\xBB\xBFVer 1.00\r\nカタログ\r\n"), "カタログ");
    EXPECT_EQ(CatalogTitleText("Ver 1.00\nLinux line ends\n"), "Linux line ends");
    EXPECT_EQ(CatalogTitleText("Ver 1.00\r\nLast line\r\n\x1A"), "Last line");
    EXPECT_EQ(CatalogTitleText("Ver 1.00\r\nNo end\x1A"), "No end");
    EXPECT_EQ(CatalogTitleText("Ver 1.00\r\n\r\nsub\r\n"), std::nullopt);
    EXPECT_EQ(CatalogTitleText("Ver 1.00"), std::nullopt);
    EXPECT_EQ(CatalogTitleText("Ver 1.00\r\n"), std::nullopt);
}

TEST(ConverterTitle, SourceAndDestination) {
    std::string cfg = "; converter\r\n[SOURCE]\r\n; the module\r\nSC-55,1,2\r\n[DESTINATION]\r\nMU80\r\n";
    EXPECT_EQ(ConverterTitleText(cfg), "SMFﾅｲﾌ ﾌｧｲﾙ  ( SC-55 --> MU80 )");
    EXPECT_EQ(ConverterTitleText("[destination]\nXG\n"), "SMFﾅｲﾌ ﾌｧｲﾙ  (  --> XG )");
    EXPECT_EQ(ConverterTitleText("[SOURCE]\r\n[DESTINATION]\r\nGS,x"), "SMFﾅｲﾌ ﾌｧｲﾙ  (  --> GS )");
    EXPECT_EQ(ConverterTitleText("[OTHER]\r\nvalue\r\n"), std::nullopt);
    EXPECT_EQ(ConverterTitleText(""), std::nullopt);
}

TEST(FinishTitle, BlanksAndFullWidthBlanks) {
    auto pair = FinishTitle("曲　名  of   songs", false);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->title, "曲  名  of   songs");
    EXPECT_EQ(pair->title2, "曲 名 of songs");
    EXPECT_EQ(FinishTitle("    ", false), std::nullopt);
    EXPECT_EQ(FinishTitle("　", false), std::nullopt);
    EXPECT_EQ(FinishTitle("", false), std::nullopt);
    // " / " says nothing only in an ID3 tag.
    EXPECT_EQ(FinishTitle(" / ", true), std::nullopt);
    EXPECT_EQ(FinishTitle(" / ", false)->title2, " / ");
    EXPECT_EQ(FinishTitle("Artist    /    ", true)->title2, "Artist");
}

TEST(ReadMediaTitle, MissingFoldersAndSystemFiles) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("pipe.mid").c_str(), 0600), 0);
    for (std::string path : {dir.File("missing.mid"), dir.path(), dir.File("pipe.mid"), "/dev/null"s, ""s}) {
        MediaTitle t = Title(path, true);
        EXPECT_EQ(t.result, 0) << path;
        EXPECT_EQ(t.title, "ﾌｧｲﾙがありません.");
        EXPECT_EQ(t.title2, "ﾌｧｲﾙがありません.");
        EXPECT_EQ(t.ratio, (WaitRatio{4, 4}));
    }
}

TEST(ReadMediaTitle, HiddenFilesGiveTheirTitleOnlyWhenAccepted) {
    TempDir dir;
    WriteBytes(dir.File(".song.mid"), Smf(Meta(0x58, "\x03\x02\x18\x08") + Meta(0x03, "Hidden song")));
    MediaTitle rejected = Title(dir.File(".song.mid"));
    EXPECT_EQ(rejected.result, 1);
    EXPECT_EQ(rejected.title, ".song");
    EXPECT_FALSE(rejected.from_contents);
    EXPECT_EQ(rejected.ratio, (WaitRatio{4, 4}));
    MediaTitle accepted = Title(dir.File(".song.mid"), true);
    EXPECT_EQ(accepted.title, "Hidden song");
    EXPECT_EQ(accepted.ratio, (WaitRatio{3, 4}));
}

TEST(ReadMediaTitle, BaseNameWhenTheFileHoldsNoTitle) {
    TempDir dir;
    WriteBytes(dir.File("empty.mid"), "");
    WriteBytes(dir.File("no name.mid"), Smf(Meta(0x58, "\x06\x03\x18\x08")));
    WriteBytes(dir.File("song.rmi"), "RIFF" + Le32(100) + "RMIDdata" + Smf(Meta(0x03, "Inside")));
    WriteBytes(dir.File("plain.wav"), "RIFF" + Le32(100) + "WAVEfmt " + std::string(200, '\0') + Id3v1Tag("T", "A"));
    WriteBytes(dir.File("song.midi"), Smf(Meta(0x03, "Other extension")));
    WriteBytes(dir.File("junk.mp3"), std::string(100, '\x80'));
    for (auto [name, stem] : {std::pair("empty.mid", "empty"), {"no name.mid", "no name"}, {"song.rmi", "song"},
                              {"plain.wav", "plain"}, {"song.midi", "song"}, {"junk.mp3", "junk"}}) {
        MediaTitle t = Title(dir.File(name));
        EXPECT_EQ(t.result, 1) << name;
        EXPECT_EQ(t.title, stem) << name;
        EXPECT_EQ(t.title2, stem) << name;
    }
    EXPECT_EQ(Title(dir.File("no name.mid")).ratio, (WaitRatio{6, 4}));
}

TEST(ReadMediaTitle, WrdScriptsShowTheirSongsTitle) {
    TempDir dir;
    WriteBytes(dir.File("song.wrd"), "@WMODE(23)\r\n");
    std::string rcp = "RCM-PC98V2.0(C)COME ON MUSIC\r\n\0\0"s + "RCP title" + std::string(55, ' ');
    WriteBytes(dir.File("song.rcp"), rcp);
    EXPECT_EQ(Title(dir.File("song.wrd")).title2, "RCP title ");
    // The MIDI song comes first, found whatever the case of its name.
    WriteBytes(dir.File("SONG.MID"), Smf(Meta(0x58, "\x03\x02\x18\x08") + Meta(0x03, "MIDI title")));
    MediaTitle t = Title(dir.File("song.wrd"));
    EXPECT_EQ(t.title, "MIDI title");
    EXPECT_EQ(t.ratio, (WaitRatio{3, 4}));
    WriteBytes(dir.File("alone.WRD"), "");
    EXPECT_EQ(Title(dir.File("alone.WRD")).title, "alone");
}

TEST(ReadMediaTitle, OtherSources) {
    TempDir dir;
    WriteBytes(dir.File("Archive.LZH"), "-lh5-");
    EXPECT_EQ(Title(dir.File("Archive.LZH")).title, nuko::text::AsciiLowered(dir.File("Archive.LZH")));
    WriteBytes(dir.File("list.mit"), "Ver 1.00\r\nMy list\r\n\r\n\x1A");
    EXPECT_EQ(Title(dir.File("list.mit")).title, "My list");
    WriteBytes(dir.File("song.wma"), AsfHeader(u"Song", u"Band"));
    EXPECT_EQ(Title(dir.File("song.wma")).title, "Band / Song");
    std::string mp3 = Mp3Frames(2);
    WriteBytes(dir.File("mp3.wav"), WaveWithMp3(mp3) + Id3v1Tag("Wave song", "Band"));
    EXPECT_EQ(Title(dir.File("mp3.wav")).title2, "Band / Wave song ");
    WriteBytes(dir.File("conv.cfg"), "[SOURCE]\r\nGS\r\n[DESTINATION]\r\nGM\r\n");
    EXPECT_EQ(Title(dir.File("conv.cfg")).title, "SMFﾅｲﾌ ﾌｧｲﾙ  ( GS --> GM )");
}

TEST(ReadMediaTitle, AsfHeaderSizeLargerThanTheFile) {
    TempDir dir;
    std::string h = AsfHeader(u"Title", u"");
    h[16] = '\xFF';
    h[17] = '\xFF';
    h[20] = '\x01';  // about 4 GB
    WriteBytes(dir.File("big.asf"), h);
    EXPECT_EQ(Title(dir.File("big.asf")).title, "Title");
}

TEST(ReadMediaTitle, BufferSizeLimitsTheBytesAsFound) {
    TempDir dir;
    WriteBytes(dir.File("jp.mid"), Smf(Meta(0x03, "\x82\xA0\x82\xA2\x82\xA4")));
    TitleOptions o;
    o.buffer_size = 7;  // at most 5 bytes of the event: two characters
    EXPECT_EQ(ReadMediaTitle(dir.File("jp.mid"), o).title, "あい");
    o.want_title = false;
    MediaTitle none = ReadMediaTitle(dir.File("jp.mid"), o);
    EXPECT_EQ(none.result, 1);
    EXPECT_EQ(none.title, "");
}
