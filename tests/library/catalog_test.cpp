#include "library/catalog.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <tuple>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "nuko/text.h"
#include "test_support.h"

using namespace nuko::media;
using nuko::test::ReadBytes;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

ExtensionList MidiList() {
    ExtensionList l;
    BuildKindExtensions(l, 0, false, false);
    return l;
}

CatalogEnvironment NoConverter() {
    CatalogEnvironment env;
    env.convert_old = [](const std::string&) { return 0; };
    return env;
}

MediaList Read(const std::string& path, bool* ok = nullptr, const CatalogEnvironment& env = NoConverter(),
               bool pictures = false) {
    MediaList list;
    list.path = path;
    bool r = ReadCatalog(list, MidiList(), pictures, env);
    if (ok) *ok = r;
    return list;
}

std::vector<std::string> Names(const MediaList& l) {
    std::vector<std::string> out;
    for (const auto& i : l.items) out.push_back(i.name);
    return out;
}

}  // namespace

TEST(CatalogRead, VersionLineAlone) {
    TempDir dir;
    WriteBytes(dir.File("a.mit"), "Ver 1.00");
    bool ok = false;
    MediaList l = Read(dir.File("a.mit"), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(l.loaded, 1);
    EXPECT_TRUE(l.items.empty());
    EXPECT_EQ(l.title, "");
}

TEST(CatalogRead, PathsRelativeRootedAndAbsolute) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("music").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("music/Sub").c_str(), 0755), 0);
    WriteBytes(dir.File("music/song.mid"), "x");
    WriteBytes(dir.File("music/Sub/Deep.MID"), "x");  // case differs from the line
    WriteBytes(dir.File("music/.hidden.mid"), "x");
    std::string cat = dir.File("music/list.mit");
    std::string root_rel = dir.path() + "music/song.mid";  // "\" + absolute-from-root
    std::string lines = "Ver 1.00\r\nタイトル\r\nサブ\r\n"
                        "song.mid\tSong\tinit.mid\tpic.bmp\r\n"
                        "sub\\deep.mid\tDeep\r\n" +
                        nuko::path::FromWindows(root_rel) + "\r\n"
                        "D:\\MIDI\\x.mid\r\n"
                        "missing.mid\tstays\r\n"
                        "sub\r\n"                 // an existing folder: skipped
                        ".hidden.mid\r\n"         // hidden: skipped
                        "notes.txt\r\n"           // no MIDI extension
                        "x.rmi.bak\tsubstring\r\n";
    WriteBytes(cat, nuko::text::EncodeLegacy(lines) + "\x1a");
    CatalogEnvironment env = NoConverter();
    env.drives = {{'D', dir.path() + "music"}};
    bool ok = false;
    MediaList l = Read(cat, &ok, env);
    ASSERT_TRUE(ok);
    EXPECT_EQ(l.title, "タイトル");
    EXPECT_EQ(l.sub_title, "サブ");
    EXPECT_EQ(Names(l), (std::vector<std::string>{"song.mid", "sub/deep.mid", root_rel, "D:/MIDI/x.mid",
                                                  "missing.mid", "x.rmi.bak"}));
    EXPECT_EQ(l.items[0].title, "Song");
    EXPECT_EQ(l.items[0].init_file, "init.mid");
    EXPECT_EQ(l.items[0].picture, "pic.bmp");
    EXPECT_EQ(PlayablePath(l.items[0], cat, env.drives), dir.path() + "music/song.mid");
    EXPECT_EQ(PlayablePath(l.items[1], cat, env.drives), dir.path() + "music/Sub/Deep.MID");
    EXPECT_EQ(PlayablePath(l.items[3], cat, env.drives), dir.path() + "music/MIDI/x.mid");
    // Hidden files accepted when the list says so.
    MediaList h;
    h.path = cat;
    h.hidden_files = true;
    ASSERT_TRUE(ReadCatalog(h, MidiList(), false, env));
    EXPECT_EQ(h.items.size(), 7u);
}

