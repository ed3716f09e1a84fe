// The real nu_kop32 on an X server of the test's own: it plays a folder, a
// second start hands its file over and ends, and the settings at exit hold
// the window and the list.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "library/archive_file.h"
#include "lzh_writer.h"
#include "media_fixtures.h"
#include "settings/settings_store.h"
#include "nuko/files.h"
#include "test_support.h"
#include "session_bus.h"
#include "x_server.h"
#include "x_windows.h"

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
    void Add(const std::string& name, const std::string& value) { options_.env.emplace_back(name, value); }
    // Starts a program with these variables; its pid.
    pid_t Spawn(const std::vector<std::string>& argv) const { return test::StartProgram(argv, options_); }
    // The same, its standard output and error going to `log`.
    pid_t Spawn(const std::vector<std::string>& argv, const std::string& log) const {
        test::ProgramOptions o = options_;
        o.output_file = log;
        return test::StartProgram(argv, o);
    }
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

// The first visible window whose name matches, or empty.
std::string FindWindow(const Environment& env, const std::string& name) {
    std::string ids = env.Output({"xdotool", "search", "--onlyvisible", "--name", name});
    return ids.substr(0, ids.find('\n'));
}

// Points of a colour in a rectangle of a shot.
int Count(const test::WindowShot& shot, int x0, int y0, int x1, int y1, std::uint32_t rgb) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(y1, shot.height); ++y)
        for (int x = std::max(0, x0); x < std::min(x1, shot.width); ++x) n += shot.At(x, y) == rgb;
    return n;
}

std::string Song(double seconds) {
    test::SmfWriter w(480);
    w.Track().Note(0, 64, static_cast<std::uint32_t>(seconds * 2 * 480));
    return w.Bytes();
}

}  // namespace

TEST(PlayerEndToEnd, PlaysAFolderTakesOverASecondStartAndKeepsItsSettings) {
    NUKO_REQUIRE_TOOL(!test::FindProgram("xdotool").empty(), "no xdotool");
    test::XServer x;
    std::string why;
    NUKO_REQUIRE_TOOL(x.Start(&why, "1024x768x24"), why);
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

TEST(PlayerEndToEnd, TheMidiWordWindowShowsTheLyricsOfTheCorpusSongAndGoesFullScreenAndBack) {
    NUKO_CORPUS_FILE(corpus, "wrd/yoshitan98_MidiToWRD_sample");
    NUKO_REQUIRE_TOOL(!test::FindProgram("xdotool").empty(), "no xdotool");
    test::XServer x;
    std::string why;
    NUKO_REQUIRE_TOOL(x.Start(&why, "1400x900x24"), why);
    test::WindowManager wm;
    NUKO_REQUIRE_TOOL(wm.Start(x.display(), &why), why);
    test::TempDir root;
    Environment env(x.display(), root.path());
    for (const char* d : {"cfg/NU-KO Application", "data", "music"})
        ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-p", root.File(d)}, nullptr), 0);
    ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-m", "700", "-p", root.File("run")}, nullptr), 0);
    const std::string ini = root.File("cfg/NU-KO Application/NU-KO Player32.ini");
    test::WriteBytes(ini, "[Main]\nMciCheck=0\nSplush=0\nPOffChk=0\n[Word]\nPosition=100,120\n");
    test::WriteBytes(root.File("music/sample.mid"), test::ReadBytes(corpus + ".mid"));
    test::WriteBytes(root.File("music/sample.wrd"), test::ReadBytes(corpus + ".wrd"));

    pid_t player = env.Spawn({test::ProgramDir() + "nu_kop32", root.File("music/sample.mid")});
    ASSERT_TRUE(test::PollUntil([&] { return Caption(env).find(" - NU-KO Player for WIN32") != std::string::npos; }, 60s, 100ms))
        << "caption \"" << Caption(env) << "\"";
    // The window comes with the song, and the first lyrics with its first
    // bars: white characters on black in the first row (@LOCATE(1;1)).
    std::string window;
    ASSERT_TRUE(test::PollUntil([&] { return !(window = FindWindow(env, "^MIDI-Word$")).empty(); }, 5s, 50ms));
    std::optional<test::WindowShot> shot;
    EXPECT_TRUE(test::PollUntil(
        [&] {
            shot = test::GrabWindow(x.display(), std::stoul(window));
            return shot && Count(*shot, 0, 0, 80, 16, 0xFFFFFF) > 20;
        },
        5s, 50ms));
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->width, 640);
    EXPECT_EQ(shot->height, 400);
    EXPECT_EQ(Count(*shot, 0, 200, 640, 400, 0x000000), 640 * 200);
    auto place = test::PlaceOf(x.display(), std::stoul(window));
    ASSERT_TRUE(place);
    EXPECT_EQ(place->x, 100);
    EXPECT_EQ(place->y, 120);

    // A double click: the whole screen, the picture twice as large and
    // centred; another one: back where it was.
    auto double_click = [&] {
        return env.Output({"xdotool", "mousemove", "--window", window, "300", "300", "click", "--repeat", "2",
                           "--delay", "60", "1"});
    };
    double_click();
    EXPECT_TRUE(test::PollUntil(
        [&] {
            place = test::PlaceOf(x.display(), std::stoul(window));
            return place && place->width == 1400 && place->height == 900;
        },
        5s, 50ms));
    EXPECT_TRUE(test::PollUntil(
        [&] {
            shot = test::GrabWindow(x.display(), std::stoul(window));
            // Picture at (60, 50), 1280 x 800: the first row's characters
            // in y 50-81, black around it.
            return shot && shot->width == 1400 && Count(*shot, 60, 50, 220, 82, 0xFFFFFF) > 80 &&
                   Count(*shot, 0, 0, 1400, 50, 0x000000) == 1400 * 50;
        },
        5s, 50ms));
    double_click();
    EXPECT_TRUE(test::PollUntil(
        [&] {
            place = test::PlaceOf(x.display(), std::stoul(window));
            return place && place->width == 640 && place->x == 100 && place->y == 120;
        },
        5s, 50ms))
        << (place ? std::to_string(place->x) + "," + std::to_string(place->y) + " " + std::to_string(place->width)
                  : std::string("gone"));

    // The window manager's Close leaves it; the program's end does not wait
    // for it. The double click after it is handled after it: once the
    // window is full screen, the Close was handled too.
    ASSERT_TRUE(test::AskToClose(x.display(), std::stoul(window)));
    double_click();
    EXPECT_TRUE(test::PollUntil(
        [&] {
            place = test::PlaceOf(x.display(), std::stoul(window));
            return place && place->width == 1400;
        },
        5s, 50ms));
    EXPECT_EQ(FindWindow(env, "^MIDI-Word$"), window);

    ::kill(player, SIGTERM);
    EXPECT_EQ(WaitExit(player, 60s), 0);
    settings::SettingsStore store(ini);
    EXPECT_EQ(store.ReadAll().word.position.v, (std::array<int, 2>{100, 120}));
}

