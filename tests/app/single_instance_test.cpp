#include "single_instance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "qt_app.h"
#include "test_support.h"

using nuko::app::SingleInstance;
using nuko::test::TempDir;

namespace {

// Runs the event loop until `done` or a few seconds have passed.
void PumpUntil(const std::atomic<bool>& done) {
    QElapsedTimer t;
    t.start();
    while (!done && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

TEST(SingleInstance, SecondCopyHandsItsMessageToTheFirst) {
    nuko::test::QtApp();
    TempDir dir;
    std::string folder = dir.File("run");
    SingleInstance first(folder, "prog");
    ASSERT_EQ(first.Start(), SingleInstance::Role::Primary);
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    QByteArray received;
    first.SetHandler([&](const QByteArray& m) {
        received = m;
        return m == "/path/a b" ? 1 : -1;
    });

    SingleInstance second(folder, "prog");
    EXPECT_EQ(second.Start(), SingleInstance::Role::Secondary);
    std::atomic<bool> done{false};
    std::optional<int> answer;
    std::thread sender([&] {
        answer = second.Send("/path/a b");
        done = true;
    });
    PumpUntil(done);
    sender.join();
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(received, "/path/a b");
}

TEST(SingleInstance, TheLockGoesWithItsHolder) {
    nuko::test::QtApp();
    TempDir dir;
    {
        SingleInstance first(dir.path(), "prog");
        ASSERT_EQ(first.Start(), SingleInstance::Role::Primary);
    }
    // A socket file left behind does not stop the next first copy.
    SingleInstance next(dir.path(), "prog");
    EXPECT_EQ(next.Start(), SingleInstance::Role::Primary);
    // Nobody answers on another name.
    SingleInstance other(dir.path(), "other");
    EXPECT_FALSE(other.Send("x", 200));
}

TEST(SingleInstance, RefusesAFolderThatIsALink) {
    nuko::test::QtApp();
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("real").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(dir.File("real").c_str(), dir.File("link").c_str()), 0);
    SingleInstance s(dir.File("link"), "prog");
    EXPECT_EQ(s.Start(), SingleInstance::Role::Failed);
}