TEST(CatalogRead, EveryLineEndCountsAndNothingIsDropped) {
    TempDir dir;
    WriteBytes(dir.File("lf.mit"), "Ver 1.00\nT\nS\na.mid\nb.mid");
    WriteBytes(dir.File("cr.mit"), "Ver 1.00\rT\rS\ra.mid\rb.mid\r\x1a" "c.mid\r\n");
    EXPECT_EQ(Names(Read(dir.File("lf.mit"))), (std::vector<std::string>{"a.mid", "b.mid"}));
    EXPECT_EQ(Names(Read(dir.File("cr.mit"))), (std::vector<std::string>{"a.mid", "b.mid"}));  // stops at 0x1A
}

TEST(CatalogRead, ExtensionOfTheCatalogAnyCase) {
    TempDir dir;
    WriteBytes(dir.File("LIST.MIT"), "Ver 1.00\r\nT\r\n\r\na.mid\r\n\x1a");
    WriteBytes(dir.File("list.txt"), "Ver 1.00\r\nT\r\n\r\na.mid\r\n\x1a");
    bool ok = false;
    EXPECT_EQ(Read(dir.File("LIST.MIT"), &ok).items.size(), 1u);
    EXPECT_TRUE(ok);
    Read(dir.File("list.txt"), &ok);
    EXPECT_FALSE(ok);
    Read(dir.File("missing.mit"), &ok);
    EXPECT_FALSE(ok);
}

TEST(CatalogRead, OldLayoutGoesToTheConverter) {
    TempDir dir;
    std::string cat = dir.File("old.mit");
    WriteBytes(cat, "Ver 2.25\r\nsong.mid\r\n");
    int calls = 0;
    CatalogEnvironment refuse;
    refuse.convert_old = [&](const std::string& p) {
        EXPECT_EQ(p, cat);
        ++calls;
        return 0;
    };
    MediaList l;
    l.path = cat;
    l.title = "kept";
    EXPECT_FALSE(ReadCatalog(l, MidiList(), false, refuse));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(l.title, "kept");
    EXPECT_EQ(l.loaded, 0);

    CatalogEnvironment convert;
    convert.convert_old = [&](const std::string& p) {
        WriteBytes(p, "Ver 1.00\r\nOld title\r\n\r\nsong.mid\tSong\r\n\x1a");
        return 1;
    };
    bool ok = false;
    MediaList c = Read(cat, &ok, convert);
    EXPECT_TRUE(ok);
    EXPECT_EQ(c.title, "Old title");
    EXPECT_EQ(Names(c), std::vector<std::string>{"song.mid"});
    // The converted file is read whatever its first line says.
    CatalogEnvironment odd;
    odd.convert_old = [&](const std::string& p) {
        WriteBytes(p, "Ver 9\r\nOdd\r\n\r\nsong.mid\r\n");
        return 1;
    };
    WriteBytes(cat, "Ver 2.25\r\nsong.mid\r\n");
    MediaList o = Read(cat, &ok, odd);
    EXPECT_TRUE(ok);
    EXPECT_EQ(o.title, "Odd");
    EXPECT_EQ(Names(o), std::vector<std::string>{"song.mid"});
    // Without a converter library in the program folder the read fails.
    WriteBytes(cat, "old title\r\nsong.mid\r\n");
    MediaList none;
    none.path = cat;
    EXPECT_FALSE(ReadCatalog(none, MidiList(), false, CatalogEnvironment{.drives = {}, .picture_extensions = {},
                                                                          .convert_old = ConvertOldCatalog}));
}

