#include "library/media_kinds.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "nuko/files.h"
#include "test_support.h"

using namespace nuko::media;

namespace {
ExtensionList Kind(int kind, bool plain, bool rcp_first = false) {
    ExtensionList l{"stale"};
    BuildKindExtensions(l, kind, plain, rcp_first);
    return l;
}
}  // namespace

TEST(KindExtensions, FixedOrders) {
    EXPECT_EQ(Kind(0, false), (ExtensionList{".mid", ".rcp", ".r36", ".g36", ".rmi", ".wrd", ".lzh"}));
    EXPECT_EQ(Kind(0, true, true), (ExtensionList{".rcp", ".r36", ".g36", ".mid", ".rmi"}));
    EXPECT_TRUE(Kind(1, false).empty());
    EXPECT_TRUE(Kind(7, false).empty());
    auto movie = Kind(2, true);
    auto sound = Kind(3, true);
    EXPECT_EQ(movie.back(), ".wmv");
    EXPECT_EQ(sound.back(), ".abs");
    for (auto* l : {&movie, &sound}) {
        EXPECT_EQ(std::count(l->begin(), l->end(), ".lzh"), 0);
        for (const auto& e : *l) EXPECT_EQ(std::count(l->begin(), l->end(), e), 1) << e;
    }
    auto all = Kind(AllKinds, false);
    EXPECT_EQ(all.size(), 22u);
    EXPECT_EQ(std::count(all.begin(), all.end(), ".wma"), 1);
    EXPECT_EQ(std::count(all.begin(), all.end(), ".wrd"), 0);
    EXPECT_EQ(all.back(), ".lzh");
}

TEST(FlaggedExtensions, GroupsInBitOrder) {
    ExtensionList l{"kept"};
    BuildFlaggedExtensions(l, 0, 0x0002 | 0x0001 | 0x4000 | 0x8000 | 0x0800, true);
    EXPECT_EQ(l, (ExtensionList{"kept", ".mid", ".rcp", ".r36", ".g36", ".wrd", ".mit", ".lzh"}));
    l.clear();
    BuildFlaggedExtensions(l, 3, 0x8000, true);
    EXPECT_EQ(l, ExtensionList{".wat"});
    l.clear();
    BuildFlaggedExtensions(l, 2, 0x0800, false);
    EXPECT_TRUE(l.empty());
    BuildFlaggedExtensions(l, 1, 0xFFFF, true);
    EXPECT_TRUE(l.empty());
    BuildFlaggedExtensions(l, 0, 0x0018, true);  // MIDI's fourth and fifth boxes select nothing
    EXPECT_TRUE(l.empty());
    BuildFlaggedExtensions(l, 2, 0x0010, false);
    EXPECT_EQ(l, (ExtensionList{".asf", ".wma", ".wmv"}));
}

TEST(KindOf, ExtensionsAndArchiveMembers) {
    EXPECT_EQ(KindOfExtension(".mid"), 0);
    EXPECT_EQ(KindOfExtension(".wma"), 2);  // the first kind that lists it
    EXPECT_EQ(KindOfExtension(".wav"), 3);
    EXPECT_EQ(KindOfExtension(".lzh"), -1);
    EXPECT_EQ(KindOfExtension(".wrd"), -1);
    EXPECT_EQ(KindOfArchiveMember("dir/SONG.MID"), 0);
    EXPECT_EQ(KindOfArchiveMember("a.mpeg"), -1);
    EXPECT_EQ(KindOfArchiveMember("x.wma"), 2);
    EXPECT_EQ(KindOfArchiveMember("id"), -1);
    EXPECT_EQ(CatalogExtension(1), ".");
    EXPECT_EQ(CatalogExtension(2), ".mot");
    EXPECT_EQ(CatalogExtension(100), "");
}

