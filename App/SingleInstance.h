#pragma once

#include "App/HandOver.h"
#include "Platform/PrivateFolder.h"
#include "Platform/Scheduler.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace lumivast {

// One running Lumivast per user. Whoever holds an exclusive lock on a file in
// the user's private runtime folder is the running instance, for as long as
// it lives; only it may remove and recreate the socket next to the lock. A
// later launch hands its URLs (or, without any, a request to reopen) to it
// over that socket and exits. Messages that arrive before the program is ready
// to act on them wait, the first instance's own launch URLs ahead of them.
// Lives on the main thread; a launch's own calls block.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // primary: the running instance; secondary: another one runs and answers
    // on the socket; failed: the lock is held here but no socket could be set
    // up, so the program runs without URL intake; blocked: another launch
    // holds the lock but could not be reached within the time limit.
    enum class Role { primary, secondary, failed, blocked };

    static constexpr std::size_t maxWaitingMessages = 64;
    static constexpr qsizetype maxMessageBytes = HandOver::maxMessageBytes;
    // Connections beyond this are closed at once; a launch sends its one line
    // right after connecting, so a few suffice.
    static constexpr std::size_t maxConnections = 16;
    static constexpr Duration kReadDeadline = 3s;
    static constexpr Duration kStartTimeLimit = HandOver::kStartTimeLimit;

    using Folder = PrivateFolder::Folder;
    // The private per-user folder the socket lives in (see PrivateFolder).
    static Folder privateFolder();
    static QString claimPrivateFolder(const QString& path);
    static QString socketPath(const QString& folder) { return HandOver::socketPath(folder); }

    SingleInstance(Scheduler& scheduler, QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock and listens, or finds the instance that holds it. While
    // the holder does not answer, tries again until `timeLimit` has passed.
    Role start(Duration timeLimit = kStartTimeLimit);
    // start() in two halves. claim() needs no application object, so that a
    // launch that only hands over never builds one: primary means the lock is
    // held here. listen() then opens the socket (primary, or failed).
    Role claim(Duration timeLimit = kStartTimeLimit);
    Role listen();
    Role role() const { return m_role; }
    // Why the role is `blocked` or `failed`.
    const QString& problem() const { return m_problem; }
    const QString& serverName() const { return m_serverName; }

    // Secondary: hands one message to the running instance and waits (blocking,
    // up to `timeout`) for its receipt. False when it was not confirmed.
    bool forwardURL(const QString& text, Duration timeout = 2s);
    bool forwardReopen(Duration timeout = 2s);
    // What a second launch hands over: each of its URLs, or a reopen when it
    // has none. Stops at the first that is not confirmed.
    bool forwardLaunch(const QStringList& urls, Duration timeout = 2s);

    // Primary: what arrives once delivery has started.
    std::function<void(const QString& text)> onURL;
    std::function<void()> onReopen;

    // URLs this instance was launched with; they go first.
    void addLaunchURLs(const QStringList& urls);
    // From now on messages go straight to the callbacks; the waiting ones go now.
    void startDelivery();
    std::size_t waitingCount() const { return m_waiting.size(); }

    // Connections from other launches that are open now.
    std::size_t openConnections() const { return m_connections.size(); }
    // The user whose launches are heard; others are dropped. This process's
    // user unless set.
    void acceptOnlyUser(uid_t user) { m_peerUser = user; }

    // The messages on the socket (see HandOver).
    using Message = HandOver::Message;
    using Reading = HandOver::Reading;
    static QByteArray encode(const Message& message) { return HandOver::encode(message); }
    static Reading read(const QByteArray& received) { return HandOver::read(received); }

private:
    struct Connection {
        QByteArray buffer;
        WorkItem deadline;
        bool answered = false;
    };

    bool send(const QByteArray& line, Duration timeout);
    void accept();
    bool peerAllowed(QLocalSocket* socket) const;
    void read(QLocalSocket* socket);
    void close(QLocalSocket* socket);
    void receive(Message message);
    void deliver(const Message& message);

    Scheduler& m_scheduler;
    QString m_serverName;
    Role m_role = Role::failed;
    HandOver m_handOver; // the launch's side: the lock and the way in to another instance
    QString m_problem;
    int m_lockFile = -1;
    uid_t m_peerUser;
    QLocalServer* m_server = nullptr;
    std::map<QLocalSocket*, Connection> m_connections;
    bool m_refusing = false; // logged once per run of refused connections
    bool m_delivering = false;
    std::vector<Message> m_waiting;
};

} // namespace lumivast