namespace {

// The visible windows of the player.
std::vector<std::string> PlayerWindows(const Environment& env) {
    std::vector<std::string> ids;
    std::string out = env.Output({"xdotool", "search", "--onlyvisible", "--classname", "nu_kop32"});
    for (std::size_t pos = 0; pos < out.size();) {
        std::size_t end = out.find('\n', pos);
        if (end == std::string::npos) end = out.size();
        if (end > pos) ids.push_back(out.substr(pos, end - pos));
        pos = end + 1;
    }
    return ids;
}

// The movie frame, captioned with the movie's file name; empty when none
// is shown.
std::string MovieFrame(const Environment& env, const std::string& name) {
    return FindWindow(env, "^" + name + "$");
}

struct Player {
    test::XServer x;
    test::WindowManager wm;
    test::TempDir root;
    std::unique_ptr<Environment> env;
    pid_t pid = -1;
    // Puts the media in place once the folders exist.
    std::function<void()> root_ready;
    // More variables for the player (a session bus).
    std::vector<std::pair<std::string, std::string>> extra_env;

    // False (the test is skipped) when no X server or window manager runs.
    bool Start(const std::string& screen, const std::string& ini, const std::string& path, std::string* why) {
        if (test::FindProgram("xdotool").empty()) return *why = "no xdotool", false;
        if (!x.Start(why, screen) || !wm.Start(x.display(), why)) return false;
        env = std::make_unique<Environment>(x.display(), root.path());
        for (const auto& [name, value] : extra_env) env->Add(name, value);
        for (const char* d : {"cfg/NU-KO Application", "data", "media"})
            test::RunProgram({"/bin/mkdir", "-p", root.File(d)}, nullptr);
        test::RunProgram({"/bin/mkdir", "-m", "700", "-p", root.File("run")}, nullptr);
        test::WriteBytes(root.File("cfg/NU-KO Application/NU-KO Player32.ini"),
                         "[Main]\nMciCheck=0\nSplush=0\nPOffChk=0\n" + ini);
        if (root_ready) root_ready();
        std::vector<std::string> argv = {test::ProgramDir() + "nu_kop32"};
        if (!path.empty()) argv.push_back(path);
        pid = env->Spawn(argv, root.File("player.log"));
        return true;
    }
    // What the player wrote to its standard output and error.
    std::string Log() const { return test::ReadBytes(root.File("player.log")); }
    ~Player() {
        if (pid <= 0) return;
        ::kill(pid, SIGTERM);
        WaitExit(pid, 60s);
    }
};

}  // namespace

TEST(PlayerEndToEnd, AReturningUsersWindowComesAtItsPlaceAndAnEndAsSoonAsItShowsKeepsItsSettings) {
    Player p;
    std::string why;
    // The place from the last run: the window shows there before its
    // panels are made.
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", "Position=100,120,600,640\n", "", &why), why);
    std::string window;
    ASSERT_TRUE(test::PollUntil(
        [&] {
            window = FindWindow(*p.env, "^NU-KO Player for WIN32$");
            return !window.empty();
        },
        60s, 5ms))
        << p.Log();
    // Ended at once, perhaps while its panels are still being made: the
    // end waits for the start and takes the usual steps.
    ::kill(p.pid, SIGTERM);
    EXPECT_EQ(WaitExit(p.pid, 60s), 0) << p.Log();
    p.pid = -1;
    settings::Settings s = settings::SettingsStore(p.root.File("cfg/NU-KO Application/NU-KO Player32.ini")).ReadAll();
    EXPECT_TRUE(s.main.position.set);
    EXPECT_EQ(s.main.position.left, 100);
    EXPECT_EQ(s.main.position.top, 120);
    EXPECT_EQ(s.main.position.right, 600);
    EXPECT_EQ(s.main.position.bottom, 640);
    // The settings were written by the exit path, not left as they were.
    EXPECT_EQ(s.main.version, settings::kVersionText);

    // Started again and left to run, it has its panels where it was.
    Environment& env = *p.env;
    pid_t again = env.Spawn({test::ProgramDir() + "nu_kop32"}, p.root.File("again.log"));
    std::optional<test::WindowPlace> place;
    EXPECT_TRUE(test::PollUntil(
        [&] {
            window = FindWindow(env, "^NU-KO Player for WIN32$");
            place = window.empty() ? std::nullopt : test::PlaceOf(p.x.display(), std::stoul(window));
            return place && place->x == 100 && place->y == 120 && place->width == 500 && place->height == 520;
        },
        60s, 50ms))
        << (place ? std::to_string(place->x) + "," + std::to_string(place->y) + " " + std::to_string(place->width) + "x" +
                        std::to_string(place->height)
                  : std::string("no window"));
    ::kill(again, SIGTERM);
    EXPECT_EQ(WaitExit(again, 60s), 0);
}

