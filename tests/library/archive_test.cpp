#include <dirent.h>
#include <strings.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "library/archive_file.h"
#include "library/lzh_archive.h"
#include "lzh_writer.h"
#include "media_fixtures.h"
#include "test_support.h"

using namespace nuko::media;
using nuko::test::LzhArchive;
using nuko::test::LzhEntry;
using nuko::test::ReadBytes;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

// "表" in CP932 is 0x95 0x5C: its trail byte is the "\" of ASCII.
const std::string kHyo = "\x95\x5C";
const std::string kHyoUtf8 = "\xE8\xA1\xA8";

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> out = nuko::test::FolderEntries(folder);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> Names(const ArchiveReadResult& r) {
    std::vector<std::string> out;
    for (const auto& m : r.extracted) out.push_back(m.name);
    return out;
}

class LzhTest : public ::testing::Test {
protected:
    void SetUp() override {
        NUKO_REQUIRE_TOOL(lib.usable(), "liblhasa.so.0 is not installed");
        work = dir.File("work/");
        ASSERT_EQ(::mkdir(work.c_str(), 0700), 0);
    }
    std::string Archive(const std::string& name, const std::vector<LzhEntry>& entries) {
        std::string path = dir.File(name);
        WriteBytes(path, LzhArchive(entries));
        return path;
    }
    TempDir dir;
    std::string work;
    LhasaLibrary lib;
};

TEST(LzhNames, LastComponentStepsOverDoubleByteCharacters) {
    EXPECT_EQ(Cp932LastComponent("dir\\song.mid"), "song.mid");
    EXPECT_EQ(Cp932LastComponent("a/b\\c.mid"), "c.mid");
    EXPECT_EQ(Cp932LastComponent(kHyo + ".mid"), kHyo + ".mid");
    EXPECT_EQ(Cp932LastComponent("d\\" + kHyo + kHyo + ".mid"), kHyo + kHyo + ".mid");
    EXPECT_EQ(Cp932LastComponent("dir\\"), "");
    // A lead byte at the very end has no trail: the byte stands alone.
    EXPECT_EQ(Cp932LastComponent("x\\\x95"), "\x95");
}

TEST(LzhNames, UnsafeNamesAreNamed) {
    EXPECT_EQ(UnsafeMemberReason("song.mid", ""), nullptr);
    EXPECT_EQ(UnsafeMemberReason(kHyo + ".mid", ""), nullptr);  // the 0x5C is no separator
    EXPECT_EQ(UnsafeMemberReason("a..b.mid", ""), nullptr);
    EXPECT_NE(UnsafeMemberReason("..\\evil.mid", ""), nullptr);
    EXPECT_NE(UnsafeMemberReason("a/../evil.mid", ""), nullptr);
    EXPECT_NE(UnsafeMemberReason("\\etc\\evil.mid", ""), nullptr);
    EXPECT_NE(UnsafeMemberReason("/evil.mid", ""), nullptr);
    EXPECT_NE(UnsafeMemberReason("evil.mid", "../"), nullptr);
    EXPECT_NE(UnsafeMemberReason("evil.mid", "/tmp/"), nullptr);
    EXPECT_NE(UnsafeMemberReason("ev\nil.mid", ""), nullptr);
    EXPECT_NE(UnsafeMemberReason("evil\x7F.mid", ""), nullptr);
    EXPECT_NE(UnsafeMemberReason("dir\\", ""), nullptr);
    EXPECT_NE(UnsafeMemberReason("..", ""), nullptr);
}

TEST(LzhNames, RawHeaderNameRejectsShortHeaders) {
    std::string level0 = nuko::test::LzhMember({"song.mid", "x"});
    auto raw = reinterpret_cast<const std::uint8_t*>(level0.data());
    EXPECT_EQ(RawHeaderName(raw, level0.size()), "song.mid");
    EXPECT_EQ(RawHeaderName(raw, 25), std::nullopt);  // name runs past the end
    EXPECT_EQ(RawHeaderName(raw, 10), std::nullopt);
    std::string level2 = nuko::test::LzhMember({.name = kHyo + ".mid", .data = "x", .level = 2});
    EXPECT_EQ(RawHeaderName(reinterpret_cast<const std::uint8_t*>(level2.data()), level2.size()),
              kHyo + ".mid");
}

TEST(LzhNames, Crc16MatchesTheKnownCheckValue) {
    EXPECT_EQ(LzhCrc16(0, "123456789", 9), 0xBB3D);
}

