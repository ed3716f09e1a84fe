#include "nuko/run_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

#include "nuko/file_filters.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko::process;
using nuko::test::ScriptedPrompt;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

using Words = std::vector<std::string>;

bool WaitForFile(const std::string& path) {
    return nuko::test::PollUntil([&] { return ::access(path.c_str(), F_OK) == 0; }, std::chrono::seconds(60));
}

}  // namespace

TEST(SplitCommandLine, WordsAsAShellSplitsThem) {
    EXPECT_EQ(SplitCommandLine("notepad.exe  file.txt"), (Words{"notepad.exe", "file.txt"}));
    EXPECT_EQ(SplitCommandLine("\"/opt/My Player/run\" --x \"a b\""), (Words{"/opt/My Player/run", "--x", "a b"}));
    EXPECT_EQ(SplitCommandLine("'it''s' a\\ b"), (Words{"its", "a b"}));
    EXPECT_EQ(SplitCommandLine("\"q\\\"uote \\$HOME \\n\""), (Words{"q\"uote $HOME \\n"}));
    EXPECT_EQ(SplitCommandLine("'$HOME' `ls` ; rm -rf x"), (Words{"$HOME", "`ls`", ";", "rm", "-rf", "x"}));
    EXPECT_EQ(SplitCommandLine("x\"\"y ''"), (Words{"xy", ""}));
    EXPECT_EQ(SplitCommandLine("C:\\\\tools\\\\a.exe"), (Words{"C:\\tools\\a.exe"}));
    EXPECT_FALSE(SplitCommandLine("\"open"));
    EXPECT_FALSE(SplitCommandLine("'open"));
    EXPECT_FALSE(SplitCommandLine("  \t "));
}

TEST(RunProgram, StartsWithoutAShell) {
    TempDir dir;
    // Blanks, quotes and shell characters reach the program as they are.
    std::string target = dir.File("a b'$(c).txt");
    ScriptedPrompt prompt;
    nuko::ScopedPrompt scope(&prompt);
    EXPECT_TRUE(RunProgram(Words{"touch", target}, 168));
    EXPECT_TRUE(WaitForFile(target));
    std::string quoted = dir.File("q r.txt");
    EXPECT_TRUE(RunProgram("/usr/bin/touch '" + quoted + "'", 172));
    EXPECT_TRUE(WaitForFile(quoted));
    EXPECT_TRUE(prompt.asked().empty());
}

TEST(RunProgram, FailuresShowTheGivenMessage) {
    TempDir dir;
    WriteBytes(dir.File("plain.txt"), "not a program");
    WriteBytes(dir.File("garbage"), std::string("\x7f" "ELF\x01\x02junk", 10));
    ::chmod(dir.File("garbage").c_str(), 0755);
    ScriptedPrompt prompt;
    nuko::ScopedPrompt scope(&prompt);
    EXPECT_EQ(ClassifyStartError(StartProgram({dir.File("missing")})), StartFailure::FileNotFound);
    EXPECT_EQ(ClassifyStartError(StartProgram({dir.File("plain.txt/x")})), StartFailure::PathNotFound);
    EXPECT_EQ(ClassifyStartError(StartProgram({dir.File("garbage")})), StartFailure::BadFormat);
    bool denied = nuko::test::AsUnprivilegedUser(dir.path(), [&] {
        return ClassifyStartError(StartProgram({dir.File("plain.txt")})) == StartFailure::AccessDenied;
    });
    EXPECT_TRUE(denied);

    EXPECT_FALSE(RunProgram(Words{dir.File("missing")}, 168));
    EXPECT_FALSE(RunProgram("\"unclosed", 172));
    ASSERT_EQ(prompt.ids(), (std::vector<int>{168, 172}));
    EXPECT_EQ(prompt.asked()[0].caption, "実行ｺﾏﾝﾄﾞｴﾗｰ");
    EXPECT_EQ(prompt.asked()[0].icon, nuko::PromptIcon::Information);
    EXPECT_TRUE(prompt.asked()[0].text.starts_with("CD情報ﾊﾞｯｸｱｯﾌﾟﾂｰﾙ(NU_32cvt.exe)"));
}

TEST(RunProgram, OtherFailuresShowTheSystemText) {
    ScriptedPrompt prompt;
    nuko::ScopedPrompt scope(&prompt);
    // An argument list longer than the system takes.
    EXPECT_FALSE(RunProgram(Words{"/bin/true", std::string(8u << 20, 'x')}, 168));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].string_id, 0);
    EXPECT_EQ(prompt.asked()[0].text, std::make_error_code(std::errc::argument_list_too_long).message());
}

TEST(FileFilters, TableFiltersBecomeNameFilters) {
    using nuko::NameFilters;
    EXPECT_EQ(NameFilters("CD ﾌｧｲﾙ (*.txt)|*.txt|"), (Words{"CD ﾌｧｲﾙ (*.txt) (*.txt)"}));
    EXPECT_EQ(NameFilters("全てのﾌｧｲﾙ (*.*)|*.*|NU_KOP.INI|nu_kop.ini||"),
              (Words{"全てのﾌｧｲﾙ (*.*) (*)", "NU_KOP.INI (nu_kop.ini)"}));
    EXPECT_EQ(NameFilters("Data|*.txt;bca.dat; *.csv|"), (Words{"Data (*.txt bca.dat *.csv)"}));
    EXPECT_TRUE(NameFilters("").empty());
    EXPECT_EQ(nuko::JoinedNameFilters("A|*.a|B|*.b;*.c|"), "A (*.a);;B (*.b *.c)");
}