TEST(PlayerEndToEnd, AMovieShowsItsPictureInTheMovieWindowAndKeepsPlayingWhenItLoops) {
    NUKO_CORPUS_FILE(corpus, "asf/wine_wmvcore_test.wmv");
    Player p;
    std::string why;
    const std::string movie = p.root.File("media/clip.wmv");
    p.root_ready = [&] { test::WriteBytes(movie, test::ReadBytes(corpus)); };
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", "", movie, &why), why);

    std::string frame;
    ASSERT_TRUE(test::PollUntil([&] { return !(frame = MovieFrame(*p.env, "clip.wmv")).empty(); }, 60s, 50ms));
    // The 64 x 48 picture is drawn: not all black.
    EXPECT_TRUE(test::PollUntil(
        [&] {
            const std::string f = MovieFrame(*p.env, "clip.wmv");
            auto shot = f.empty() ? std::nullopt : test::GrabWindow(p.x.display(), std::stoul(f));
            return shot && shot->width >= 64 && Count(*shot, 0, 0, shot->width, shot->height, 0x000000) < shot->width * shot->height / 2;
        },
        20s, 50ms));
    // The clip is two seconds long and the list loops: it plays again and
    // again, each pass in a window of its own, and the player stays.
    std::string again = frame;
    for (int pass = 2; pass <= 3; ++pass) {
        const std::string before = again;
        EXPECT_TRUE(test::PollUntil(
            [&] {
                again = MovieFrame(*p.env, "clip.wmv");
                return !again.empty() && again != before;
            },
            30s, 50ms))
            << "pass " << pass << " shows no window of its own; the player's windows: " << [&] {
                   std::string names;
                   for (const std::string& w : PlayerWindows(*p.env))
                       names += "[" + p.env->Output({"xdotool", "getwindowname", w}) + "]";
                   return names;
               }();
    }
    EXPECT_EQ(::waitpid(p.pid, nullptr, WNOHANG), 0) << "the player ended";
}

TEST(PlayerEndToEnd, TheMouseHookGivesTheMovieWindowThePlayersMenuAndDoubleClickMaximising) {
    Player p;
    std::string why;
    const std::string movie = p.root.File("media/long.avi");
    bool made = false;
    p.root_ready = [&] { made = test::MakeMovie(movie, 60, 10); };
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", "", movie, &why), why);
    NUKO_REQUIRE_TOOL(made, "no ffmpeg");
    std::string frame;
    ASSERT_TRUE(test::PollUntil([&] { return !(frame = MovieFrame(*p.env, "long.avi")).empty(); }, 60s, 50ms));
    ASSERT_TRUE(test::PollUntil(
        [&] {
            auto place = test::PlaceOf(p.x.display(), std::stoul(frame));
            return place && place->width == 160;
        },
        20s, 50ms));
    auto xdotool = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "xdotool");
        return p.env->Output(args);
    };
    auto count = [&] { return PlayerWindows(*p.env).size(); };

    // Elsewhere (another program's window) a right click opens nothing; on
    // the movie it opens the player's pop-up menu, which Esc closes. The
    // hook and the player take the clicks in order, so once the movie's
    // menu is there, a menu of the first click would have been mapped
    // before it: the log counts every window the player mapped meanwhile.
    const std::size_t before = count();
    test::ForeignWindow other(p.x.display());
    ASSERT_TRUE(other.ok());
    test::ScreenLog log(p.x.display());
    ASSERT_TRUE(log.ok());
    xdotool({"mousemove", "--window", std::to_string(other.id()), "20", "20", "click", "3"});
    xdotool({"mousemove", "--window", frame, "40", "40", "click", "3"});
    EXPECT_TRUE(test::PollUntil([&] { return count() == before + 1; }, 10s, 50ms)) << "no pop-up menu";
    EXPECT_EQ(log.MappedOfClass("nu_kop32"), 1) << "the desktop's right click opened a menu too";
    xdotool({"key", "Escape"});
    EXPECT_TRUE(test::PollUntil([&] { return count() == before; }, 10s, 50ms));

    // A double click maximises it, another one puts it back.
    auto double_click = [&] { xdotool({"mousemove", "--window", frame, "40", "40", "click", "--repeat", "2", "--delay", "80", "1"}); };
    double_click();
    EXPECT_TRUE(test::PollUntil(
        [&] {
            auto place = test::PlaceOf(p.x.display(), std::stoul(frame));
            return place && place->width > 900;
        },
        10s, 50ms));
    std::this_thread::sleep_for(600ms);  // not a third click of the same double click
    double_click();
    EXPECT_TRUE(test::PollUntil(
        [&] {
            auto place = test::PlaceOf(p.x.display(), std::stoul(frame));
            return place && place->width == 160;
        },
        10s, 50ms));
}

TEST(PlayerEndToEnd, PlaysASongStraightFromAnArchiveAndClearsItsWorkFolderAtExit) {
    NUKO_REQUIRE_TOOL(!test::FindProgram("xdotool").empty(), "no xdotool");
    NUKO_REQUIRE_TOOL(media::CArchiveFile::LibraryUsable(), "liblhasa.so.0 is not installed");
    test::XServer x;
    std::string why;
    NUKO_REQUIRE_TOOL(x.Start(&why, "1024x768x24"), why);
    test::TempDir root;
    Environment env(x.display(), root.path());
    for (const char* d : {"cfg/NU-KO Application", "data", "music"})
        ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-p", root.File(d)}, nullptr), 0);
    ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-m", "700", "-p", root.File("run")}, nullptr), 0);
    test::WriteBytes(root.File("cfg/NU-KO Application/NU-KO Player32.ini"),
                     "[Main]\nMciCheck=0\nSplush=0\nPOffChk=0\n");
    test::WriteBytes(root.File("music/Tune.lzh"),
                     test::LzhArchive({{"readme.txt", "r"}, {.name = "tune.mid", .data = Song(30), .lh5 = true}}));

    pid_t player = env.Spawn({test::ProgramDir() + "nu_kop32", root.File("music/Tune.lzh")});
    // The caption carries the member's title (its name, as the song has
    // none), not the archive's.
    EXPECT_TRUE(test::PollUntil([&] { return Caption(env).rfind("tune - ", 0) == 0; }, 60s, 100ms))
        << "caption \"" << Caption(env) << "\"";
    const std::string work = root.File("run/nu-kop32/");
    EXPECT_TRUE(nuko::files::IsFileFound(work + "tune.mid", true));
    ::kill(player, SIGTERM);
    EXPECT_EQ(WaitExit(player, 60s), 0);
    EXPECT_FALSE(nuko::files::IsFileFound(work + "tune.mid", true));
    EXPECT_FALSE(nuko::files::IsFileFound(work + "readme.txt", true));
}