TEST(CatalogRead, LongLinesAreCutWithoutSplittingACharacter) {
    TempDir dir;
    std::string title(300, 'T');
    std::string kana;
    for (int i = 0; i < 200; ++i) kana += "\x83\x41";  // "ア" x 200 = 400 bytes
    WriteBytes(dir.File("l.mit"), "Ver 1.00\r\n" + kana + "\r\n\r\nx.mid\t" + title + "\r\n");
    MediaList l = Read(dir.File("l.mit"));
    ASSERT_EQ(l.items.size(), 1u);
    EXPECT_EQ(l.items[0].title.size(), 255u);
    EXPECT_EQ(nuko::text::Utf8ToCp932(l.title)->size(), 400u);  // within the line limit
    std::string big = "Ver 1.00\r\n\r\n\r\n";
    for (int i = 0; i < 300; ++i) big += "\x83\x41";
    WriteBytes(dir.File("b.mit"), big + ".mid\r\n");
    MediaList b = Read(dir.File("b.mit"));
    ASSERT_EQ(b.items.size(), 0u);  // the cut line lost its extension
}

TEST(CatalogWrite, RoundTripAndByteStableRewrite) {
    TempDir dir;
    MediaList l;
    l.path = dir.File("rt.mot");
    l.title = "動画の一覧";
    l.sub_title = "ｻﾌﾞ";
    l.items.push_back({0, 0, "", "a.avi", "Title\twith tab", "", "", 0});
    l.items.push_back({0, 0, "", "/abs/b.mpg", "", "/pic.png", "/init.mid", 0});
    ASSERT_FALSE(WriteCatalog(l));
    std::string bytes = ReadBytes(l.path);
    EXPECT_EQ(bytes.substr(0, 10), "Ver 1.00\r\n");
    EXPECT_EQ(bytes.back(), '\x1a');
    EXPECT_NE(bytes.find("a.avi\tTitle with tab\t\t\r\n"), std::string::npos);

    MediaList back;
    back.path = l.path;
    ExtensionList movie;
    BuildKindExtensions(movie, 2, false, false);
    ASSERT_TRUE(ReadCatalog(back, movie, false, NoConverter()));
    EXPECT_EQ(back.title, l.title);
    ASSERT_EQ(back.items.size(), 2u);
    EXPECT_EQ(back.items[0].title, "Title with tab");
    EXPECT_EQ(back.items[1].init_file, "/init.mid");
    EXPECT_EQ(back.items[1].picture, "/pic.png");
    ASSERT_FALSE(WriteCatalog(back));
    EXPECT_EQ(ReadBytes(l.path), bytes);
}

TEST(CatalogWrite, TextsOutsideCp932AreKept) {
    TempDir dir;
    MediaList l;
    l.path = dir.File("u.wat");
    l.title = "한국어";
    l.items.push_back({0, 0, "", "/노래.wav", "🎵", "", "", 0});
    ASSERT_FALSE(WriteCatalog(l));
    EXPECT_EQ(ReadBytes(l.path).substr(0, 3), nuko::text::kUtf8Bom);
    MediaList back;
    back.path = l.path;
    ExtensionList sound;
    BuildKindExtensions(sound, 3, false, false);
    ASSERT_TRUE(ReadCatalog(back, sound, false, NoConverter()));
    EXPECT_EQ(back.title, "한국어");
    EXPECT_EQ(back.items.at(0).name, "/노래.wav");
    EXPECT_EQ(back.items.at(0).title, "🎵");
}

TEST(CatalogWrite, FailedWriteKeepsTheOldCatalog) {
    TempDir dir;
    std::string folder = dir.File("ro/");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    MediaList l;
    l.path = folder + "x.mit";
    ASSERT_FALSE(WriteCatalog(l));
    std::string old = ReadBytes(l.path);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    l.title = "new";
    bool failed = nuko::test::AsUnprivilegedUser(dir.path(), [&] { return static_cast<bool>(WriteCatalog(l)); });
    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadBytes(l.path), old);
}

TEST(CatalogRead, PictureFallbackBesideTheSong) {
    TempDir dir;
    WriteBytes(dir.File("s.mid"), "x");
    WriteBytes(dir.File("image.png"), "x");
    WriteBytes(dir.File("c.mit"), "Ver 1.00\r\n\r\n\r\ns.mid\tt\t\tmissing.bmp\r\n");
    MediaList l = Read(dir.File("c.mit"), nullptr, NoConverter(), true);
    ASSERT_EQ(l.items.size(), 1u);
    EXPECT_EQ(l.items[0].picture, dir.File("image.png"));
    WriteBytes(dir.File("IMAGE.BMP"), "x");  // ".bmp" comes first, any case
    l = Read(dir.File("c.mit"), nullptr, NoConverter(), true);
    EXPECT_EQ(l.items[0].picture, dir.File("IMAGE.BMP"));
}