TEST_F(LzhTest, ShiftJisNamesKeepTheirBackslashTrailByteAtEveryLevel) {
    for (int level : {0, 1, 2}) {
        SCOPED_TRACE(level);
        std::string path = Archive("sjis.lzh", {{.name = kHyo + ".mid", .data = "MThd-song", .level = level},
                                                {.name = "dir\\" + kHyo + "2.rcp", .data = "RCP", .level = level}});
        ArchiveReadResult r = ExtractArchive(lib, path, work, {});
        ASSERT_TRUE(r.opened);
        ASSERT_EQ(r.members.size(), 2u);
        EXPECT_EQ(r.members[0].name, kHyoUtf8 + ".mid");
        EXPECT_EQ(r.members[1].name, kHyoUtf8 + "2.rcp");
        EXPECT_EQ(r.members[1].stored, "dir/" + kHyoUtf8 + "2.rcp");
        EXPECT_EQ(Names(r), (std::vector<std::string>{kHyoUtf8 + ".mid", kHyoUtf8 + "2.rcp"}));
        EXPECT_EQ(ReadBytes(work + kHyoUtf8 + ".mid"), "MThd-song");
        EXPECT_EQ(Entries(work), (std::vector<std::string>{kHyoUtf8 + ".mid", kHyoUtf8 + "2.rcp"}));
        for (const auto& e : Entries(work)) ::unlink((work + e).c_str());
    }
}

TEST_F(LzhTest, LevelOneNameMayComeFromItsExtension) {
    std::string path = Archive("ext.lzh", {{.name = kHyo + "-long name.mid", .data = "d", .level = 1,
                                            .folder = "sub\xFF", .name_in_extension = true}});
    ArchiveReadResult r = ExtractArchive(lib, path, work, {});
    ASSERT_EQ(r.members.size(), 1u);
    EXPECT_EQ(r.members[0].stored, "sub/" + kHyoUtf8 + "-long name.mid");
    EXPECT_EQ(Names(r), std::vector<std::string>{kHyoUtf8 + "-long name.mid"});
}

TEST_F(LzhTest, CompressedMembersDecodeAtEveryLevel) {
    const std::string data = std::string(300, 'a') + "MThd" + std::string(70000, '\0') + "end";
    for (int level : {0, 1, 2}) {
        SCOPED_TRACE(level);
        std::string path = Archive("lh5.lzh", {{.name = "x\\" + kHyo + ".mid", .data = data, .level = level, .lh5 = true},
                                               {.name = "bad.mid", .data = "abc", .bad_crc = true, .lh5 = true}});
        ArchiveReadResult r = ExtractArchive(lib, path, work, {});
        ASSERT_EQ(r.members.size(), 2u);
        EXPECT_EQ(r.members[0].method, "-lh5-");
        EXPECT_EQ(Names(r), std::vector<std::string>{kHyoUtf8 + ".mid"});
        EXPECT_EQ(ReadBytes(work + kHyoUtf8 + ".mid"), data);
        ::unlink((work + kHyoUtf8 + ".mid").c_str());
    }
}

TEST_F(LzhTest, HostileNamesNeverWriteOutsideTheFolder) {
    std::string path = Archive("evil.lzh", {{"..\\evil1.mid", "x"},
                                            {"\\evil2.mid", "x"},
                                            {"/evil3.mid", "x"},
                                            {"ev\x01il4.mid", "x"},
                                            {.name = "evil5.mid", .data = "x", .level = 1, .folder = "..\xFF"},
                                            {.name = "evil6.mid", .data = "x", .level = 2, .folder = "..\xFF"},
                                            {"good.mid", "fine"}});
    ArchiveReadResult r = ExtractArchive(lib, path, work, {});
    ASSERT_TRUE(r.opened);
    EXPECT_EQ(Names(r), std::vector<std::string>{"good.mid"});
    EXPECT_EQ(r.skipped.size(), 6u);
    EXPECT_EQ(Entries(work), std::vector<std::string>{"good.mid"});
    for (const char* n : {"evil1.mid", "evil2.mid", "evil3.mid", "evil5.mid", "evil6.mid"}) EXPECT_FALSE(Exists(dir.File(n))) << n;
}

