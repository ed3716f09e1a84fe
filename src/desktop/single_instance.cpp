#include "desktop/single_instance.h"

#include <QSocketNotifier>
#include <QtEndian>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "nuko/paths.h"

// Plain sockets rather than Qt's network module: the start of every copy
// would otherwise load that module and the libraries it brings.
namespace nuko::desktop {
namespace {

using Clock = std::chrono::steady_clock;

// A message is a 4-byte big-endian length and its bytes; the answer is a
// 4-byte big-endian signed number.
constexpr quint32 kMessageMax = 1u << 20;

bool AddressOf(const std::string& path, sockaddr_un* addr) {
    *addr = {};
    addr->sun_family = AF_UNIX;
    if (path.size() >= sizeof addr->sun_path) return false;
    std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Until `fd` is ready for `events` (or hung up), false when the time is up.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left < 0) return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

bool SendAll(int fd, const char* data, std::size_t size, Clock::time_point deadline) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline)) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

bool ReceiveAll(int fd, char* out, std::size_t size, Clock::time_point deadline) {
    while (size > 0) {
        const ssize_t n = ::recv(fd, out, size, 0);
        if (n > 0) {
            out += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLIN, deadline)) {
            continue;
        } else {
            return false;  // closed before the whole answer, or failed
        }
    }
    return true;
}

bool SameUser(int fd) {
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::getuid();
}

// Serves one connection: reads the message as it arrives, answers, closes.
class Connection final : public QObject {
public:
    Connection(int fd, const SingleInstance::Handler& handler, QObject* parent)
        : QObject(parent), fd_(fd), handler_(handler), notifier_(fd, QSocketNotifier::Read, this) {
        connect(&notifier_, &QSocketNotifier::activated, this, [this] { Read(); });
    }
    ~Connection() override { ::close(fd_); }

private:
    void Read() {
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n > 0) {
                buffer_.append(chunk, n);
                if (static_cast<quint64>(buffer_.size()) > 4 + quint64{kMessageMax}) return Done();
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            } else {
                return Done();  // the sender went before its whole message
            }
        }
        if (buffer_.size() < 4) return;
        const quint32 size = qFromBigEndian<quint32>(buffer_.constData());
        if (size > kMessageMax) return Done();
        if (static_cast<quint64>(buffer_.size()) < 4 + quint64{size}) return;
        // The handler may run an event loop of its own (a dialog).
        notifier_.setEnabled(false);
        const int answer = handler_ ? handler_(buffer_.mid(4, static_cast<qsizetype>(size))) : 0;
        char out[4];
        qToBigEndian<qint32>(answer, out);
        // Four bytes into a socket nothing was written to yet.
        [[maybe_unused]] ssize_t sent = ::send(fd_, out, sizeof out, MSG_NOSIGNAL);
        Done();
    }

    void Done() {
        notifier_.setEnabled(false);
        deleteLater();
    }

    int fd_;
    SingleInstance::Handler handler_;
    QSocketNotifier notifier_;
    QByteArray buffer_;
};

}  // namespace

SingleInstance::SingleInstance(std::string folder, std::string name, QObject* parent)
    : QObject(parent), folder_(path::WithTrailingSlash(folder)), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    delete listener_;
    if (listen_fd_ >= 0) {
        ::close(listen_fd_);
        ::unlink(SocketPath().c_str());
    }
    if (lock_fd_ >= 0) ::close(lock_fd_);  // closing drops the lock
}

std::string SingleInstance::SocketPath() const { return folder_ + name_ + ".socket"; }

SingleInstance::Role SingleInstance::Start() {
    role_ = Role::Failed;
    if (folders::EnsurePrivateFolder(folder_)) return role_;
    std::string lock = folder_ + name_ + ".lock";
    int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return role_;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        role_ = errno == EWOULDBLOCK ? Role::Secondary : Role::Failed;
        return role_;
    }
    sockaddr_un addr;
    const std::string socket_path = SocketPath();
    int listener = AddressOf(socket_path, &addr) ? ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0) : -1;
    if (listener >= 0) {
        // Holding the lock, any socket file left here belongs to a copy that
        // has ended.
        ::unlink(socket_path.c_str());
        if (::bind(listener, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
            ::chmod(socket_path.c_str(), 0600) != 0 || ::listen(listener, 16) != 0) {
            ::close(listener);
            ::unlink(socket_path.c_str());
            listener = -1;
        }
    }
    if (listener < 0) {
        ::close(fd);
        return role_;
    }
    lock_fd_ = fd;
    listen_fd_ = listener;
    listener_ = new QSocketNotifier(listen_fd_, QSocketNotifier::Read);
    connect(listener_, &QSocketNotifier::activated, this, &SingleInstance::Accept);
    role_ = Role::Primary;
    return role_;
}

void SingleInstance::Accept() {
    for (;;) {
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;  // none waiting (or out of descriptors: the next notice tries again)
        }
        if (!SameUser(fd)) {
            ::close(fd);
            continue;
        }
        new Connection(fd, handler_, this);
    }
}

std::optional<int> SingleInstance::Send(const QByteArray& message, int timeout_ms) const {
    if (static_cast<quint64>(message.size()) > kMessageMax) return std::nullopt;
    sockaddr_un addr;
    if (!AddressOf(SocketPath(), &addr)) return std::nullopt;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int fd = -1;
    // The first copy may still be starting: try again until the time is up.
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return std::nullopt;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) break;
        ::close(fd);
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    char header[4];
    qToBigEndian<quint32>(static_cast<quint32>(message.size()), header);
    char answer[4];
    const bool answered = SendAll(fd, header, sizeof header, deadline) &&
                          SendAll(fd, message.constData(), static_cast<std::size_t>(message.size()), deadline) &&
                          ReceiveAll(fd, answer, sizeof answer, deadline);
    ::close(fd);
    if (!answered) return std::nullopt;
    return qFromBigEndian<qint32>(answer);
}

}  // namespace nuko::desktop
