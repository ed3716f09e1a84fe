#include "desktop/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "qt_app.h"
#include "test_support.h"

using nuko::desktop::SingleInstance;
using nuko::test::TempDir;

namespace {

// Runs the event loop until `done` or a minute has passed.
void PumpUntil(const std::atomic<bool>& done) {
    QElapsedTimer t;
    t.start();
    while (!done && t.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
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
    SingleInstance next(dir.path(), "prog");
    EXPECT_EQ(next.Start(), SingleInstance::Role::Primary);
    // Nobody answers on another name.
    SingleInstance other(dir.path(), "other");
    EXPECT_FALSE(other.Send("x", 200));
}

TEST(SingleInstance, ACopyKilledOutrightLeavesASocketThatDoesNotStopTheNext) {
    nuko::test::QtApp();
    TempDir dir;
    SingleInstance probe(dir.path(), "prog");
    const std::string socket_path = probe.SocketPath();
    const std::string lock_path = dir.path() + "prog.lock";
    // A first copy in a child: it takes the lock and listens as the program
    // does, says so through the pipe, and waits to be killed.
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(socket_path.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, socket_path.c_str(), socket_path.size() + 1);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        int lock = ::open(lock_path.c_str(), O_RDWR | O_CREAT, 0600);
        int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        bool ok = lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0 && listener >= 0 &&
                  ::bind(listener, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 &&
                  ::listen(listener, 4) == 0;
        char c = ok ? '1' : '0';
        if (::write(ready[1], &c, 1) != 1) ::_exit(1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char c = 0;
    bool started = ::read(ready[0], &c, 1) == 1 && c == '1';
    ::close(ready[0]);
    // While the child lives, it is the first copy.
    SingleInstance::Role while_alive = probe.Start();
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    ASSERT_TRUE(started) << "the child could not lock and listen";
    EXPECT_EQ(while_alive, SingleInstance::Role::Secondary);

    // Killed, it left its socket file; nobody listens on it any more.
    struct stat st {};
    ASSERT_EQ(::lstat(socket_path.c_str(), &st), 0) << "no socket file was left behind";
    EXPECT_TRUE(S_ISSOCK(st.st_mode));

    // The next copy takes over and answers.
    SingleInstance next(dir.path(), "prog");
    ASSERT_EQ(next.Start(), SingleInstance::Role::Primary);
    next.SetHandler([](const QByteArray& m) { return m == "hello" ? 7 : -1; });
    SingleInstance later(dir.path(), "prog");
    EXPECT_EQ(later.Start(), SingleInstance::Role::Secondary);
    std::atomic<bool> done{false};
    std::optional<int> answer;
    std::thread sender([&] {
        answer = later.Send("hello", 30000);
        done = true;
    });
    PumpUntil(done);
    sender.join();
    EXPECT_EQ(answer, 7);
}

TEST(SingleInstance, RefusesAFolderThatIsALink) {
    nuko::test::QtApp();
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("real").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(dir.File("real").c_str(), dir.File("link").c_str()), 0);
    SingleInstance s(dir.File("link"), "prog");
    EXPECT_EQ(s.Start(), SingleInstance::Role::Failed);
}

namespace {

// A client written from the wire format: a 4-byte big-endian length, the
// bytes, then a 4-byte big-endian answer.
int Connect(const std::string& socket_path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socket_path.c_str(), socket_path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

bool WriteAll(int fd, const std::string& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

// The answer's four bytes, or fewer when the other side closed first.
std::string ReadAnswer(int fd) {
    std::string got;
    char c;
    while (got.size() < 4 && ::recv(fd, &c, 1, 0) == 1) got += c;
    return got;
}

}  // namespace

TEST(SingleInstance, AnswersAMessageThatComesInPiecesAndDropsWhatIsNotOne) {
    nuko::test::QtApp();
    TempDir dir;
    SingleInstance first(dir.path(), "prog");
    ASSERT_EQ(first.Start(), SingleInstance::Role::Primary);
    const std::string socket_path = first.SocketPath();
    struct stat st {};
    ASSERT_EQ(::stat(socket_path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::vector<std::string> received;
    first.SetHandler([&](const QByteArray& m) {
        received.push_back(m.toStdString());
        return m == "abc" ? 258 : -2;
    });

    std::atomic<bool> done{false};
    std::string split, big, gone, after;
    std::thread clients([&] {
        // "abc" in three writes, the length itself split: answer 258 = 00 00 01 02.
        int fd = Connect(socket_path);
        WriteAll(fd, std::string("\0\0", 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        WriteAll(fd, std::string("\0\3a", 3));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        WriteAll(fd, "bc");
        split = ReadAnswer(fd);
        ::close(fd);
        // A length over a megabyte: closed without an answer.
        fd = Connect(socket_path);
        WriteAll(fd, std::string("\x7f\0\0\0", 4));
        big = ReadAnswer(fd);
        ::close(fd);
        // Half a message, then gone.
        fd = Connect(socket_path);
        WriteAll(fd, std::string("\0\0\0\x09half", 8));
        ::close(fd);
        // The next copy is still answered: -2 = ff ff ff fe.
        fd = Connect(socket_path);
        WriteAll(fd, std::string("\0\0\0\x02xy", 6));
        after = ReadAnswer(fd);
        ::close(fd);
        done = true;
    });
    PumpUntil(done);
    clients.join();
    EXPECT_EQ(split, std::string("\0\0\1\2", 4));
    EXPECT_EQ(big, "");
    EXPECT_EQ(after, "\xff\xff\xff\xfe");
    EXPECT_EQ(received, (std::vector<std::string>{"abc", "xy"}));
}

TEST(SingleInstance, TheFirstCopysEndTakesItsSocketAway) {
    nuko::test::QtApp();
    TempDir dir;
    std::string socket_path;
    {
        SingleInstance first(dir.path(), "prog");
        ASSERT_EQ(first.Start(), SingleInstance::Role::Primary);
        socket_path = first.SocketPath();
        EXPECT_EQ(::access(socket_path.c_str(), F_OK), 0);
    }
    EXPECT_NE(::access(socket_path.c_str(), F_OK), 0);
    // A socket path too long for the address fails rather than cutting it.
    SingleInstance long_one(dir.path() + std::string(120, 'x'), "prog");
    EXPECT_EQ(long_one.Start(), SingleInstance::Role::Failed);
    EXPECT_FALSE(long_one.Send("x", 100));
}