TEST_F(LzhTest, SymbolicLinkInTheWayIsNeverReplacedNorFollowed) {
    std::string victim = dir.File("victim");
    WriteBytes(victim, "keep");
    ASSERT_EQ(::symlink(victim.c_str(), (work + "song.mid").c_str()), 0);
    ASSERT_EQ(::mkdir((work + "folder.mid").c_str(), 0700), 0);
    std::string path = Archive("a.lzh", {{"song.mid", "evil"}, {"folder.mid", "x"}});
    ArchiveReadResult r = ExtractArchive(lib, path, work, {});
    EXPECT_TRUE(r.extracted.empty());
    EXPECT_EQ(r.skipped.size(), 2u);
    EXPECT_EQ(ReadBytes(victim), "keep");
    struct stat st {};
    ASSERT_EQ(::lstat((work + "song.mid").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(LzhTest, DamagedMembersAreSkippedAndLeaveNoFile) {
    std::string path = Archive("bad.lzh", {{.name = "crc.mid", .data = "data", .bad_crc = true},
                                           {.name = "huge.mid", .data = "", .declared = 0xFFFFFFFFll},
                                           {"ok.mid", "ok"}});
    ArchiveReadResult r = ExtractArchive(lib, path, work, {});
    ASSERT_TRUE(r.opened);
    EXPECT_EQ(Names(r), std::vector<std::string>{"ok.mid"});
    EXPECT_EQ(Entries(work), std::vector<std::string>{"ok.mid"});  // no temporary file left either
}

TEST_F(LzhTest, TruncatedArchivesEndQuietly) {
    std::string whole = LzhArchive({{"first.mid", "first"}, {"second.mid", std::string(4000, 's')}});
    // The first member ends where an archive of it alone has its end mark.
    const std::size_t first_end = LzhArchive({{"first.mid", "first"}}).size() - 1;
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{10}, std::size_t{40}, first_end - 1,
                            first_end, first_end + 30, whole.size() - 100, whole.size() - 2}) {
        SCOPED_TRACE(cut);
        std::string path = dir.File("cut.lzh");
        WriteBytes(path, whole.substr(0, cut));
        ArchiveReadResult r = ExtractArchive(lib, path, work, {});
        // A whole first member is written; the second is never complete.
        const std::vector<std::string> whole_first =
            cut >= first_end ? std::vector<std::string>{"first.mid"} : std::vector<std::string>{};
        EXPECT_EQ(Names(r), whole_first);
        EXPECT_EQ(Entries(work), whole_first);
        if (!whole_first.empty()) {
            EXPECT_EQ(ReadBytes(work + "first.mid"), "first");
        }
        for (const auto& e : Entries(work)) ::unlink((work + e).c_str());
    }
}

TEST_F(LzhTest, ExistingFilesAreReplacedOnlyWhenAllowed) {
    std::string path = Archive("a.lzh", {{"song.mid", "new"}});
    WriteBytes(work + "song.mid", "old");
    ExtractOptions keep;
    keep.overwrite = false;
    ArchiveReadResult r = ExtractArchive(lib, path, work, keep);
    EXPECT_EQ(Names(r), std::vector<std::string>{"song.mid"});
    EXPECT_EQ(ReadBytes(work + "song.mid"), "old");

    std::string asked;
    keep.confirm_overwrite = [&](const std::string& t) {
        asked = t;
        return true;
    };
    ExtractArchive(lib, path, work, keep);
    EXPECT_EQ(asked, work + "song.mid");
    EXPECT_EQ(ReadBytes(work + "song.mid"), "new");

    WriteBytes(work + "song.mid", "old");
    ExtractArchive(lib, path, work, {});
    EXPECT_EQ(ReadBytes(work + "song.mid"), "new");
}

TEST_F(LzhTest, ProgressCanStopTheExtraction) {
    std::string path = Archive("a.lzh", {{"one.mid", "1111"}, {"two.mid", "2222"}});
    ExtractOptions o;
    std::vector<std::string> seen;
    o.progress = [&](const std::string& name, std::uint64_t done, std::uint64_t total) {
        seen.push_back(name);
        EXPECT_LE(done, total);
        return name != "two.mid";
    };
    ArchiveReadResult r = ExtractArchive(lib, path, work, o);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(seen, (std::vector<std::string>{"one.mid", "two.mid"}));
    EXPECT_EQ(Entries(work), std::vector<std::string>{"one.mid"});
}

TEST_F(LzhTest, NoArchiveIsNoCrash) {
    std::string path = dir.File("text.lzh");
    WriteBytes(path, std::string(3000, 'x'));
    ArchiveReadResult r = ExtractArchive(lib, path, work, {});
    EXPECT_TRUE(r.members.empty());
    EXPECT_FALSE(ExtractArchive(lib, dir.File("missing.lzh"), work, {}).opened);
    EXPECT_FALSE(ExtractArchive(lib, dir.path(), work, {}).opened);  // a folder
    ASSERT_EQ(::mkfifo(dir.File("fifo.lzh").c_str(), 0600), 0);
    EXPECT_FALSE(ExtractArchive(lib, dir.File("fifo.lzh"), work, {}).opened);
}

// A stored UTF-8 name in CP932, as an archive of Windows origin holds it,
// by glibc's converter.
std::string ToCp932(const std::string& utf8) {
    iconv_t cd = ::iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* o = out.data();
    std::size_t o_left = out.size();
    const bool ok = ::iconv(cd, &in, &in_left, &o, &o_left) != static_cast<std::size_t>(-1);
    ::iconv_close(cd);
    EXPECT_TRUE(ok) << utf8;
    out.resize(out.size() - o_left);
    return out;
}

// The file at `relative` below `folder`, each part of the path matched
// without regard to ASCII case; empty when there is none.
std::string FindIgnoringCase(const std::string& folder, const std::string& relative) {
    std::string at = folder;
    std::size_t pos = 0;
    while (pos <= relative.size()) {
        const std::size_t slash = std::min(relative.find('/', pos), relative.size());
        const std::string part = relative.substr(pos, slash - pos);
        std::string match;
        for (const std::string& entry : nuko::test::FolderEntries(at))
            if (::strcasecmp(entry.c_str(), part.c_str()) == 0) match = entry;
        if (match.empty()) return {};
        at += match;
        if (slash == relative.size()) return at;
        at += "/";
        pos = slash + 1;
    }
    return {};
}

// Real archives of several makers, header levels and methods: every member
// holds the bytes that lhasa's own lha program extracts from it.
TEST_F(LzhTest, CorpusArchivesExtractWithCorrectData) {
    NUKO_CORPUS_FILE(corpus, "lzh/");
    const std::string lha = nuko::test::FindProgram("lha");
    NUKO_REQUIRE_TOOL(!lha.empty(), "no lha program (package lhasa)");
    int archives = 0;
    for (const std::string& name : nuko::test::FolderEntries(corpus)) {
        SCOPED_TRACE(name);
        ++archives;
        TempDir out, theirs;
        ArchiveReadResult r = ExtractArchive(lib, corpus + name, out.path(), {});
        ASSERT_TRUE(r.opened);
        EXPECT_FALSE(r.members.empty());
        EXPECT_TRUE(r.skipped.empty()) << r.skipped.front();
        std::string log;
        ASSERT_EQ(nuko::test::RunProgram({lha, "-xqw=" + theirs.path(), corpus + name}, &log), 0) << log;
        std::size_t files = 0;
        for (const auto& m : r.members) {
            if (m.directory) continue;
            ++files;
            EXPECT_EQ(m.name.find('/'), std::string::npos);
            // lha writes the stored path in its raw bytes, takes a 0x5C
            // byte for a folder separator and lowers the names of MS-DOS
            // archives.
            std::string raw = ToCp932(m.stored);
            std::replace(raw.begin(), raw.end(), '\\', '/');
            const std::string found = FindIgnoringCase(theirs.path(), raw);
            ASSERT_FALSE(found.empty()) << m.stored;
            const std::string expected = ReadBytes(found);
            EXPECT_EQ(ReadBytes(out.path() + m.name), expected) << m.stored;
            EXPECT_EQ(expected.size(), m.size) << m.stored;
        }
        EXPECT_GT(files, 0u);
        EXPECT_EQ(r.extracted.size(), files);
    }
    EXPECT_GE(archives, 10);
}

// --- CArchiveFile ---

class ArchiveFileTest : public LzhTest {
protected:
    void SetUp() override {
        LzhTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(CArchiveFile::Instances(), 0);
        settings.work_folder = work;
        file = std::make_unique<CArchiveFile>(settings);
    }
    void TearDown() override { file.reset(); }
    ArchiveSettings settings;
    std::unique_ptr<CArchiveFile> file;
};

TEST_F(ArchiveFileTest, NameLikenessChoosesTheSongNamedLikeTheArchive) {
    EXPECT_EQ(NameLikeness("/x/song.lzh", "/w/song.mid"), 4);
    EXPECT_EQ(NameLikeness("/x/song.lzh", "/w/other.mid"), 0);
    EXPECT_EQ(NameLikeness("/x/SONG.LZH", "/w/Song.mid"), 4);
    EXPECT_EQ(NameLikeness("/x/a.lzh", "/w/a.mid"), 1);   // limit min(5,5)-4
    EXPECT_EQ(NameLikeness("/x/abc.lzh", "/w/a.m"), 0);    // shorter than five
    EXPECT_EQ(NameLikeness("/x/" + kHyoUtf8 + ".lzh", "/w/" + kHyoUtf8 + ".mid"), 2);  // CP932 bytes

    std::string path = Archive("song.lzh", {{"other.mid", "o"}, {"song.mid", "s"}, {"readme.txt", "r"}});
    ASSERT_TRUE(file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false));
    EXPECT_EQ(path, work + "song.mid");
    EXPECT_EQ(CArchiveFile::RememberedPath(), work + "song.mid");
    EXPECT_EQ(CArchiveFile::PlayTempList().size(), 3u);
}

