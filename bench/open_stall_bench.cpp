// The longest stall of the window's thread while the player opens a tree of
// 20,000 files in 200 folders and a catalog of 20,000 items whose files are
// missing: a heartbeat timer records the largest gap between its beats. The
// anchor is the same open read in place, which holds the thread for the whole
// read.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/commands/command_router.h"
#include "app/frame/main_frame.h"
#include "core/player_core.h"
#include "settings/settings_store.h"
#include "bench_util.h"
#include "song_tree.h"
#include "library/catalog.h"
#include "nuko/clock.h"
#include "nuko/qt_dispatch.h"
#include "library/file_area_model.h"

using namespace nuko;

namespace {

constexpr int kFolders = bench::kTreeFolders;
constexpr int kPerFolder = bench::kTreePerFolder;

struct Done : app::CoreListener {
    bool loaded = false;
    void OnListLoaded(int) override { loaded = true; }
};

// Opens `path` and runs the event loop until the list has come; the largest
// gap between heartbeats, in ms.
double OpenAndWatch(app::PlayerCore& core, const std::string& path, bool in_place, int& rows) {
    Done done;
    core.Subscribe(done);
    QElapsedTimer beat;
    double worst = 0;
    QTimer heart;
    heart.setInterval(5);
    QObject::connect(&heart, &QTimer::timeout, [&] {
        worst = std::max(worst, beat.nsecsElapsed() / 1e6);
        beat.restart();
    });
    heart.start();
    beat.start();
    QTimer::singleShot(20, [&] { core.OpenPath(path, in_place); });
    while (!done.loaded) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The last rows and the selection are drawn too.
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    worst = std::max(worst, beat.nsecsElapsed() / 1e6);
    rows = core.files().rows();
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char tmpl[] = "/tmp/nuko-stall-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const std::string dir = std::string(tmpl) + "/";
    const std::string tree = dir + "tree/";
    if (!bench::MakeSongTree(tree)) return 1;
    media::MediaList list;
    list.path = dir + "Gone.mit";
    list.title = "ベンチマーク";
    for (int f = 0; f < kFolders; ++f)
        for (int i = 0; i < kPerFolder; ++i)
            list.items.push_back({0, 0, "", tree + bench::TreeFileName(f, i, "Gone", "mid"), "タイトル", "", "", 0});
    if (media::WriteCatalog(list)) return 1;

    settings::Settings s;
    s.main.poff_chk = 0;
    s.main.mci_check = 0;
    s.kinds[0].sub_folder = 1;
    settings::SettingsStore store(dir + "NU-KO Player32.ini");
    QtDispatcher dispatcher(&app);
    SteadyClock clock;
    app::CoreContext ctx;
    ctx.settings = &s;
    ctx.store = &store;
    ctx.work_folder = dir + "work/";
    ctx.dispatcher = &dispatcher;
    ctx.clock = &clock;
    ctx.background_lists = true;
    app::PlayerCore core(ctx);
    app::CommandRouter router;
    app::CMainFrame frame(core, router, nullptr);
    frame.show();
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();

    std::printf("%d files in %d folders, half of them .mid; catalog of %d missing files\n", kFolders * kPerFolder,
                kFolders, kFolders * kPerFolder);
    for (const auto& [what, path] : {std::pair<const char*, std::string>{"open tree", tree},
                                     std::pair<const char*, std::string>{"open catalog, files missing", list.path}}) {
        int rows = 0, rows_in_place = 0;
        double anchor = OpenAndWatch(core, path, true, rows_in_place);
        double stall = OpenAndWatch(core, path, false, rows);
        std::printf("%s: %d rows (read in place: %d)\n", what, rows, rows_in_place);
        bench::Report((std::string("longest stall, ") + what).c_str(), stall, "read in place", anchor);
    }
    std::error_code ec;
    std::filesystem::remove_all(tmpl, ec);
    return 0;
}
