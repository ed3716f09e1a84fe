// The real nu_kop32 on an X server of the test's own: it plays a folder, a
// second start hands its file over and ends, and the settings at exit hold
// the window and the list.
#include <chrono>
#include <csignal>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "media_fixtures.h"
#include "app/settings_store.h"
#include "test_support.h"
#include "x_server.h"

using namespace nuko;
using namespace std::chrono_literals;

namespace {

class Environment {
public:
    Environment(const std::string& display, const std::string& root) {
        options_.env = {{"DISPLAY", display},
                        {"QT_QPA_PLATFORM", "xcb"},
                        {"XDG_CONFIG_HOME", root + "cfg"},
                        {"XDG_DATA_HOME", root + "data"},
                        {"XDG_RUNTIME_DIR", root + "run"},
                        {"HOME", root}};
    }
    // Starts a program with these variables; its pid.
    pid_t Spawn(const std::vector<std::string>& argv) const { return test::StartProgram(argv, options_); }
    // Runs a program to its end and returns its standard output.
    std::string Output(const std::vector<std::string>& argv) const {
        std::string out;
        test::RunProgram(argv, &out, options_);
        return out;
    }

private:
    test::ProgramOptions options_;
};

// The caption of the player's main window (the visible window whose
// caption ends in the program's title), or empty.
std::string Caption(const Environment& env) {
    std::string ids = env.Output({"xdotool", "search", "--onlyvisible", "--name", "NU-KO Player for WIN32$"});
    std::size_t pos = 0;
    while (pos < ids.size()) {
        std::size_t end = ids.find('\n', pos);
        if (end == std::string::npos) end = ids.size();
        std::string name = env.Output({"xdotool", "getwindowname", ids.substr(pos, end - pos)});
        while (!name.empty() && name.back() == '\n') name.pop_back();
        if (!name.empty()) return name;
        pos = end + 1;
    }
    return {};
}

// The exit code; -2 when the program did not end in time (it is killed).
int WaitExit(pid_t pid, std::chrono::milliseconds limit) { return test::WaitProgram(pid, limit).value_or(-2); }

std::string Song(double seconds) {
    test::SmfWriter w(480);
    w.Track().Note(0, 64, static_cast<std::uint32_t>(seconds * 2 * 480));
    return w.Bytes();
}

}  // namespace

TEST(PlayerEndToEnd, PlaysAFolderTakesOverASecondStartAndKeepsItsSettings) {
    if (test::FindProgram("xdotool").empty()) GTEST_SKIP() << "no xdotool";
    test::XServer x;
    std::string why;
    if (!x.Start(&why, "1024x768x24")) GTEST_SKIP() << why;
    test::TempDir root;
    Environment env(x.display(), root.path());
    for (const char* d : {"cfg/NU-KO Application", "data", "music", "other"})
        ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-p", root.File(d)}, nullptr), 0);
    ::chmod(root.File("run").c_str(), 0700);
    ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-m", "700", "-p", root.File("run")}, nullptr), 0);
    test::WriteBytes(root.File("cfg/NU-KO Application/NU-KO Player32.ini"),
                     "[Main]\nMciCheck=0\nSplush=0\nPOffChk=0\n");
    for (const char* n : {"first.mid", "second.mid", "third.mid"}) test::WriteBytes(root.File("music/") + n, Song(30));
    test::WriteBytes(root.File("other/another.mid"), Song(30));

    const std::string player = test::ProgramDir() + "nu_kop32";
    pid_t first = env.Spawn({player, root.File("music")});
    ASSERT_TRUE(test::PollUntil(
        [&] { return Caption(env).find(" - NU-KO Player for WIN32") != std::string::npos; }, 60s, 100ms))
        << "the first copy shows no playing item; caption \"" << Caption(env) << "\"";

    pid_t second = env.Spawn({player, root.File("other/another.mid")});
    EXPECT_EQ(WaitExit(second, 60s), 0);
    EXPECT_TRUE(test::PollUntil([&] { return Caption(env).rfind("another - ", 0) == 0; }, 60s, 100ms))
        << "caption \"" << Caption(env) << "\"";

    ::kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first, 60s), 0);
    settings::SettingsStore store(root.File("cfg/NU-KO Application/NU-KO Player32.ini"));
    settings::Settings s = store.ReadAll();
    EXPECT_TRUE(s.main.position.set);
    EXPECT_EQ(s.main.media, 0);
    EXPECT_EQ(s.kinds[0].path, root.File("other/"));
}