TEST(CatalogRead, HostileBytesNeverCrash) {
    TempDir dir;
    std::string junk = "Ver 1.00\r\n";
    for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) & 0xFF);
    junk += std::string(3 << 20, 'm') + ".mid\n";
    junk += std::string("a\0b.mid\r\n", 9);
    WriteBytes(dir.File("j.mit"), junk);
    bool ok = false;
    MediaList l = Read(dir.File("j.mit"), &ok);
    EXPECT_TRUE(ok);
    for (const auto& i : l.items) EXPECT_EQ(i.name.find('\0'), std::string::npos);
}

// ---- The parse of bytes alone ----

TEST(CatalogParse, HeaderLinesAndLayout) {
    ParsedCatalog p = ParseCatalog("Ver 1.00\r\nTitle\r\nSub\r\n\x1a");
    EXPECT_TRUE(p.current_layout);
    EXPECT_FALSE(p.utf8);
    EXPECT_EQ(p.title, "Title");
    EXPECT_EQ(p.sub_title, "Sub");
    EXPECT_TRUE(p.entries.empty());

    // Lines that are not there stay absent, so a read keeps the list's own.
    p = ParseCatalog("Ver 1.00");
    EXPECT_TRUE(p.current_layout);
    EXPECT_FALSE(p.title.has_value());
    EXPECT_FALSE(p.sub_title.has_value());
    EXPECT_EQ(ParseCatalog("Ver 1.00\r\n\r\n").title, "");

    // Another first line is the older layout (the converter's business),
    // but the rest is still parsed.
    p = ParseCatalog("Ver 2.25\r\nT\r\nS\r\na.mid\r\n");
    EXPECT_FALSE(p.current_layout);
    ASSERT_EQ(p.entries.size(), 1u);
    EXPECT_FALSE(ParseCatalog("").current_layout);
    EXPECT_FALSE(ParseCatalog("ver 1.00\r\n").current_layout);
    EXPECT_FALSE(ParseCatalog("Ver 1.00 \r\n").current_layout);
    // The byte order mark comes before the version line.
    p = ParseCatalog(std::string(nuko::text::kUtf8Bom) + "Ver 1.00\r\n");
    EXPECT_TRUE(p.current_layout);
    EXPECT_TRUE(p.utf8);
}

TEST(CatalogParse, Cp932AndUtf8BehindAMarkGiveTheSameFields) {
    const std::string text = "Ver 1.00\r\n曲の一覧\r\nｻﾌﾞ\r\n曲\\歌.mid\t題名\tinit.mid\t絵.bmp\r\n";
    ParsedCatalog legacy = ParseCatalog(nuko::text::EncodeLegacy(text) + "\x1a");
    ParsedCatalog marked = ParseCatalog(std::string(nuko::text::kUtf8Bom) + text + "\x1a");
    for (const ParsedCatalog* p : {&legacy, &marked}) {
        EXPECT_TRUE(p->current_layout);
        EXPECT_EQ(p->title, "曲の一覧");
        EXPECT_EQ(p->sub_title, "ｻﾌﾞ");
        ASSERT_EQ(p->entries.size(), 1u);
        EXPECT_EQ(p->entries[0].path, "曲\\歌.mid");  // separators as written
        EXPECT_EQ(p->entries[0].title, "題名");
        EXPECT_EQ(p->entries[0].init_file, "init.mid");
        EXPECT_EQ(p->entries[0].picture, "絵.bmp");
    }
    EXPECT_FALSE(legacy.utf8);
    EXPECT_TRUE(marked.utf8);

    // Only the mark makes a file UTF-8: unmarked UTF-8 bytes are read as
    // CP932, and bad UTF-8 behind a mark never passes through.
    ParsedCatalog unmarked = ParseCatalog("Ver 1.00\r\n\xC3\xA9\r\n");
    EXPECT_NE(unmarked.title, "\xC3\xA9");
    ParsedCatalog bad = ParseCatalog(std::string(nuko::text::kUtf8Bom) + "Ver 1.00\r\n\x83\x41\xFF\r\n");
    ASSERT_TRUE(bad.title);
    EXPECT_TRUE(nuko::text::IsValidUtf8(*bad.title));
}

