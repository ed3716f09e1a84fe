#include "cdconvert/cd_convert.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <chrono>

#include <gtest/gtest.h>

#include "cdconvert/cd_convert_dialog.h"
#include "cd/cd_title_db.h"
#include "nuko/files.h"
#include "nuko/text.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "settings/settings_store.h"
#include "test_support.h"

using namespace nuko::cdconvert;
using nuko::settings::SettingsStore;
using nuko::test::ReadBytes;
using nuko::test::ScriptedPrompt;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(CdConvert, CommandLineAndFileName) {
    EXPECT_TRUE(HasSaveFlag({"/save"}));
    EXPECT_TRUE(HasSaveFlag({"/SAVE"}));
    EXPECT_TRUE(HasSaveFlag({"x", " /Save "}));
    EXPECT_FALSE(HasSaveFlag({}));
    EXPECT_FALSE(HasSaveFlag({"/saved", "save"}));
    EXPECT_EQ(CleanFileName("  \"/home/u/cd backup.ini\" \t"), "/home/u/cd backup.ini");
    EXPECT_EQ(CleanFileName("\"\""), "\"\"");
    EXPECT_EQ(CleanFileName("\"a\""), "a");
    EXPECT_EQ(CleanFileName(" \"half"), "\"half");

    TempDir dir;
    WriteBytes(dir.File("b.ini"), "");
    EXPECT_FALSE(StartEnabled(Mode::Backup, "  "));
    EXPECT_TRUE(StartEnabled(Mode::Backup, dir.File("new.ini")));
    EXPECT_FALSE(StartEnabled(Mode::Restore, dir.File("new.ini")));
    EXPECT_TRUE(StartEnabled(Mode::Restore, "\"" + dir.File("b.ini") + "\""));
    EXPECT_FALSE(StartEnabled(Mode::Restore, dir.path()));
}

TEST(CdConvert, BackupThenRestoreIntoAnEmptyStore) {
    TempDir dir;
    SettingsStore store(dir.File("player.ini"));
    std::vector<std::pair<std::string, std::string>> index;
    for (int i = 0; i < 3000; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "%03d%06d0412", i % 100, i);
        index.emplace_back(id, nuko::cd::RegistrationValue("歌手 " + std::to_string(i), "盤", "/cd/nu_kopcd.txt"));
    }
    index.emplace_back("0010000000000", nuko::cd::RegistrationValue("", "", "/cd/blank start.txt"));
    index.emplace_back("0020000000000", "\"quoted\"");
    std::vector<std::pair<std::string, std::string>> stored;
    for (const auto& [k, v] : index) stored.emplace_back(k, nuko::cd::StoredRegistrationValue(v));
    ASSERT_FALSE(store.WriteKeys("Cd\\File", stored));

    std::string backup = dir.File("backup.ini");
    WriteBytes(backup, "[Other]\r\nKeep=1\r\n");
    std::size_t count = 0;
    ASSERT_FALSE(Backup(store, backup, &count));
    EXPECT_EQ(count, index.size());
    std::string bytes = ReadBytes(backup);
    EXPECT_TRUE(bytes.starts_with("[Other]\r\nKeep=1\r\n[CD_FILE]\r\n"));
    std::string line = "\r\n0000000000412=" + nuko::cd::RegistrationValue("歌手 0", "盤", "/cd/nu_kopcd.txt") + "\r\n";
    EXPECT_NE(bytes.find(*nuko::text::Utf8ToCp932(line)), std::string::npos);
    // A value that begins with a blank is kept whole in quotes.
    EXPECT_NE(bytes.find("\r\n0010000000000=\"        :......... -> /cd/blank start.txt\"\r\n"), std::string::npos);

    SettingsStore empty(dir.File("fresh/player.ini"));
    ASSERT_FALSE(Restore(backup, empty, &count));
    EXPECT_EQ(count, index.size());
    auto restored = empty.ReadSection("Cd\\File");
    EXPECT_EQ(restored, index);
}

