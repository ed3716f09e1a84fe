#include "nuko/ini.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "open_folder.h"
#include "test_support.h"

using namespace nuko::ini;
using nuko::test::ReadBytes;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

const char kOdd[] =
    "; a comment at the top\r\n"
    "\r\n"
    "[Main]   \r\n"
    "  Caption =  1  \r\n"
    "Menu=0\r\n"
    "; between keys\r\n"
    "Quoted=\"  spaced  \"\r\n"
    "Single='x'\r\n"
    "\r\n"
    " [ cd\\FILE ]\r\n"
    "0125234180412=ABC -> /x.txt\r\n"
    "[main]\r\n"
    "Caption=9\r\n";

}  // namespace

TEST(IniRead, ProfileRules) {
    auto doc = Document::Parse(kOdd, Encoding::Utf8);
    EXPECT_EQ(doc.Get("MAIN", "caption"), "1");  // trimmed, case-insensitive
    EXPECT_EQ(doc.Get("Main", "Quoted"), "  spaced  ");  // one pair of quotes removed
    EXPECT_EQ(doc.Get("Main", "Single"), "x");
    EXPECT_EQ(doc.Get("Cd\\File", "0125234180412"), "ABC -> /x.txt");
    EXPECT_FALSE(doc.Get("Main", "Missing"));
    EXPECT_EQ(doc.GetString("Main", "Missing", "dflt"), "dflt");
    // The first section wins over a later one of the same name.
    EXPECT_EQ(doc.Get("main", "Caption"), "1");
    EXPECT_EQ(doc.Keys("Main"), (std::vector<std::string>{"Caption", "Menu", "Quoted", "Single"}));
    EXPECT_EQ(doc.Sections(), (std::vector<std::string>{"Main", "cd\\FILE"}));
}

TEST(IniWrite, OneKeyKeepsEveryOtherByte) {
    auto doc = Document::Parse(kOdd, Encoding::Utf8);
    ASSERT_TRUE(doc.Set("main", "MENU", "1"));
    std::string expected = kOdd;
    expected.replace(expected.find("Menu=0"), 6, "Menu=1");
    EXPECT_EQ(doc.Serialize(), expected);
}

TEST(IniWrite, NewKeyGoesAfterTheLastKeyOfItsSection) {
    auto doc = Document::Parse("[A]\nx=1\n\n[B]\ny=2", Encoding::Utf8);
    doc.Set("A", "z", "3");
    doc.Set("B", "w", "4");
    doc.Set("C", "v", "5");
    EXPECT_EQ(doc.Serialize(), "[A]\nx=1\nz=3\n\n[B]\ny=2\nw=4\n[C]\nv=5\n");
}

TEST(IniWrite, DeletingKeysAndSections) {
    auto doc = Document::Parse("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n", Encoding::Legacy);
    EXPECT_TRUE(doc.RemoveKey("a", "X"));
    EXPECT_FALSE(doc.RemoveKey("a", "nope"));
    EXPECT_EQ(doc.Serialize(), "[A]\r\ny=2\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(doc.RemoveSection("A"));
    EXPECT_EQ(doc.Serialize(), "[B]\r\nz=3\r\n");
}

TEST(IniWrite, RefusesNamesThatCannotBeStoredAndFlattensLineBreaks) {
    Document doc(Encoding::Utf8);
    EXPECT_FALSE(doc.Set("A", "k=ey", "v"));
    EXPECT_FALSE(doc.Set("A]", "key", "v"));
    EXPECT_FALSE(doc.Set("A", "  ", "v"));
    EXPECT_TRUE(doc.Set("A", "key", "one\r\ntwo"));
    EXPECT_EQ(doc.Get("A", "key"), "one  two");
}

TEST(IniLegacy, Cp932FileWithTrailBytesThatLookLikeSyntax) {
    // "ソ" (0x83 0x5C) ends in a backslash byte and "ゾ" (0x83 0x5D) in a
    // "]" byte; both stay inside the names.
    std::string bytes = "[\x83\x5D\x83\x5C]\r\n\x83\x5C=\x95\x5C\r\n";
    auto doc = Document::Parse(bytes, Encoding::Legacy);
    EXPECT_EQ(doc.Get("ゾソ", "ソ"), "表");
    // Writing a value CP932 can hold keeps the file CP932.
    doc.Set("ゾソ", "曲", "ｶﾅ");
    EXPECT_FALSE(doc.utf8());
    EXPECT_EQ(doc.Serialize(), bytes + "\x8B\xC8=\xB6\xC5\r\n");
}

TEST(IniLegacy, ValueOutsideCp932TurnsTheFileIntoUtf8WithMark) {
    auto doc = Document::Parse("[T]\r\nA=\x83\x65\r\n", Encoding::Legacy);
    doc.Set("T", "B", "한");
    EXPECT_TRUE(doc.utf8());
    std::string out = doc.Serialize();
    EXPECT_EQ(out, "\xEF\xBB\xBF[T]\r\nA=テ\r\nB=한\r\n");
    auto back = Document::Parse(out, Encoding::Legacy);
    EXPECT_EQ(back.Get("T", "A"), "テ");
    EXPECT_EQ(back.Get("T", "B"), "한");
}

TEST(IniBadInput, NeverCrashesAndReadsWhatItCan) {
    std::string bytes = "[A]\nx=1\n";
    bytes += std::string("nul\0key=2\n", 10);
    bytes += "[Broken\nafter=3\n";  // missing "]": ignored, keys stay in [A]
    bytes += "y=" + std::string(10 << 20, 'v') + "\n";
    bytes += "[B]\nz=\x82\n";  // invalid CP932
    auto doc = Document::Parse(bytes, Encoding::Legacy);
    EXPECT_EQ(doc.Get("A", "x"), "1");
    EXPECT_EQ(doc.Get("A", "after"), "3");
    EXPECT_EQ(doc.Get("A", "y")->size(), 10u << 20);
    EXPECT_EQ(doc.Get("B", "z"), "\xEF\xBF\xBD");
    EXPECT_EQ(doc.Serialize(), bytes);  // unchanged documents keep their bytes
}

TEST(IniFile, ProfileCallsReadAndWriteFiles) {
    TempDir dir;
    std::string path = dir.File("t.ini");
    EXPECT_EQ(GetProfileString(path, "A", "k", "none", Encoding::Legacy), "none");
    EXPECT_FALSE(WriteProfileString(path, "A", "k", "v", Encoding::Legacy));
    EXPECT_FALSE(WriteProfileString(path, "A", "k2", "w", Encoding::Legacy));
    EXPECT_EQ(GetProfileString(path, "a", "K", "", Encoding::Legacy), "v");
    EXPECT_EQ(GetProfileKeys(path, "A", Encoding::Legacy), (std::vector<std::string>{"k", "k2"}));
    EXPECT_FALSE(WriteProfileString(path, "A", "k", std::nullopt, Encoding::Legacy));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nk2=w\r\n");
    EXPECT_FALSE(WriteProfileString(path, "A", std::nullopt, std::nullopt, Encoding::Legacy));
    EXPECT_EQ(ReadBytes(path), "");
}

TEST(IniFile, FailedWriteReportsAndLeavesTheOldFile) {
    TempDir dir;
    std::string folder = dir.File("ro/");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    std::string path = folder + "t.ini";
    WriteBytes(path, "[A]\nk=old\n");
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    // Root may write anywhere, so the write is tried as an ordinary user.
    bool failed = nuko::test::AsUnprivilegedUser(dir.path(), [&] {
        return static_cast<bool>(WriteProfileString(path, "A", "k", "new", Encoding::Utf8));
    });
    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadBytes(path), "[A]\nk=old\n");
}