TEST(CatalogParse, FieldsLinesAndLimits) {
    ParsedCatalog p = ParseCatalog(
        "Ver 1.00\r\nT\r\nS\r\n"
        "\tno path\r\n"               // no path: not an entry
        "\r\n"
        "a.mid\r\n"                   // the other fields empty
        "b.mid\tt\ti\tpic\twith\ttabs\r\n");
    ASSERT_EQ(p.entries.size(), 2u);
    EXPECT_EQ(p.entries[0].path, "a.mid");
    EXPECT_EQ(p.entries[0].line, 5u);
    EXPECT_EQ(p.entries[0].title, "");
    EXPECT_EQ(p.entries[0].picture, "");
    EXPECT_EQ(p.entries[1].line, 6u);
    EXPECT_EQ(p.entries[1].picture, "pic\twith\ttabs");

    // Each of the first three fields is cut to 255 bytes, never splitting a
    // double-byte character; an item line over 511 bytes is outside the
    // format (a cut one would name another file) and is left out, counted.
    std::string kana;
    for (int i = 0; i < 200; ++i) kana += "\x83\x41";  // 400 bytes
    const std::string fits = kana + "\t" + std::string(100, 't') + "\t\t" + std::string(8, 'p');  // 511 bytes
    const std::string over = fits + "p";
    p = ParseCatalog("Ver 1.00\r\n" + kana + kana + "\r\n\r\n" + fits + "\r\n" + over + "\r\na.mid\t" +
                     std::string(300, 't') + "\r\n" + over + over);
    ASSERT_EQ(p.entries.size(), 2u);
    EXPECT_EQ(p.long_lines, 2u);
    const CatalogEntry& e = p.entries[0];
    EXPECT_EQ(nuko::text::Utf8ToCp932(e.path)->size(), 254u);  // 127 characters
    EXPECT_EQ(e.title, std::string(100, 't'));
    EXPECT_EQ(e.init_file, "");
    EXPECT_EQ(e.picture, std::string(8, 'p'));
    EXPECT_EQ(p.entries[1].line, 5u);
    EXPECT_EQ(p.entries[1].title, std::string(255, 't'));
    // The titles' lines are cut, not skipped.
    EXPECT_EQ(nuko::text::Utf8ToCp932(*p.title)->size(), 510u);
}

// ---- The resolve against a made-up disk ----