TEST_F(ArchiveFileTest, RcpFirstDecidesBetweenEquallyLikeMembers) {
    std::string archive = Archive("x.lzh", {{"a.rcp", "r"}, {"a.mid", "m"}});
    std::string path = archive;
    file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false);
    EXPECT_EQ(path, work + "a.mid");
    path = archive;
    file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, true);
    EXPECT_EQ(path, work + "a.rcp");
}

TEST_F(ArchiveFileTest, ReadmeOnlyFailsAndItsFileGoesWithTheLastUser) {
    std::string archive = Archive("docs.lzh", {{"readme.txt", "read me"}});
    std::string path = archive;
    {
        CArchiveFile second(settings);
        EXPECT_TRUE(second.OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false));
        EXPECT_EQ(path, archive);  // the caller keeps the archive path
        EXPECT_EQ(CArchiveFile::RememberedPath(), "");
        EXPECT_EQ(CArchiveFile::PlayTempList(), std::vector<std::string>{work + "readme.txt"});
    }
    EXPECT_TRUE(Exists(work + "readme.txt"));  // another user remains
    file.reset();
    EXPECT_FALSE(Exists(work + "readme.txt"));
    EXPECT_TRUE(CArchiveFile::PlayTempList().empty());
}

TEST_F(ArchiveFileTest, ShiftJisMemberIsChosenByLikeness) {
    std::string path = Archive(kHyoUtf8 + "2.lzh", {{.name = "aaaa.mid", .data = "a", .lh5 = true},
                                                    {.name = kHyo + "2.mid", .data = "b", .level = 1, .lh5 = true}});
    ASSERT_TRUE(file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false));
    EXPECT_EQ(path, work + kHyoUtf8 + "2.mid");
    EXPECT_EQ(ReadBytes(path), "b");
}