TEST(IniFile, FailedWriteAsRootToo) {
    // A folder that is really a file fails for every user.
    TempDir dir;
    WriteBytes(dir.File("notafolder"), "x");
    std::error_code ec = WriteProfileString(dir.File("notafolder/t.ini"), "A", "k", "v", Encoding::Utf8);
    EXPECT_TRUE(ec);
    EXPECT_EQ(ReadBytes(dir.File("notafolder")), "x");
}

TEST(IniRead, OnePassReadsMatchTheDocument) {
    const std::string inputs[] = {
        "[A]\nk=1\nK=2\n[a]\nk=3\n[B]\nx = \"q\" \n",
        "\xEF\xBB\xBF[A]\r\nname=\xE5\x80\xA4\r\n",
        "[\x83\x5D]\n\x83\x41=v\n\x83\x61=w\n[A\nk=in damaged header\n[A]\nk=ok\n",
        "k=before\n[A]\n;comment\nno equals\n=empty key\nk2=\n",
    };
    for (const auto& bytes : inputs) {
        for (auto enc : {Encoding::Legacy, Encoding::Utf8}) {
            auto doc = Document::Parse(bytes, enc);
            for (const char* section : {"A", "a", "B", "ソ", "missing"}) {
                EXPECT_EQ(SectionEntries(bytes, section, enc), doc.Entries(section)) << bytes << " " << section;
                for (const char* key : {"k", "K", "x", "ア", "k2", "none"})
                    EXPECT_EQ(FindValue(bytes, section, key, enc), doc.Get(section, key)) << section << key;
            }
        }
    }
}

TEST(IniFile, AFileThatCannotBeReadIsNeverReplaced) {
    // The folder lets an ordinary user replace the file, but the file itself
    // is root's alone: a write that did not read it first would lose it.
    TempDir dir;
    const std::string kept = "[A]\nk=old\n[B]\nx=1\n";
    std::string path = nuko::test::WriteInOpenFolder(dir, "t.ini", kept, 0600);
    bool refused = nuko::test::AsUnprivilegedUser(dir.path(), [&] {
        return WriteProfileString(path, "A", "k", "new", Encoding::Utf8) &&
               WriteProfileString(path, "B", "x", std::nullopt, Encoding::Utf8) &&
               WriteProfileString(path, "B", std::nullopt, std::nullopt, Encoding::Utf8);
    });
    EXPECT_TRUE(refused);
    EXPECT_EQ(ReadBytes(path), kept);
}

TEST(IniFile, AFolderOrPipeInTheFilesPlaceStays) {
    TempDir dir;
    std::string folder = dir.File("folder.ini");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    WriteBytes(folder + "/inside", "x");
    EXPECT_TRUE(WriteProfileString(folder, "A", "k", "v", Encoding::Utf8));
    EXPECT_EQ(ReadBytes(folder + "/inside"), "x");

    // A pipe must neither block the read nor be replaced by a file.
    std::string pipe = dir.File("pipe.ini");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_TRUE(WriteProfileString(pipe, "A", "k", "v", Encoding::Utf8));
    struct stat st {};
    ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