TEST(PlayerEndToEnd, AHotKeyPlaysWhileAnotherProgramHasTheFocus) {
    Player p;
    std::string why;
    p.root_ready = [&] { test::WriteBytes(p.root.File("media/song.mid"), Song(30)); };
    // Play enabled as Ctrl+Shift+Enter; the list is the media folder.
    const std::string ini = "[Hotkey]\nPlay=849,1,13,3\n[Midi]\nPath=" + p.root.File("media/") + "\n";
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", ini, "", &why), why);
    ASSERT_TRUE(test::PollUntil([&] { return Caption(*p.env) == "NU-KO Player for WIN32"; }, 60s, 100ms))
        << Caption(*p.env);
    test::ForeignWindow other(p.x.display());
    ASSERT_TRUE(other.ok());
    ASSERT_EQ(std::stoul("0" + p.env->Output({"xdotool", "getwindowfocus"})), other.id());
    EXPECT_EQ(Caption(*p.env), "NU-KO Player for WIN32");  // nothing plays yet
    p.env->Output({"xdotool", "key", "ctrl+shift+Return"});
    EXPECT_TRUE(test::PollUntil([&] { return Caption(*p.env).find(" - NU-KO Player for WIN32") != std::string::npos; },
                                20s, 100ms))
        << Caption(*p.env);
}

TEST(PlayerEndToEnd, AHotKeyAnotherProgramHoldsIsReported) {
    Player p;
    std::string why;
    std::unique_ptr<test::ForeignWindow> holder;
    // Another program holds Ctrl+Shift+Enter before the player starts.
    p.root_ready = [&] { holder = std::make_unique<test::ForeignWindow>(p.x.display(), 0xFF0D /* Return */); };
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", "[Hotkey]\nPlay=849,1,13,3\nStop=851,1,32,3\n", "", &why), why);
    ASSERT_TRUE(holder && holder->ok());
    // The main window and the message that some hot keys could not be had
    // (string 220), which also goes to standard error.
    EXPECT_TRUE(test::PollUntil([&] { return PlayerWindows(*p.env).size() >= 2; }, 60s, 100ms));
    EXPECT_TRUE(test::PollUntil(
        [&] { return p.Log().find("nu_kop32: ﾎｯﾄｷｰの設定で一部登録できませんでした.\n") != std::string::npos; }, 20s,
        100ms))
        << p.Log();
    EXPECT_TRUE(test::PollUntil([&] { return !FindWindow(*p.env, "^NU-KOP32$").empty(); }, 20s, 100ms))
        << "no message box";
}

TEST(PlayerEndToEnd, TheMiniWindowFollowsAndStopsThePlayAndTheTrayKeepsTheClosedPlayer) {
    NUKO_REQUIRE_TOOL(!test::FindProgram("trayer").empty(), "no trayer");
    Player p;
    std::string why;
    p.root_ready = [&] {
        for (const char* n : {"first.mid", "second.mid"}) test::WriteBytes(p.root.File("media/") + n, Song(30));
    };
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", "Mini=1\nTrayIcon=1\n", p.root.File("media"), &why), why);
    auto start_tray = [&] {
        return p.env->Spawn({test::FindProgram("trayer"), "--edge", "bottom", "--align", "right", "--widthtype",
                             "pixel", "--width", "120", "--height", "24", "--SetDockType", "true"});
    };
    pid_t tray = start_tray();
    auto end_tray = [&] {
        ::kill(tray, SIGTERM);
        WaitExit(tray, 10s);
    };

    // The mini window shows the time of the song that plays.
    std::string mini;
    ASSERT_TRUE(test::PollUntil(
        [&] { return !(mini = FindWindow(*p.env, "^mini < 00:0[0-9]/00:30 >$")).empty(); }, 60s, 100ms))
        << "no mini window with the song's time";
    EXPECT_NE(Caption(*p.env).find(" - NU-KO Player for WIN32"), std::string::npos);

    // The tray holds our icon.
    unsigned long trayer = 0;
    EXPECT_TRUE(test::PollUntil(
        [&] {
            trayer = test::FindWindowOfClass(p.x.display(), "trayer");
            return trayer && test::HoldsWindowOfClass(p.x.display(), trayer, "nu_kop32");
        },
        20s, 100ms))
        << "the tray does not hold the icon";

    // "ﾛ", the fourth play button in the top left corner, stops the play.
    p.env->Output({"xdotool", "mousemove", "--window", mini, "100", "13", "click", "1"});
    EXPECT_TRUE(test::PollUntil([&] { return Caption(*p.env) == "NU-KO Player for WIN32"; }, 20s, 100ms))
        << Caption(*p.env);
    EXPECT_TRUE(test::PollUntil([&] { return !FindWindow(*p.env, "^--  mini \\(ﾘﾓｺﾝ\\)  --$").empty(); }, 10s, 100ms));

    // Closing the main window hides it; the program stays in the tray.
    const std::string main = FindWindow(*p.env, "^NU-KO Player for WIN32$");
    ASSERT_FALSE(main.empty());
    ASSERT_TRUE(test::AskToClose(p.x.display(), std::stoul(main)));
    EXPECT_TRUE(test::PollUntil([&] { return Caption(*p.env).empty(); }, 10s, 100ms)) << Caption(*p.env);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(::waitpid(p.pid, nullptr, WNOHANG), 0) << "the player ended";
    EXPECT_FALSE(FindWindow(*p.env, "mini").empty());

    // The tray goes and comes back (a desktop restarting its panel): the
    // icon comes back with it.
    end_tray();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(::waitpid(p.pid, nullptr, WNOHANG), 0) << "the player ended with the tray";
    tray = start_tray();
    EXPECT_TRUE(test::PollUntil(
        [&] {
            trayer = test::FindWindowOfClass(p.x.display(), "trayer");
            return trayer && test::HoldsWindowOfClass(p.x.display(), trayer, "nu_kop32");
        },
        20s, 100ms))
        << "the icon did not come back";
    end_tray();

    ::kill(p.pid, SIGTERM);
    EXPECT_EQ(WaitExit(p.pid, 60s), 0);
    p.pid = -1;
    settings::SettingsStore store(p.root.File("cfg/NU-KO Application/NU-KO Player32.ini"));
    const settings::Settings s = store.ReadAll();
    EXPECT_EQ(s.main.mini, 1);
    EXPECT_EQ(s.main.tray_icon, 1);
}

