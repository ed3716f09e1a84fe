// One running copy of a program per user. The first copy takes a lock file
// and listens on a local socket, both in a private folder (0700) of the
// user's runtime folder; a later copy finds the lock taken, sends its
// message to the first copy, waits for the first copy's answer and ends.
// Connections from other users are refused.
#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>
#include <optional>
#include <string>

class QSocketNotifier;

namespace nuko::desktop {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary,    // this copy holds the lock and answers the others
        Secondary,  // another copy runs: Send() to it
        Failed,     // the folder or lock cannot be used: run on your own
    };

    // `folder` is created with mode 0700 when missing; `name` names the lock
    // ("<name>.lock") and the socket ("<name>.socket").
    SingleInstance(std::string folder, std::string name, QObject* parent = nullptr);
    ~SingleInstance() override;

    Role Start();
    Role role() const { return role_; }

    // Primary: answers each message (called on this object's thread).
    using Handler = std::function<int(const QByteArray& message)>;
    void SetHandler(Handler handler) { handler_ = std::move(handler); }

    // Secondary: sends a message and waits for the answer; nullopt when the
    // first copy could not be reached within the time.
    std::optional<int> Send(const QByteArray& message, int timeout_ms = 5000) const;

    std::string SocketPath() const;

private:
    void Accept();

    std::string folder_;
    std::string name_;
    Role role_ = Role::Failed;
    int lock_fd_ = -1;
    int listen_fd_ = -1;
    QSocketNotifier* listener_ = nullptr;
    Handler handler_;
};

}  // namespace nuko::desktop
