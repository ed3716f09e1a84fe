// Movies drawn into the program's own movie frame, on a real X server
// (Xvfb started by the test) with libmpv drawing into the frame's native
// child window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include <array>
#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "playback/backend_factory.h"
#include "playback/media_device.h"
#include "playback/media_errors.h"
#include "media_fixtures.h"
#include "playback/movie_frame_window.h"
#include "nuko/qt_dispatch.h"
#include "test_support.h"
#include "x_server.h"

// libmpv draws through mesa's software GL driver here, which it loads and
// unloads again; the driver leaves an allocation behind that the leak check
// can only report as an unknown module, so no suppression can name it.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace nuko::playback {
namespace {

using test::XServer;

bool RunEventsUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

// Share of pixels that are not black.
double Lit(const QImage& image) {
    if (image.isNull()) return 0;
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 40) ++lit;
    return static_cast<double>(lit) / (image.width() * image.height());
}

TEST(MovieFrameTest, TheMoviePlaysInsideTheFrameUnderItsOwner) {
    XServer x;
    std::string why;
    NUKO_REQUIRE_TOOL(x.Start(&why), why);
    test::TempDir dir;
    ASSERT_TRUE(test::MakeMovie(dir.File("clip.avi"), 2.0)) << "ffmpeg could not make an AVI file";

    test::ScopedEnv display("DISPLAY", x.display());
    test::ScopedEnv platform("QT_QPA_PLATFORM", "xcb");
    {
        int argc = 1;
        char name[] = "movie_frame_test";
        char* argv[] = {name, nullptr};
        QApplication app(argc, argv);
        QWidget owner;
        owner.resize(200, 100);
        owner.show();

        QObject context;
        QtDispatcher dispatcher(&context);
        LinuxBackends backends(dispatcher, BackendSettings{});
        std::vector<int> notices;
        MediaDeviceHooks hooks;
        hooks.notice = [&](MediaKind, int code) {
            if (code != kNotifyOpened) notices.push_back(code);
        };
        // The frame opens where the settings say and tells where it was left.
        std::vector<std::array<int, 3>> left;
        hooks.movie_window = MakeMovieFrameFactory([&] {
            MovieFramePlace place;
            place.x = 30;
            place.y = 40;
            place.left_at = [&](int x, int y, bool maximised) { left.push_back({x, y, maximised ? 1 : 0}); };
            return place;
        });
        {
            MediaDevice device(backends, MediaDeviceConfig{}, hooks);
            // The movie loads in the background; the frame waits for it.
            int opened = device.Open(MediaKind::Movie, dir.File("clip.avi"), &owner);
            if (opened == mci::kPending) {
                EXPECT_TRUE(RunEventsUntil([&] { return !device.IsOpening(MediaKind::Movie); }, 30000));
                opened = device.OpenResult(MediaKind::Movie);
            }
            ASSERT_EQ(opened, 0) << device.ErrorText(MediaKind::Movie, 0);
            auto* frame = static_cast<CMovieFrame*>(static_cast<QWidget*>(device.MovieWindow()));
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->objectName(), "NU-KOP32!MovieWindow");
            EXPECT_EQ(frame->parentWidget(), &owner);
            EXPECT_EQ(device.DefaultMovieSize().width, 160);
            EXPECT_EQ(device.DefaultMovieSize().height, 120);
            EXPECT_EQ(frame->size(), QSize(160, 120));
            EXPECT_EQ(frame->pos(), QPoint(30, 40));
            EXPECT_EQ(frame->windowTitle(), "clip.avi");

            ASSERT_EQ(device.Play(MediaKind::Movie, 0, 0, false, true, false), 0);
            // The picture comes once the player draws (its last frame stays
            // after the end).
            double lit = 0;
            EXPECT_TRUE(RunEventsUntil(
                [&] {
                    lit = Lit(QGuiApplication::primaryScreen()->grabWindow(frame->video()->winId()).toImage());
                    return lit > 0.3;
                },
                30000))
                << "the test picture is not in the frame; lit share " << lit;
            ASSERT_TRUE(RunEventsUntil([&] { return !notices.empty(); }, 30000));
            EXPECT_EQ(notices.back(), kNotifySuccessful);

            // A destination puts the picture in a part of the frame.
            device.PutDestination(MediaKind::Movie, {10, 10, 90, 70});
            EXPECT_EQ(frame->video()->geometry(), QRect(10, 10, 80, 60));
            // The movie key maximises it and back, but not while minimised.
            EXPECT_TRUE(ToggleMovieFrameMaximised(&owner));
            EXPECT_TRUE(frame->isMaximized());
            EXPECT_TRUE(ToggleMovieFrameMaximised(&owner));
            EXPECT_FALSE(frame->isMaximized());
            frame->showMinimized();
            EXPECT_FALSE(HasMovieFrameToToggle(&owner));
            EXPECT_FALSE(ToggleMovieFrameMaximised(&owner));
            frame->showNormal();
            frame->move(50, 60);
            device.Close(MediaKind::Movie);
            EXPECT_EQ(device.MovieWindow(), nullptr);
            ASSERT_EQ(left.size(), 1u);
            EXPECT_EQ(left[0], (std::array<int, 3>{50, 60, 0}));
        }
        QCoreApplication::processEvents();
    }
}

}  // namespace
}  // namespace nuko::playback