TEST(PlayerEndToEnd, TheFileMenuOpensTheCatalogEditorOnTheCatalogThatPlays) {
    Player p;
    std::string why;
    const std::string catalog = p.root.File("media/list.mit");
    p.root_ready = [&] {
        for (const char* n : {"a.mid", "b.mid"}) test::WriteBytes(p.root.File("media/") + n, Song(30));
        test::WriteBytes(catalog, "Ver 1.00\r\nList\r\n\r\na.mid\tA\r\nb.mid\tB\r\n\x1a");
    };
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", "", catalog, &why), why);
    const Environment& env = *p.env;
    ASSERT_TRUE(test::PollUntil(
        [&] { return Caption(env).find(" - NU-KO Player for WIN32") != std::string::npos; }, 60s, 100ms));
    const std::string frame = FindWindow(env, "NU-KO Player for WIN32$");
    ASSERT_FALSE(frame.empty());
    std::string editor;
    // "ﾌｧｲﾙ(&F)" then "MIDIｶﾀﾛｸﾞ編集(&M)...".
    ASSERT_TRUE(test::PollUntil(
        [&] {
            env.Output({"xdotool", "windowactivate", "--sync", frame});
            env.Output({"xdotool", "key", "--clearmodifiers", "alt+f"});
            std::this_thread::sleep_for(300ms);
            env.Output({"xdotool", "key", "m"});
            return test::PollUntil([&] { return !(editor = FindWindow(env, "list\\.mit >>$")).empty(); }, 3s, 100ms);
        },
        30s, 100ms))
        << "no catalog editor window; the player's windows: " << [&] {
               std::string names;
               for (const std::string& w : PlayerWindows(env)) names += "[" + env.Output({"xdotool", "getwindowname", w}) + "]";
               return names;
           }();
    EXPECT_EQ(env.Output({"xdotool", "getwindowname", editor}), "MIDI ｶﾀﾛｸﾞ編集<< " + catalog + " >>\n");

    // Nothing changed: it closes without a question.
    env.Output({"xdotool", "windowactivate", "--sync", editor});
    env.Output({"xdotool", "key", "Escape"});
    EXPECT_TRUE(test::PollUntil([&] { return FindWindow(env, "list\\.mit >>$").empty(); }, 10s, 100ms));
    ::kill(p.pid, SIGTERM);
    EXPECT_EQ(WaitExit(p.pid, 60s), 0);
    p.pid = -1;
    settings::SettingsStore store(p.root.File("cfg/NU-KO Application/NU-KO Player32.ini"));
    EXPECT_EQ(store.ReadKey("Catalog", "DispFileType"), "1");  // kept when the dialog closed
}

TEST(PlayerEndToEnd, ADiscImageOnTheCommandLineOpensTheCdKindAndPlaysItsTracks) {
    NUKO_CORPUS_FILE(nrg, "cd/images/p1.nrg");
    Player p;
    std::string why;
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", "", nrg, &why), why);
    // Both tracks play in turn (track 1 lasts two seconds, track 2 two
    // sectors), the caption naming each: track 2's lasts some 27 ms, so the
    // log records every caption the main window takes.
    EXPECT_TRUE(test::PollUntil([&] { return Caption(*p.env).rfind("Track 01 - ", 0) == 0; }, 60s, 50ms))
        << "caption \"" << Caption(*p.env) << "\"";
    const std::string main = FindWindow(*p.env, "^Track 01 - .*NU-KO Player for WIN32$");
    ASSERT_FALSE(main.empty());
    test::ScreenLog log(p.x.display(), std::stoul(main));
    ASSERT_TRUE(log.ok());
    auto captioned = [&](const std::string& prefix) {
        for (const std::string& name : log.Names())
            if (name.rfind(prefix, 0) == 0) return true;
        return false;
    };
    EXPECT_TRUE(test::PollUntil([&] { return captioned("Track 02 - "); }, 30s, 50ms)) << [&] {
        std::string names;
        for (const std::string& name : log.Names()) names += "[" + name + "]";
        return names;
    }();
    ::kill(p.pid, SIGTERM);
    EXPECT_EQ(WaitExit(p.pid, 60s), 0);
    p.pid = -1;
    // The CD kind and its image are kept for the next start.
    settings::Settings s = settings::SettingsStore(p.root.File("cfg/NU-KO Application/NU-KO Player32.ini")).ReadAll();
    EXPECT_EQ(s.main.media, 1);
    EXPECT_EQ(s.kinds[1].path, nrg);
}

namespace {

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

}  // namespace

