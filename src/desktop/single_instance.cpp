#include "desktop/single_instance.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QtEndian>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include "nuko/paths.h"

namespace nuko::desktop {
namespace {

// A message is a 4-byte big-endian length and its bytes; the answer is a
// 4-byte big-endian signed number.
constexpr quint32 kMessageMax = 1u << 20;

bool ReadExactly(QLocalSocket& socket, char* out, qint64 size, const QDeadlineTimer& deadline) {
    qint64 got = 0;
    while (got < size) {
        if (socket.bytesAvailable() == 0 &&
            !socket.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1))))
            return false;
        qint64 n = socket.read(out + got, size - got);
        if (n < 0) return false;
        got += n;
        if (deadline.hasExpired() && got < size) return false;
    }
    return true;
}

bool SameUser(qintptr fd) {
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::getuid();
}

// Serves one connection: reads the message as it arrives, answers, closes.
class Connection final : public QObject {
public:
    Connection(QLocalSocket* socket, const SingleInstance::Handler& handler)
        : QObject(socket), socket_(socket), handler_(handler) {
        connect(socket_, &QLocalSocket::readyRead, this, [this] { Read(); });
        connect(socket_, &QLocalSocket::disconnected, socket_, &QObject::deleteLater);
    }

private:
    void Read() {
        buffer_ += socket_->readAll();
        if (buffer_.size() < 4) return;
        quint32 size = qFromBigEndian<quint32>(buffer_.constData());
        if (size > kMessageMax) {
            socket_->abort();
            return;
        }
        if (static_cast<quint32>(buffer_.size()) < 4 + size) return;
        int answer = handler_ ? handler_(buffer_.mid(4, static_cast<qsizetype>(size))) : 0;
        char out[4];
        qToBigEndian<qint32>(answer, out);
        socket_->write(out, 4);
        socket_->flush();
        socket_->disconnectFromServer();
        disconnect(socket_, &QLocalSocket::readyRead, this, nullptr);
    }

    QLocalSocket* socket_;
    SingleInstance::Handler handler_;
    QByteArray buffer_;
};

}  // namespace

SingleInstance::SingleInstance(std::string folder, std::string name, QObject* parent)
    : QObject(parent), folder_(path::WithTrailingSlash(folder)), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
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
    lock_fd_ = fd;
    // Holding the lock, any socket file left here belongs to a copy that
    // has ended.
    QString socket_path = QString::fromStdString(SocketPath());
    QLocalServer::removeServer(socket_path);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socket_path)) {
        delete server_;
        server_ = nullptr;
        ::close(lock_fd_);
        lock_fd_ = -1;
        return role_;
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    role_ = Role::Primary;
    return role_;
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!SameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new Connection(socket, handler_);
    }
}

std::optional<int> SingleInstance::Send(const QByteArray& message, int timeout_ms) const {
    if (static_cast<quint64>(message.size()) > kMessageMax) return std::nullopt;
    QDeadlineTimer deadline(timeout_ms);
    QLocalSocket socket;
    // The first copy may still be starting: try again until the time is up.
    while (true) {
        socket.connectToServer(QString::fromStdString(SocketPath()));
        if (socket.waitForConnected(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)))) break;
        if (deadline.hasExpired()) return std::nullopt;
        QThread::msleep(50);
    }
    char header[4];
    qToBigEndian<quint32>(static_cast<quint32>(message.size()), header);
    socket.write(header, 4);
    socket.write(message);
    if (!socket.waitForBytesWritten(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1))) &&
        socket.bytesToWrite() > 0)
        return std::nullopt;
    char answer[4];
    if (!ReadExactly(socket, answer, 4, deadline)) return std::nullopt;
    return qFromBigEndian<qint32>(answer);
}

}  // namespace nuko::desktop