// The catalog format read by the test on its own, decoding with glibc's
// converters: a byte order mark marks UTF-8 text (else CP932), the first
// 0x1A byte ends the text, CR LF, a lone CR and a lone LF each end a line,
// and a byte that starts no character reads as U+FFFD, decoding going on
// with the next byte. Lines here stay far below the byte limits.
std::string IconvDecode(std::string_view bytes, bool utf8) {
    iconv_t cd = ::iconv_open("UTF-8", utf8 ? "UTF-8" : "CP932");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out;
    while (!bytes.empty()) {
        char buffer[256];
        char* in = const_cast<char*>(bytes.data());
        std::size_t in_left = bytes.size();
        char* o = buffer;
        std::size_t o_left = sizeof buffer;
        const std::size_t r = ::iconv(cd, &in, &in_left, &o, &o_left);
        out.append(buffer, static_cast<std::size_t>(o - buffer));
        bytes.remove_prefix(bytes.size() - in_left);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";  // EILSEQ, or a character cut off by the line's end
            bytes.remove_prefix(1);
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    ::iconv_close(cd);
    return out;
}

// Title, sub title and item fields with the line they came from.
std::vector<std::vector<std::string>> ReferenceRead(std::string_view bytes) {
    bool utf8 = false;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        utf8 = true;
        bytes.remove_prefix(3);
    }
    if (std::size_t eof = bytes.find('\x1a'); eof != std::string_view::npos) bytes = bytes.substr(0, eof);
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.push_back(IconvDecode(line, utf8));
            line.clear();
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line += bytes[i];
        }
    }
    if (!line.empty()) lines.push_back(IconvDecode(line, utf8));
    std::vector<std::vector<std::string>> out;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (i <= 2) {
            out.push_back({lines[i], std::to_string(i)});
            continue;
        }
        // Path, title and init file end at a TAB; the picture is the rest.
        std::vector<std::string> fields(4);
        std::string_view rest = lines[i];
        for (int f = 0; f < 3 && !rest.empty(); ++f) {
            const std::size_t tab = rest.find('\t');
            fields[f] = std::string(rest.substr(0, tab));
            rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
            if (f == 2) fields[3] = std::string(rest);
        }
        if (fields[0].empty()) continue;  // a line without a path is no item
        fields.push_back(std::to_string(i));
        out.push_back(std::move(fields));
    }
    return out;
}

// The parse decodes the whole text in one go; broken characters at line
// ends, lone CRs and LFs, TABs, lead bytes, the end-of-file mark and each
// way of ending the version line must read as the format says.
TEST(CatalogParse, DecodedAsAWholeReadsAsTheFormatSays) {
    auto parsed = [](std::string_view bytes) {
        ParsedCatalog p = ParseCatalog(bytes);
        std::vector<std::vector<std::string>> out;
        if (p.title) out.push_back({*p.title, "1"});
        if (p.sub_title) out.push_back({*p.sub_title, "2"});
        for (const auto& e : p.entries)
            out.push_back({e.path, e.title, e.init_file, e.picture, std::to_string(e.line)});
        return out;
    };
    const std::string pieces[] = {"\r\n", "\r", "\n", "\t", "\x83", "\x83\x41", "\x81", "\xFF", "\xA0",
                                  "\xE3\x81", "\xE3\x81\x82", "\xC3", "a.mid", "\xEF\xBF\xBD", "\x82\xA0",
                                  "\x1a"};
    const char* const version_lines[] = {"Ver 1.00\r\n", "Ver 1.00\n", "Ver 1.00\r", "Ver 1.00\n\r"};
    std::uint32_t seed = 12345;
    for (int round = 0; round < 400; ++round) {
        std::string text = round % 3 == 0 ? std::string("\xEF\xBB\xBF") : std::string();
        text += version_lines[round % std::size(version_lines)];
        int n = 1 + round % 40;
        for (int k = 0; k < n; ++k) {
            seed = seed * 1103515245u + 12345u;
            text += pieces[(seed >> 16) % std::size(pieces)];
        }
        if (round % 5 == 0) text += "\r\n\r\n";
        SCOPED_TRACE(round);
        EXPECT_EQ(parsed(text), ReferenceRead(text));
        EXPECT_TRUE(ParseCatalog(text).current_layout);
    }
    // Written out by hand: a CP932 title (ア and イ), an empty sub title and
    // an item whose picture field keeps its TAB.
    EXPECT_EQ(parsed("Ver 1.00\r\n\x83\x41\x83\x43\r\n\r\na.mid\tA\t\tp\tq\r\n"),
              (std::vector<std::vector<std::string>>{
                  {"\xE3\x82\xA2\xE3\x82\xA4", "1"}, {"", "2"}, {"a.mid", "A", "", "p\tq", "3"}}));
}