TEST(PlayerEndToEnd, PlayerctlDrivesThePlayerOnTheSessionBus) {
    NUKO_CORPUS_FILE(corpus, "midi/");
    NUKO_REQUIRE_TOOL(!test::FindProgram("playerctl").empty(), "no playerctl");
    test::SessionBus bus;
    std::string why;
    NUKO_REQUIRE_TOOL(bus.Start(&why), why);
    Player p;
    p.extra_env = {{"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
    p.root_ready = [&] {
        test::WriteBytes(p.root.File("media/1.mid"), test::ReadBytes(corpus + "tonejs_debussy_menuet.mid"));
        test::WriteBytes(p.root.File("media/2.mid"), test::ReadBytes(corpus + "nfroidure_Yubatake_MainTheme.mid"));
    };
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", "", p.root.File("media"), &why), why);
    auto ctl = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"playerctl", "-p", "nu_kop32"});
        return Trimmed(p.env->Output(args));
    };

    ASSERT_TRUE(test::PollUntil([&] { return ctl({"status"}) == "Playing"; }, 60s, 200ms)) << ctl({"status"});
    // The title the controls show is the one of the caption.
    const std::string suffix = " - NU-KO Player for WIN32";
    std::string caption;
    ASSERT_TRUE(test::PollUntil([&] { return (caption = Caption(*p.env)).find(suffix) != std::string::npos; }, 20s,
                                100ms));
    const std::string first = ctl({"metadata", "title"});
    EXPECT_EQ(first, caption.substr(0, caption.find(suffix)));
    EXPECT_FALSE(first.empty());
    EXPECT_NE(ctl({"metadata", "xesam:url"}).find("file://" + p.root.File("media/")), std::string::npos);

    const double at = std::stod("0" + ctl({"position"}));
    EXPECT_TRUE(test::PollUntil([&] { return std::stod("0" + ctl({"position"})) > at + 0.5; }, 20s, 200ms))
        << "the position stays at " << at;

    ctl({"next"});
    std::string second;
    EXPECT_TRUE(test::PollUntil(
        [&] { return (second = ctl({"metadata", "title"})) != first && !second.empty() && ctl({"status"}) == "Playing"; },
        30s, 200ms))
        << "title \"" << second << "\"";
    EXPECT_TRUE(test::PollUntil([&] { return Caption(*p.env).rfind(second + suffix, 0) == 0; }, 20s, 100ms));

    ctl({"pause"});
    EXPECT_TRUE(test::PollUntil([&] { return ctl({"status"}) == "Paused"; }, 20s, 200ms));
    // Asked for a position from a stale track, the player stays where it is;
    // the call returns once the player has answered it.
    const double paused_at = std::stod("0" + ctl({"position"}));
    const std::string stale = "/jp/nuko/nu_kop32/track/0_99";
    EXPECT_EQ(test::RunProgram({"dbus-send", "--session", "--print-reply", "--type=method_call",
                                "--dest=org.mpris.MediaPlayer2.nu_kop32", "/org/mpris/MediaPlayer2",
                                "org.mpris.MediaPlayer2.Player.SetPosition", "objpath:" + stale, "int64:5000000"},
                               nullptr, {{{"DBUS_SESSION_BUS_ADDRESS", bus.address()}}, ""}),
              0);
    EXPECT_EQ(ctl({"status"}), "Paused");
    EXPECT_NEAR(std::stod("0" + ctl({"position"})), paused_at, 0.25);
    // The track that plays takes the same call.
    std::string track = ctl({"metadata", "mpris:trackid"});  // playerctl quotes an object path
    track.erase(std::remove(track.begin(), track.end(), '\''), track.end());
    ASSERT_FALSE(track.empty());
    EXPECT_EQ(test::RunProgram({"dbus-send", "--session", "--print-reply", "--type=method_call",
                                "--dest=org.mpris.MediaPlayer2.nu_kop32", "/org/mpris/MediaPlayer2",
                                "org.mpris.MediaPlayer2.Player.SetPosition", "objpath:" + track, "int64:5000000"},
                               nullptr, {{{"DBUS_SESSION_BUS_ADDRESS", bus.address()}}, ""}),
              0);
    EXPECT_TRUE(test::PollUntil([&] { return std::abs(std::stod("0" + ctl({"position"})) - 5.0) < 0.5; }, 20s, 200ms))
        << ctl({"position"});
}

TEST(PlayerEndToEnd, ASongWithoutAScriptShowsItsLyricsAndTheSungPartGrows) {
    Player p;
    std::string why;
    const std::string song = p.root.File("media/lyric.mid");
    p.root_ready = [&] {
        // Track name 恋の歌 in UTF-8 (E6 81 8B, E3 81 AE, E6 AD 8C); the
        // lyrics あいうえお (E3 81 82, 84, 86, 88, 8A), a syllable every
        // quarter note (500 ms), a CR, then the same again; one note of 30 s.
        test::SmfWriter w(480);
        auto& t = w.Track();
        t.Raw(0, "\xFF\x03\x09\xE6\x81\x8B\xE3\x81\xAE\xE6\xAD\x8C");
        for (int line = 0; line < 2; ++line)
            for (char c : std::string("\x82\x84\x86\x88\x8A")) {
                std::string lyric = std::string("\xE3\x81", 2) + c + (c == '\x8A' ? "\r" : "");
                t.Raw(line == 0 && c == '\x82' ? 0 : 480,
                      "\xFF\x05" + std::string(1, static_cast<char>(lyric.size())) + lyric);
            }
        t.Note(0, 64, 60 * 480);
        test::WriteBytes(song, w.Bytes());
    };
    NUKO_REQUIRE_TOOL(p.Start("1024x768x24", "[Word]\nPosition=50,60\n", song, &why), why);
    // The UTF-8 name is the caption's title.
    ASSERT_TRUE(test::PollUntil([&] { return Caption(*p.env).rfind("恋の歌 - ", 0) == 0; },
                                60s, 100ms))
        << "caption \"" << Caption(*p.env) << "\"";
    std::string window;
    ASSERT_TRUE(test::PollUntil([&] { return !(window = FindWindow(*p.env, "^MIDI-Word$")).empty(); }, 10s, 50ms));
    // The title in cyan at the top, the first line in white below; the sung
    // part yellow, growing while the song plays.
    auto shot = [&] { return test::GrabWindow(p.x.display(), std::stoul(window)); };
    std::optional<test::WindowShot> s;
    ASSERT_TRUE(test::PollUntil([&] { return (s = shot()) && Count(*s, 0, 16, 640, 32, 0x00FFFF) > 50; }, 10s, 50ms));
    int sung = 0;
    ASSERT_TRUE(test::PollUntil(
        [&] {
            s = shot();
            return s && (sung = Count(*s, 0, 144, 640, 176, 0xFFFF00)) > 0;
        },
        10s, 50ms));
    EXPECT_GT(Count(*s, 0, 144, 640, 176, 0xFFFFFF), 0);  // what is still to sing
    const int first = sung;
    EXPECT_TRUE(test::PollUntil(
        [&] {
            s = shot();
            return s && Count(*s, 0, 144, 640, 176, 0xFFFF00) > first;
        },
        10s, 50ms))
        << "the sung part stays at " << first << " points";
    // The next line waits below it, white.
    EXPECT_GT(Count(*s, 0, 256, 640, 288, 0xFFFFFF), 0);
}