TEST_F(ArchiveFileTest, WithoutExtractTheRememberedMemberPlays) {
    std::string path = Archive("song.lzh", {{"song.mid", "s"}});
    file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false);
    std::string again = dir.File("song.lzh");
    EXPECT_TRUE(file->OpenForPlay(again, Code(MediaKind::Midi), nullptr, false, false));
    EXPECT_EQ(again, work + "song.mid");

    std::string plain = dir.File("song.mid");
    EXPECT_FALSE(file->OpenForPlay(plain, Code(MediaKind::Midi), nullptr, true, false));
    EXPECT_EQ(plain, dir.File("song.mid"));
    std::string tiny = ".lzh";  // needs five characters
    EXPECT_FALSE(file->OpenForPlay(tiny, Code(MediaKind::Midi), nullptr, true, false));
}

TEST_F(ArchiveFileTest, NextPlayExtractionDeletesOnlyWhatNoCheckHolds) {
    std::string one = Archive("one.lzh", {{"one.mid", "1"}, {"shared.mid", "s"}});
    std::string two = Archive("two.lzh", {{"two.mid", "2"}});
    EXPECT_TRUE(file->CheckArchive(one, {".mid"}, false, nullptr));  // the check lists shared.mid too
    std::string path = one;
    file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false);
    EXPECT_EQ(path, work + "one.mid");
    path = two;
    file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false);
    EXPECT_EQ(path, work + "two.mid");
    EXPECT_TRUE(Exists(work + "one.mid"));     // the check holds it
    EXPECT_TRUE(Exists(work + "shared.mid"));
    EXPECT_EQ(CArchiveFile::PlayTempList(), std::vector<std::string>{work + "two.mid"});
    file.reset();
    EXPECT_TRUE(Entries(work).empty());
}