TEST(CatalogResolve, LooksOnlyThroughTheLookupAndFollowsItsAnswers) {
    using Kind = FoundPath::Kind;
    // What the made-up disk holds: the path asked for, its real form and kind.
    const std::map<std::string, FoundPath> disk = {
        {"/cat/a.mid", {"/cat/A.MID", Kind::File}},
        {"/cat/dir.mid", {"/cat/dir.mid", Kind::Other}},
        {"/cat/.h.mid", {"/cat/.h.mid", Kind::File}},
        {"/d/x.mid", {"/d/x.mid", Kind::File}},
        {"/d/own.bmp", {"/d/own.bmp", Kind::File}},
        {"/cat/image.png", {"/cat/Image.png", Kind::File}},
        {"/cat/image.gif", {"/cat/image.gif", Kind::File}},
    };
    std::vector<std::string> asked;
    CatalogEnvironment env = NoConverter();
    env.drives = {{'D', "/d"}};
    env.find_path = [&](const std::string& p) {
        asked.push_back(p);
        auto it = disk.find(p);
        return it == disk.end() ? FoundPath{p, Kind::Missing} : it->second;
    };
    ParsedCatalog parsed = ParseCatalog(
        "Ver 1.00\r\nT\r\nS\r\n"
        "a.mid\tA\t\tnone.bmp\r\n"   // picture missing: the folder's image
        "dir.mid\r\n"                // a folder: skipped
        ".h.mid\r\n"                 // hidden: skipped
        "d:\\x.mid\tX\t\t\\d\\own.bmp\r\n"
        "gone.mid\r\n");             // missing: kept, as it may come back
    MediaList list;
    list.path = "/cat/list.mit";
    ResolveCatalog(parsed, list, MidiList(), true, env);
    EXPECT_EQ(list.loaded, 1);
    EXPECT_EQ(list.title, "T");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a.mid", "d:/x.mid", "gone.mid"}));
    // The fallback searches the real folder of the item, ".bmp" first.
    EXPECT_EQ(list.items[0].picture, "/cat/Image.png");
    EXPECT_EQ(list.items[1].picture, "/d/own.bmp");
    EXPECT_EQ(list.items[2].picture, "/cat/Image.png");
    for (const char* p : {"/cat/a.mid", "/cat/none.bmp", "/cat/image.bmp", "/d/x.mid", "/cat/gone.mid"})
        EXPECT_NE(std::find(asked.begin(), asked.end(), p), asked.end()) << p;

    MediaList hidden;
    hidden.path = list.path;
    hidden.hidden_files = true;
    ResolveCatalog(parsed, hidden, MidiList(), false, env);
    EXPECT_EQ(Names(hidden), (std::vector<std::string>{"a.mid", ".h.mid", "d:/x.mid", "gone.mid"}));
    EXPECT_EQ(hidden.items[0].picture, "none.bmp");  // no look for pictures: as written
}

TEST(CatalogResolve, ManyItemsInManyMissingFoldersListEachFolderOnce) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("Here").c_str(), 0755), 0);
    WriteBytes(dir.File("Here/Song.MID"), "x");
    std::string bytes = "Ver 1.00\r\nT\r\nS\r\n";
    for (int f = 0; f < 400; ++f)
        for (int i = 0; i < 3; ++i)
            bytes += "gone" + std::to_string(f) + "\\x" + std::to_string(i) + ".mid\tt\r\n";
    bytes += "HERE\\song.mid\tfound\r\n\x1a";
    nuko::path::CaseResolver resolver;
    CatalogEnvironment env;
    env.find_path = ResolverLookup(resolver);
    MediaList list;
    list.path = dir.File("big.mit");
    ResolveCatalog(ParseCatalog(bytes), list, MidiList(), true, env);
    // Missing items stay as written, in order; the one present is found.
    ASSERT_EQ(list.items.size(), 1201u);
    EXPECT_EQ(list.items[5].name, "gone1/x2.mid");
    EXPECT_EQ(list.items.back().title, "found");
    EXPECT_EQ(PlayablePath(list.items.back(), list.path, {}, resolver), dir.File("Here/Song.MID"));
    EXPECT_EQ(PlayablePath(list.items[5], list.path, {}, resolver), dir.File("gone1/x2.mid"));
    // Every missing folder is found missing once, for the items and their pictures alike.
    EXPECT_LE(resolver.listings().reads(), 400u + 3);
    // The catalog's folder, listed once, tells that the others are not there.
    EXPECT_LE(resolver.listings().opened(), 4u);
}