namespace {

// Where a managed window stands in the stacking, 0 at the bottom; -1 when
// the window manager does not list it.
int StackIndex(const std::string& display, unsigned long window) {
    const std::vector<unsigned long> order = test::ClientStacking(display);
    auto it = std::find(order.begin(), order.end(), window);
    return it == order.end() ? -1 : static_cast<int>(it - order.begin());
}

bool Holds(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TEST(PlayerEndToEnd, TheMidiWordAndMovieWindowsArePopUpsOfTheMainWindow) {
    NUKO_CORPUS_FILE(corpus, "wrd/yoshitan98_MidiToWRD_sample");
    Player p;
    std::string why;
    const std::string movie = p.root.File("media/clip.avi");
    bool made = false;
    p.root_ready = [&] {
        test::WriteBytes(p.root.File("media/sample.mid"), test::ReadBytes(corpus + ".mid"));
        test::WriteBytes(p.root.File("media/sample.wrd"), test::ReadBytes(corpus + ".wrd"));
        made = test::MakeMovie(movie, 60, 10);
    };
    // No place is stored for the MIDI-Word window: a first start.
    NUKO_REQUIRE_TOOL(p.Start("1400x900x24", "", p.root.File("media/sample.mid"), &why), why);
    NUKO_REQUIRE_TOOL(made, "no ffmpeg");
    const std::string& display = p.x.display();
    auto xdotool = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "xdotool");
        return p.env->Output(args);
    };
    std::string word;
    ASSERT_TRUE(test::PollUntil([&] { return !(word = FindWindow(*p.env, "^MIDI-Word$")).empty(); }, 60s, 100ms));
    const std::string main = FindWindow(*p.env, "NU-KO Player for WIN32$");
    ASSERT_FALSE(main.empty());
    const unsigned long main_id = std::stoul(main), word_id = std::stoul(word);

    // What the window manager is told: owned by the main window, no entry
    // of its own in a task bar.
    EXPECT_EQ(test::TransientFor(display, word_id), main_id);
    EXPECT_TRUE(Holds(test::NetWmState(display, word_id), "_NET_WM_STATE_SKIP_TASKBAR"));
    EXPECT_EQ(test::TransientFor(display, main_id), 0u);
    // The first start puts it beside the main window: neither its caption
    // (the 30 rows above its client area) nor its panels are covered.
    auto m = test::PlaceOf(display, main_id), w = test::PlaceOf(display, word_id);
    ASSERT_TRUE(m && w);
    const bool apart = w->x >= m->x + m->width || w->x + w->width <= m->x || w->y >= m->y + m->height ||
                       w->y + w->height <= m->y - 30;
    EXPECT_TRUE(apart) << "main " << m->x << "," << m->y << " " << m->width << "x" << m->height << "; MIDI-Word "
                       << w->x << "," << w->y;

    // Activating the main window leaves the pop-up above it.
    auto above = [&](unsigned long popup) {
        const int own = StackIndex(display, popup), owner = StackIndex(display, main_id);
        return own >= 0 && owner >= 0 && own > owner;
    };
    xdotool({"windowactivate", "--sync", main});
    EXPECT_TRUE(test::PollUntil([&] { return above(word_id); }, 10s, 50ms));
    // Minimised, the main window takes it along; restored, brings it back.
    xdotool({"windowminimize", "--sync", main});
    EXPECT_TRUE(test::PollUntil([&] { return !test::Viewable(display, word_id); }, 10s, 50ms));
    xdotool({"windowactivate", "--sync", main});
    EXPECT_TRUE(test::PollUntil([&] { return test::Viewable(display, word_id) && above(word_id); }, 10s, 50ms));

    // A movie in turn, handed over by a second start.
    pid_t second = p.env->Spawn({test::ProgramDir() + "nu_kop32", movie});
    EXPECT_EQ(WaitExit(second, 60s), 0);
    std::string frame;
    ASSERT_TRUE(test::PollUntil([&] { return !(frame = MovieFrame(*p.env, "clip.avi")).empty(); }, 60s, 100ms));
    const unsigned long frame_id = std::stoul(frame);
    EXPECT_TRUE(test::PollUntil([&] { return !test::Viewable(display, word_id); }, 10s, 50ms))
        << "the MIDI-Word window stays without a script";
    EXPECT_EQ(test::TransientFor(display, frame_id), main_id);
    EXPECT_TRUE(Holds(test::NetWmState(display, frame_id), "_NET_WM_STATE_SKIP_TASKBAR"));
    xdotool({"windowactivate", "--sync", main});
    EXPECT_TRUE(test::PollUntil([&] { return above(frame_id); }, 10s, 50ms));
    xdotool({"windowminimize", "--sync", main});
    EXPECT_TRUE(test::PollUntil([&] { return !test::Viewable(display, frame_id); }, 10s, 50ms));
    xdotool({"windowactivate", "--sync", main});
    EXPECT_TRUE(test::PollUntil([&] { return test::Viewable(display, frame_id) && above(frame_id); }, 10s, 50ms));
}

