// The installed player: `cmake --install` into a prefix of the test's own,
// the menu entry, description and file types checked by the desktop's own
// validators, the corpus files given our types by the shared MIME database,
// and the installed player started from its launcher.
#include <QMimeDatabase>
#include <chrono>
#include <csignal>
#include <filesystem>

#include <gtest/gtest.h>

#include "media_fixtures.h"
#include "test_support.h"
#include "x_server.h"

using namespace nuko;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = new test::TempDir;
        std::string out;
        install_code_ = test::RunProgram({"cmake", "--install", NUKO_BINARY_DIR, "--prefix", prefix_->path()}, &out);
        install_log_ = new std::string(out);
    }
    static void TearDownTestSuite() {
        delete prefix_;
        delete install_log_;
    }
    void SetUp() override { ASSERT_EQ(install_code_, 0) << *install_log_; }

    static std::string At(const std::string& rel) { return prefix_->File(rel); }

    static test::TempDir* prefix_;
    static int install_code_;
    static std::string* install_log_;
};

test::TempDir* InstallTest::prefix_ = nullptr;
int InstallTest::install_code_ = -1;
std::string* InstallTest::install_log_ = nullptr;

}  // namespace

TEST_F(InstallTest, ProgramsLibrariesAndDesktopFilesGoWhereTheDesktopLooks) {
    for (const char* f : {"lib/nu-kop32/nu_kop32", "lib/nu-kop32/nu_32cvt", "lib/nu-kop32/nu_kotool",
                          "lib/nu-kop32/libnu_32std.so", "lib/nu-kop32/libnu_32cnv.so", "lib/nu-kop32/libnu_32mhk.so",
                          "lib/nu-kop32/librcpcv.so", "lib/nu-kop32/libnuko_cd.so",
                          "lib/nu-kop32/nuko_backend_fluidsynth.so", "lib/nu-kop32/nuko_backend_mpv.so",
                          "share/applications/jp.nuko.NuKop32.desktop", "share/metainfo/jp.nuko.NuKop32.metainfo.xml",
                          "share/mime/packages/nu-kop32.xml", "share/icons/hicolor/scalable/apps/nu-kop32.svg",
                          "share/icons/hicolor/16x16/apps/nu-kop32.png", "share/icons/hicolor/48x48/apps/nu-kop32.png",
                          "share/icons/hicolor/256x256/apps/nu-kop32.png", "share/nu-kop32/strings.tsv"})
        EXPECT_TRUE(fs::is_regular_file(At(f))) << f;
    for (const char* launcher : {"nu_kop32", "nu_32cvt", "nu_kotool"}) {
        const fs::path link = At(std::string("bin/") + launcher);
        ASSERT_TRUE(fs::is_symlink(link)) << launcher;
        EXPECT_TRUE(fs::read_symlink(link).is_relative());
        EXPECT_EQ(fs::canonical(link), fs::canonical(At(std::string("lib/nu-kop32/") + launcher)));
    }
}

TEST_F(InstallTest, TheDesktopsValidatorsAcceptTheMenuEntryAndTheDescription) {
    std::string out;
    EXPECT_EQ(test::RunProgram({"desktop-file-validate", At("share/applications/jp.nuko.NuKop32.desktop")}, &out), 0)
        << out;
    EXPECT_EQ(test::RunProgram({"appstreamcli", "validate", "--no-net", At("share/metainfo/jp.nuko.NuKop32.metainfo.xml")},
                               &out),
              0)
        << out;
}

TEST_F(InstallTest, TheMimeDatabaseGivesOurTypesToTheCorpusFiles) {
    NUKO_CORPUS_FILE(corpus, "");
    std::string out;
    ASSERT_EQ(test::RunProgram({"update-mime-database", At("share/mime")}, &out), 0) << out;
    test::TempDir home;
    // Only this prefix and the system's types: nothing of the user's.
    test::ScopedEnv dirs("XDG_DATA_DIRS", prefix_->path() + "share:/usr/share");
    test::ScopedEnv data("XDG_DATA_HOME", home.path());
    // Files without a known name are told by their first bytes.
    test::TempDir named;
    test::WriteBytes(named.File("list.mit"), "Ver 1.00\r\nSongs\r\n\r\n\x1a");
    test::WriteBytes(named.File("catalog"), "Ver 1.00\r\nSongs\r\n\r\n\x1a");
    test::WriteBytes(named.File("rcp-song"), test::ReadBytes(corpus + "rcp/sted2clone_recomposer-file_test.rcp"));
    test::WriteBytes(named.File("picture"), test::ReadBytes(corpus + "mag/vavi-image_test.mag"));
    const std::pair<std::string, const char*> cases[] = {
        {corpus + "rcp/sted2clone_recomposer-file_test.rcp", "audio/x-rcp"},
        {corpus + "wrd/yoshitan98_MidiToWRD_sample.wrd", "text/x-wrd"},
        {corpus + "mag/vavi-image_test.mag", "image/x-mag"},
        {corpus + "midi/tonejs_debussy_menuet.mid", "audio/midi"},
        {corpus + "lzh/STED_ALL.LZH", "application/x-lha"},
        {named.File("list.mit"), "application/x-nu-kop32-catalog"},
        {named.File("catalog"), "application/x-nu-kop32-catalog"},
        {named.File("rcp-song"), "audio/x-rcp"},
        {named.File("picture"), "image/x-mag"},
    };
    QMimeDatabase db;
    for (const auto& [file, type] : cases)
        EXPECT_EQ(db.mimeTypeForFile(QString::fromStdString(file)).name().toStdString(), type) << file;
}

TEST_F(InstallTest, TheInstalledPlayerStartsFromItsLauncherAndPlays) {
    NUKO_REQUIRE_TOOL(!test::FindProgram("xdotool").empty(), "no xdotool");
    test::XServer x;
    std::string why;
    NUKO_REQUIRE_TOOL(x.Start(&why, "1024x768x24"), why);
    test::TempDir root;
    for (const char* d : {"cfg/NU-KO Application", "data", "music"})
        ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-p", root.File(d)}, nullptr), 0);
    ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-m", "700", "-p", root.File("run")}, nullptr), 0);
    test::WriteBytes(root.File("cfg/NU-KO Application/NU-KO Player32.ini"), "[Main]\nMciCheck=0\nSplush=0\nPOffChk=0\n");
    test::SmfWriter w(480);
    w.Track().Note(0, 64, 480 * 60);
    test::WriteBytes(root.File("music/installed.mid"), w.Bytes());
    test::ProgramOptions o;
    o.env = {{"DISPLAY", x.display()},           {"QT_QPA_PLATFORM", "xcb"},
             {"XDG_CONFIG_HOME", root.File("cfg")},{"XDG_DATA_HOME", root.File("data")},
             {"XDG_RUNTIME_DIR", root.File("run")}, {"HOME", root.path()}};
    pid_t player = test::StartProgram({At("bin/nu_kop32"), root.File("music/installed.mid")}, o);
    ASSERT_GT(player, 0);
    auto caption = [&] {
        std::string ids;
        test::RunProgram({"xdotool", "search", "--onlyvisible", "--name", "NU-KO Player for WIN32$"}, &ids, o);
        std::string name;
        if (!ids.empty()) test::RunProgram({"xdotool", "getwindowname", ids.substr(0, ids.find('\n'))}, &name, o);
        return name;
    };
    EXPECT_TRUE(test::PollUntil([&] { return caption().rfind("installed - ", 0) == 0; }, 60s, 100ms)) << caption();
    ::kill(player, SIGTERM);
    EXPECT_EQ(test::WaitProgram(player, 60s).value_or(-2), 0);
}