TEST(CatalogResolve, ItemsUnderADriveOfAnotherComputerAskTheSystemOnce) {
    std::string bytes = "Ver 1.00\r\nT\r\nS\r\n";
    for (int f = 0; f < 2000; ++f) bytes += "Q:\\Music\\Album" + std::to_string(f) + "\\x.mid\tt\r\n";
    bytes += "\x1a";
    TempDir dir;
    nuko::path::CaseResolver resolver;
    CatalogEnvironment env;
    env.find_path = ResolverLookup(resolver);
    MediaList list;
    list.path = dir.File("other.mit");
    ResolveCatalog(ParseCatalog(bytes), list, MidiList(), true, env);
    ASSERT_EQ(list.items.size(), 2000u);
    EXPECT_EQ(list.items[7].name, "Q:/Music/Album7/x.mid");
    EXPECT_LE(resolver.listings().opened(), 5u);
}

TEST(CatalogRead, AReadResolvesAsParseThenResolveDoes) {
    // The read resolves each line as it is parsed; nothing may differ from
    // resolving the parsed catalog.
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("Sub").c_str(), 0755), 0);
    for (const char* n : {"a.mid", "Sub/B.MID", "Sub/image.PNG", ".h.mid", "c.rcp"}) WriteBytes(dir.File(n), "x");
    const std::string cp932_title = "\x83\x5e\x83\x43\x83\x67\x83\x8b";  // katakana, CP932
    const std::vector<std::string> catalogs = {
        "Ver 1.00\r\n" + cp932_title + "\r\nsub\r\na.mid\t" + cp932_title + "\tinit.cfg\tpic.bmp\r\n"
        "sub\\b.mid\tB\r\n\r\n\tno path\r\n.h.mid\r\ngone.mid\r\nSUB\r\nc.RCP\tC\r\nx.txt\r\n\x1a",
        "\xEF\xBB\xBFVer 1.00\r\nUTF-8 \xE3\x82\xBF\r\nS\rsub/B.mid\ta\tb\tc\td\na.mid\x1a tail.mid\r\n",
        "Ver 1.00\r\nT\r\n",
        "Ver 1.00",
    };
    for (std::size_t k = 0; k < catalogs.size(); ++k) {
        const std::string cat = dir.File("c" + std::to_string(k) + ".mit");
        WriteBytes(cat, catalogs[k]);
        for (bool hidden : {false, true}) {
            for (bool split : {false, true}) {
                CatalogEnvironment env = NoConverter();
                env.split_found = split;
                MediaList read;
                read.path = cat;
                read.hidden_files = hidden;
                ASSERT_TRUE(ReadCatalog(read, MidiList(), true, env)) << k;
                MediaList resolved;
                resolved.path = cat;
                resolved.hidden_files = hidden;
                ResolveCatalog(ParseCatalog(catalogs[k]), resolved, MidiList(), true, env);
                EXPECT_EQ(read.loaded, resolved.loaded) << k;
                EXPECT_EQ(read.title, resolved.title) << k;
                EXPECT_EQ(read.sub_title, resolved.sub_title) << k;
                ASSERT_EQ(read.items.size(), resolved.items.size()) << k;
                if (k == 0) EXPECT_EQ(read.items.size(), hidden ? 5u : 4u);
                for (std::size_t i = 0; i < read.items.size(); ++i) {
                    const MediaItem& a = read.items[i];
                    const MediaItem& b = resolved.items[i];
                    EXPECT_EQ(std::tie(a.folder, a.name, a.title, a.init_file, a.picture, a.icon),
                              std::tie(b.folder, b.name, b.title, b.init_file, b.picture, b.icon))
                        << k << " item " << i;
                }
            }
        }
    }
}