TEST_F(ArchiveFileTest, KindOfArchiveFollowsTheChosenMember) {
    EXPECT_EQ(file->KindOfArchive(Archive("m.lzh", {{"clip.avi", "a"}, {"notes.txt", "t"}})), Code(MediaKind::Movie));
    EXPECT_EQ(file->KindOfArchive(Archive("s.lzh", {{"take.wav", "w"}})), Code(MediaKind::Sound));
    EXPECT_EQ(file->KindOfArchive(Archive("w.lzh", {{"x.wma", "w"}})), Code(MediaKind::Movie));
    EXPECT_EQ(file->KindOfArchive(Archive("song.lzh", {{"clip.avi", "a"}, {"song.mid", "m"}})), Code(MediaKind::Midi));
    EXPECT_EQ(file->KindOfArchive(Archive("p.lzh", {{"x.mpeg", "m"}})), -1);  // a five-character extension
    EXPECT_EQ(file->KindOfArchive(Archive("t.lzh", {{"notes.txt", "t"}})), -1);
    EXPECT_EQ(file->KindOfArchive(dir.File("nothing.lzh")), -1);
    EXPECT_TRUE(CArchiveFile::PlayTempList().empty());
}

TEST_F(ArchiveFileTest, CheckArchiveWantsTheExtensionsAndAScriptWhenAsked) {
    std::string with = Archive("with.lzh", {{"song.mid", "m"}, {"song.wrd", "w"}});
    std::string without = Archive("without.lzh", {{"song.mid", "m"}});
    EXPECT_TRUE(file->CheckArchive(with, {".mid"}, true, nullptr));
    EXPECT_TRUE(file->CheckArchive(without, {".mid"}, false, nullptr));
    EXPECT_FALSE(file->CheckArchive(without, {".mid"}, true, nullptr));
    EXPECT_FALSE(file->CheckArchive(without, {".rcp"}, false, nullptr));
    EXPECT_FALSE(Exists(work + "song.wrd"));  // each check clears the last one's files
}

class RecordingUi : public ArchiveUi {
public:
    void BeginExtract(const std::string& archive, void*) override { events.push_back("begin " + archive); }
    bool ExtractProgress(const std::string& member, std::uint64_t, std::uint64_t) override {
        events.push_back("progress " + member);
        return !cancel;
    }
    void EndExtract() override { events.push_back("end"); }
    bool ConfirmOverwrite(const std::string& path, void*) override {
        events.push_back("ask " + path);
        return false;
    }
    std::vector<std::string> events;
    bool cancel = false;
};

TEST_F(ArchiveFileTest, ProgressWindowAndQuestionFollowTheSettings) {
    RecordingUi ui;
    std::string archive = Archive("song.lzh", {{"song.mid", "new"}});
    settings.ui = &ui;
    settings.dlg_view = false;
    settings.yes = false;
    file->SetSettings(settings);
    WriteBytes(work + "song.mid", "old");
    std::string path = archive;
    EXPECT_TRUE(file->CheckArchive(path, {".mid"}, false, nullptr));
    EXPECT_EQ(ui.events, std::vector<std::string>{"ask " + work + "song.mid"});
    EXPECT_EQ(ReadBytes(work + "song.mid"), "old");

    ui.events.clear();
    settings.dlg_view = true;
    settings.yes = true;
    file->SetSettings(settings);
    EXPECT_TRUE(file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false));
    EXPECT_EQ(ui.events, (std::vector<std::string>{"begin " + archive, "progress song.mid", "end"}));
    EXPECT_EQ(ReadBytes(work + "song.mid"), "new");

    ui.cancel = true;
    path = archive;
    EXPECT_TRUE(file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false));
    EXPECT_EQ(path, archive);  // cancelled: nothing chosen
}

TEST_F(ArchiveFileTest, CorpusArchivesGiveNoMemberToPlayAndClearUp) {
    NUKO_CORPUS_FILE(corpus, "lzh/");
    for (const std::string& name : nuko::test::FolderEntries(corpus)) {
        std::string path = corpus + name;
        // None of them holds media: each extraction fails and lists what it wrote.
        EXPECT_TRUE(file->OpenForPlay(path, Code(MediaKind::Midi), nullptr, true, false)) << name;
        EXPECT_EQ(path, corpus + name);
        EXPECT_EQ(file->KindOfArchive(corpus + name), -1) << name;
    }
    EXPECT_TRUE(file->CheckArchive(corpus + "lhasa_lha213_lh5.lzh", {".txt", ".c", ".doc"}, false, nullptr) ||
                !CArchiveFile::CheckTempList().empty());
    file.reset();
    EXPECT_TRUE(Entries(work).empty());
}

}  // namespace