namespace {

// The MIDI-Word window's picture once it holds still with the picture and
// the text: two grabs in a row alike, a quarter of it or more not black
// (the corpus picture is a ship in a dark sky), white letters in the first
// row's first twelve columns (there the sky is dark, none of it white).
std::optional<test::WindowShot> SteadyWordScreen(const Player& p) {
    std::string word;
    if (!test::PollUntil([&] { return !(word = FindWindow(*p.env, "^MIDI-Word$")).empty(); }, 60s, 100ms))
        return std::nullopt;
    std::optional<test::WindowShot> last, shot;
    const bool steady = test::PollUntil(
        [&] {
            last = std::move(shot);
            shot = test::GrabWindow(p.x.display(), std::stoul(word));
            return shot && last && shot->pixels == last->pixels &&
                   Count(*shot, 0, 0, shot->width, shot->height, 0x000000) < shot->width * shot->height * 3 / 4 &&
                   Count(*shot, 0, 0, 12 * 8, 16, 0xFFFFFF) > 20;
        },
        20s, 200ms);
    return steady ? shot : std::nullopt;
}

}  // namespace

TEST(PlayerEndToEnd, AWrdSongFromAnArchiveShowsItsScriptAndPictureAsTheSameSongOutsideIt) {
    NUKO_CORPUS_FILE(song, "wrd/yoshitan98_MidiToWRD_sample.mid");
    NUKO_CORPUS_FILE(picture, "mag/vavi-image_test2.mag");
    NUKO_REQUIRE_TOOL(media::CArchiveFile::LibraryUsable(), "liblhasa.so.0 is not installed");
    NUKO_REQUIRE_TOOL(!test::FindProgram("lha").empty(), "no lha (lhasa)");
    // The script shows the 640 x 400 picture and writes a line over it;
    // nothing in it waits, so the screen is whole once the song starts. The
    // picture is not named after the song, so only the script shows it.
    const std::string script = "@MAG(sakura)\r\nHARU GA KITA\r\n";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"haru.mid", test::ReadBytes(song)}, {"haru.wrd", script}, {"sakura.mag", test::ReadBytes(picture)}};
    std::string why;

    Player loose;
    loose.root_ready = [&] {
        for (const auto& [name, data] : files) test::WriteBytes(loose.root.File("media/") + name, data);
    };
    NUKO_REQUIRE_TOOL(loose.Start("1024x768x24", "[Word]\nPosition=100,120\n", loose.root.File("media/haru.mid"), &why),
                      why);
    const std::optional<test::WindowShot> outside = SteadyWordScreen(loose);
    ASSERT_TRUE(outside) << "the song outside the archive shows no picture";
    EXPECT_EQ(outside->width, 640);
    // The second row holds no text: no white there.
    EXPECT_EQ(Count(*outside, 0, 16, 12 * 8, 32, 0xFFFFFF), 0);

    Player archived;
    const std::string archive = archived.root.File("media/haru.lzh");
    archived.root_ready = [&] {
        std::vector<test::LzhEntry> entries;
        for (const auto& [name, data] : files) entries.push_back({.name = name, .data = data});
        test::WriteBytes(archive, test::LzhArchive(entries));
    };
    NUKO_REQUIRE_TOOL(archived.Start("1024x768x24", "[Word]\nPosition=100,120\n", archive, &why), why);
    // lha lists the three members: the archive is what it claims.
    const std::string listing = archived.env->Output({"lha", "l", archive});
    for (const auto& [name, data] : files) EXPECT_NE(listing.find(name), std::string::npos) << listing;
    const std::optional<test::WindowShot> inside = SteadyWordScreen(archived);
    ASSERT_TRUE(inside) << "the archived song shows no MIDI-Word window with its picture";
    EXPECT_EQ(inside->width, outside->width);
    EXPECT_EQ(inside->height, outside->height);
    EXPECT_TRUE(inside->pixels == outside->pixels) << "the archived song's screen differs from the loose one's";
}

TEST(PlayerEndToEnd, APathWithNothingToPlaySaysSoOnStandardErrorAndEndsWithOne) {
    test::TempDir root;
    for (const char* d : {"cfg/NU-KO Application", "data", "empty"})
        ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-p", root.File(d)}, nullptr), 0);
    ASSERT_EQ(test::RunProgram({"/bin/mkdir", "-m", "700", "-p", root.File("run")}, nullptr), 0);
    test::WriteBytes(root.File("cfg/NU-KO Application/NU-KO Player32.ini"), "[Main]\nMciCheck=0\nSplush=0\nPOffChk=0\n");
    test::ProgramOptions options;
    options.env = {{"QT_QPA_PLATFORM", "offscreen"},
                   {"XDG_CONFIG_HOME", root.File("cfg")},
                   {"XDG_DATA_HOME", root.File("data")},
                   {"XDG_RUNTIME_DIR", root.File("run")},
                   {"HOME", root.path()}};
    options.output_file = root.File("out.txt");
    const std::string err = root.File("err.txt");
    for (const std::string& path : {std::string("/no/such/path"), root.File("empty")}) {
        // Standard error alone into its file.
        pid_t pid = test::StartProgram(
            {"/bin/sh", "-c", "exec \"$0\" \"$1\" 2>\"$2\"", test::ProgramDir() + "nu_kop32", path, err}, options);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(WaitExit(pid, 60s), 1) << path;
        const std::string said = test::ReadBytes(err);
        EXPECT_NE(said.find("nu_kop32: 再生できるものがありません: " + path + "\nnothing to play in " + path + "\n"),
                  std::string::npos)
            << said;
        EXPECT_EQ(test::ReadBytes(root.File("out.txt")).find("nothing to play"), std::string::npos);
    }
}