TEST(Acceptance, FolderScanEqualityAndCatalogSubstring) {
    auto midi = Kind(0, true);
    auto no_test = [](const std::string&) { return 0; };
    EXPECT_TRUE(ScanAccepts("/x/Song.MID", 0, midi, no_test));
    EXPECT_FALSE(ScanAccepts("/x/song.mid.txt", 0, midi, no_test));
    EXPECT_FALSE(ScanAccepts("/x.mid/noext", 0, midi, no_test));
    EXPECT_TRUE(CatalogAccepts("C:/X/SONG.MID.TXT", midi));
    EXPECT_FALSE(CatalogAccepts("/x/song.txt", midi));
}

TEST(Acceptance, TheMatcherAgreesWithTheListOnEveryExtensionOfEveryKind) {
    auto no_test = [](const std::string&) { return 0; };
    // Extensions of every kind, in other cases, cut, lengthened, of eight
    // and nine characters, with bytes past ASCII.
    std::vector<std::string> asked = {"", "m", "mi", "MID", "Mid", "midi", "mid ", "mpeg", "MPEG", "aiff",
                                      "wma", "WMV", "lzh", "abcdefgh", "abcdefghi", "m\xc9d", "\xcd\xc9\xc4"};
    for (int kind = 0; kind < 4; ++kind) {
        auto list = Kind(kind, true);
        for (const auto& want : list) {
            if (want.size() < 2) continue;
            asked.push_back(want.substr(1));
            std::string upper = want.substr(1);
            for (char& c : upper)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            asked.push_back(upper);
        }
        list.push_back(".abcdefgh");   // eight after the dot: still packed
        list.push_back(".abcdefghi");  // nine: matched letter by letter
        const ExtensionMatcher matcher(list);
        for (const auto& ext : asked) {
            const std::string path = "/x/song." + ext;
            EXPECT_EQ(ScanAccepts(path, ext, kind, matcher, no_test), ScanAccepts(path, ext, kind, list, no_test))
                << kind << " " << ext;
        }
        EXPECT_NE(matcher.Find("ABCDEFGHI"), nullptr);
        EXPECT_EQ(matcher.Find("abcdefg"), nullptr);
    }
}

TEST(Acceptance, WindowsMediaSplitOnRealFiles) {
    NUKO_CORPUS_FILE(asf, "asf/");
    auto header = [](const std::string& p) { return nuko::files::WinMediaType(p); };
    auto movie = Kind(2, true);
    auto sound = Kind(3, true);
    std::string wma = asf + "taglib_silence-1.wma";
    std::string wmv = asf + "wine_wmvcore_test.wmv";
    EXPECT_TRUE(ScanAccepts(wma, 3, sound, header));
    EXPECT_FALSE(ScanAccepts(wma, 2, movie, header));
    EXPECT_TRUE(ScanAccepts(wmv, 2, movie, header));
    EXPECT_FALSE(ScanAccepts(wmv, 3, sound, header));
}

TEST(Texts, NamesFiltersAndLabels) {
    EXPECT_EQ(KindName(1), "音楽CD");
    EXPECT_EQ(OpenFileFilter(3, true),
              "ｻｳﾝﾄﾞ ALL(*.wav;*.mp3;*.rmp;*.aif;*.aiff;*.asf;*.wma;*.wmv;*.abs)|*.wav;*.mp3;*.rmp;*.aif;"
              "*.aiff;*.asf;*.wma;*.wmv;*.abs|Wave Audio(*.wav)|*.wav|MP3 Audio(*.mp3;*.rmp)|*.mp3;*.rmp|"
              "Aiff(*.aif;*.aiff)|*.aif;*.aiff|Windows Media(*.asf;*.wma;*.wmv)|*.asf;*.wma;*.wmv|"
              "Mpeg Audio(*.abs)|*.abs|ｻｳﾝﾄﾞ ｶﾀﾛｸﾞ(*.wat)|*.wat|圧縮(*.lzh)|*.lzh||");
    EXPECT_EQ(CatalogFileFilter(0), "MIDI ｶﾀﾛｸﾞ(*.mit)|*.mit||");
    EXPECT_EQ(MeaningfulTypeBoxes(0), 3);
    EXPECT_STREQ(TypeBoxLabels(2)[4], "A&SF");
}
