#include "core/startup.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "test_support.h"

using namespace nuko::app;
using nuko::settings::MainSection;
using nuko::settings::ToolSection;

TEST(Startup, WorkFolderFallsBackToTheDefault) {
    nuko::test::TempDir dir;
    nuko::test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
    ToolSection tool;
    tool.user_tmp = 1;  // on, but no folder given
    EXPECT_EQ(ChooseWorkFolder(tool), dir.path() + "nu-kop32/");
    struct stat st {};
    ASSERT_EQ(::stat((dir.path() + "nu-kop32").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    tool.tmp_dir = dir.path() + "mine";
    EXPECT_EQ(ChooseWorkFolder(tool), dir.path() + "mine/");
    nuko::test::WriteBytes(dir.File("file"), "x");
    tool.tmp_dir = dir.File("file");  // not a folder: the default again
    std::error_code ec;
    EXPECT_EQ(ChooseWorkFolder(tool, &ec), dir.path() + "nu-kop32/");
    EXPECT_TRUE(ec);
}

TEST(Startup, FirstShowCommand) {
    MainSection m;
    EXPECT_EQ(FirstShowCommand(m, ShowCommand::Normal), ShowCommand::Show);  // Main/Show 5
    m.show = 3;
    EXPECT_EQ(FirstShowCommand(m, ShowCommand::Normal), ShowCommand::Maximized);
    m.size = 0;
    EXPECT_EQ(FirstShowCommand(m, ShowCommand::Normal), ShowCommand::Restore);
    EXPECT_EQ(FirstShowCommand(m, ShowCommand::Maximized), ShowCommand::Restore);
    m.icon = 1;
    EXPECT_EQ(FirstShowCommand(m, ShowCommand::Normal), ShowCommand::Minimized);
    m.tray_icon = 1;
    m.tray_start = 1;
    EXPECT_EQ(FirstShowCommand(m, ShowCommand::Normal), ShowCommand::Hide);
    EXPECT_EQ(ShowCommandAfterCdSelection(m), ShowCommand::Hide);
    m.tray_icon = 0;
    EXPECT_EQ(ShowCommandAfterCdSelection(m), ShowCommand::Minimized);
}