TEST(CdConvert, RestoreWithoutTheSectionChangesNothing) {
    TempDir dir;
    SettingsStore store(dir.File("player.ini"));
    ASSERT_FALSE(store.WriteKey("Cd\\File", "0125234180412", "x -> /a"));
    std::string before = ReadBytes(store.path());
    WriteBytes(dir.File("nu_kop.ini"), "[Main]\r\nA=1\r\n");
    std::size_t count = 9;
    EXPECT_FALSE(Restore(dir.File("nu_kop.ini"), store, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ReadBytes(store.path()), before);
    // An empty index writes no file.
    SettingsStore none(dir.File("none.ini"));
    EXPECT_FALSE(Backup(none, dir.File("out.ini")));
    EXPECT_FALSE(nuko::files::IsFileFound(dir.File("out.ini"), true));
}

TEST(CdConvert, FailedBackupIsReported) {
    TempDir dir;
    SettingsStore store(dir.File("player.ini"));
    ASSERT_FALSE(store.WriteKey("Cd\\File", "0125234180412", "x -> /a"));
    EXPECT_TRUE(Backup(store, dir.path(), nullptr));  // a folder
    SettingsStore own(dir.File("own.ini"));
    EXPECT_TRUE(Convert(Mode::Backup, dir.path(), store, own));
}

namespace {

struct DialogFixture {
    TempDir dir;
    SettingsStore store{dir.File("player.ini")};
    SettingsStore own{dir.File("NU-KOP32 CDConvert.ini")};
    ScriptedPrompt prompt;
    nuko::ScopedPrompt scope{&prompt};

    DialogFixture() { nuko::test::QtApp(); }
    template <typename T>
    static T* Find(QWidget* d, const char* name) {
        return nuko::test::Child<T>(d, name);
    }
};

}  // namespace

TEST(CdConvertDialog, BackupFromTheSaveFlagAndRememberedName) {
    DialogFixture f;
    ASSERT_FALSE(f.store.WriteKey("Cd\\File", "0125234180412", "ABCDEFGH:XYZ...... -> /a.txt"));
    std::string target = f.dir.File("backup.ini");
    ASSERT_FALSE(RememberFileName(f.own, "\"" + target + "\""));
    CdConvertDialog d(f.store, f.own, true);
    d.show();
    EXPECT_EQ(d.windowTitle(), "NU_KOP32   CDﾃﾞｰﾀ ｺﾝﾊﾞｰﾀ");
    EXPECT_EQ(d.mode(), Mode::Backup);
    auto* start = DialogFixture::Find<QPushButton>(&d, "start");
    EXPECT_TRUE(start->isEnabled());
    start->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    ASSERT_EQ(f.prompt.ids(), std::vector<int>{102});
    EXPECT_EQ(f.prompt.asked()[0].text, "コンバート、終了しました.");
    EXPECT_EQ(f.prompt.asked()[0].caption, "NU-KOP32 CDﾃﾞｰﾀｺﾝﾊﾞｰﾀｰ   Ver1.01");
    EXPECT_EQ(ReadBytes(target), "[CD_FILE]\r\n0125234180412=ABCDEFGH:XYZ...... -> /a.txt\r\n");
    EXPECT_EQ(RememberedFileName(f.own), target);
}

TEST(CdConvertDialog, RestoreNeedsAnExistingFile) {
    DialogFixture f;
    CdConvertDialog d(f.store, f.own, false);
    EXPECT_EQ(d.mode(), Mode::Restore);
    auto* start = DialogFixture::Find<QPushButton>(&d, "start");
    auto* file = DialogFixture::Find<QLineEdit>(&d, "1001");
    EXPECT_FALSE(start->isEnabled());
    file->setText(QString::fromStdString(f.dir.File("missing.ini")));
    EXPECT_FALSE(start->isEnabled());
    DialogFixture::Find<QRadioButton>(&d, "1002")->setChecked(true);
    EXPECT_TRUE(start->isEnabled());
    DialogFixture::Find<QRadioButton>(&d, "1003")->setChecked(true);
    WriteBytes(f.dir.File("b.ini"), "[CD_FILE]\r\n0125234180412=restored\r\n");
    d.SetBrowser([&](Mode m, const std::string&) {
        EXPECT_EQ(m, Mode::Restore);
        return f.dir.File("b.ini");
    });
    DialogFixture::Find<QPushButton>(&d, "1000")->click();
    EXPECT_TRUE(start->isEnabled());
    start->click();
    EXPECT_EQ(f.store.ReadKey("Cd\\File", "0125234180412"), "restored");
}

TEST(NuKo32Cvt, SecondStartHandsOverAndEnds) {
    using namespace std::chrono_literals;
    TempDir dir;
    std::string program = nuko::test::ProgramDir() + "nu_32cvt";
    nuko::test::ProgramOptions o;
    o.env = {{"XDG_RUNTIME_DIR", dir.path()}, {"XDG_CONFIG_HOME", dir.File("cfg")}};

    pid_t first = nuko::test::StartProgram({program}, o);
    ASSERT_GT(first, 0);
    std::string socket = dir.File("nu-kop32/instance/nu_32cvt.socket");
    EXPECT_TRUE(nuko::test::PollUntil([&] { return ::access(socket.c_str(), F_OK) == 0; }, 60s, 25ms));

    pid_t second = nuko::test::StartProgram({program, "/SAVE"}, o);
    ASSERT_GT(second, 0);
    EXPECT_EQ(nuko::test::WaitProgram(second, 60s), 0) << "the second copy did not end by itself";
    // The first copy still runs.
    int status = 0;
    EXPECT_EQ(::waitpid(first, &status, WNOHANG), 0);
    nuko::test::StopProgram(first, SIGTERM);
}
