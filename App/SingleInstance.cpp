#include "App/SingleInstance.h"

#include "Platform/Log.h"
#include "Platform/PrivateFolder.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace lumivast {

QString SingleInstance::claimPrivateFolder(const QString& path)
{
    return PrivateFolder::claim(path);
}

SingleInstance::Folder SingleInstance::privateFolder()
{
    return PrivateFolder::find();
}

SingleInstance::SingleInstance(Scheduler& scheduler, QString serverName, QObject* parent)
    : QObject(parent), m_scheduler(scheduler), m_serverName(std::move(serverName)), m_handOver(m_serverName),
      m_peerUser(::geteuid())
{
}

SingleInstance::~SingleInstance()
{
    for (auto& [socket, connection] : m_connections)
        socket->disconnect(this);
    m_connections.clear();
    delete m_server;
    if (m_lockFile >= 0)
        ::close(m_lockFile);
}

SingleInstance::Role SingleInstance::start(Duration timeLimit)
{
    const Role role = claim(timeLimit);
    return role == Role::primary ? listen() : role;
}

SingleInstance::Role SingleInstance::claim(Duration timeLimit)
{
    switch (m_handOver.claim(timeLimit)) {
    case HandOver::Claim::held:
        m_lockFile = m_handOver.takeLock();
        m_role = Role::primary;
        break;
    case HandOver::Claim::running:
        m_role = Role::secondary;
        break;
    case HandOver::Claim::blocked:
        m_problem = m_handOver.problem();
        m_role = Role::blocked;
        break;
    }
    return m_role;
}

SingleInstance::Role SingleInstance::listen()
{
    if (m_lockFile < 0)
        return m_role;
    // Under the lock, a socket file can only be one left by an instance that ended.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        m_problem = QStringLiteral("cannot listen for other launches (%1)").arg(m_server->errorString());
        qCWarning(lcApp).noquote() << m_problem;
        delete m_server;
        m_server = nullptr;
        m_role = Role::failed;
        return m_role;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    m_role = Role::primary;
    return m_role;
}

bool SingleInstance::forwardLaunch(const QStringList& urls, Duration timeout)
{
    const bool confirmed = m_handOver.forwardLaunch(urls, timeout);
    m_problem = m_handOver.problem();
    return confirmed;
}

bool SingleInstance::forwardURL(const QString& text, Duration timeout)
{
    return forwardLaunch({text}, timeout);
}

bool SingleInstance::forwardReopen(Duration timeout)
{
    return forwardLaunch({}, timeout);
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!peerAllowed(socket)) {
            qCWarning(lcApp) << "dropping a connection from another user";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // Idle connections must not pile up until descriptors or memory run out.
        if (m_connections.size() >= maxConnections) {
            if (!m_refusing)
                qCWarning(lcApp) << "dropping connections from other launches: too many open";
            m_refusing = true;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_refusing = false;
        socket->setReadBufferSize(maxMessageBytes + 1);
        m_connections[socket].deadline = m_scheduler.after(kReadDeadline, [this, socket] {
            qCDebug(lcApp) << "closing a connection from another launch that stayed open too long";
            close(socket);
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { close(socket); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        read(socket);
    }
}

bool SingleInstance::peerAllowed(QLocalSocket* socket) const
{
    ucred peer {};
    socklen_t size = sizeof peer;
    const qintptr fd = socket->socketDescriptor();
    if (fd < 0 || ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == m_peerUser;
}

void SingleInstance::close(QLocalSocket* socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    m_connections.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void SingleInstance::read(QLocalSocket* socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->second.answered)
        return;
    QByteArray& buffer = it->second.buffer;
    // Never take in more than one byte past the limit, newline or not.
    buffer += socket->read(maxMessageBytes + 1 - buffer.size());
    const Reading reading = read(buffer);
    if (reading.state == Reading::State::oversized) {
        qCWarning(lcApp) << "dropping an oversized message from another launch";
        close(socket);
        return;
    }
    if (reading.state == Reading::State::incomplete)
        return;
    buffer.clear();
    std::optional<Message> message = reading.message;

    // One message per connection; the deadline stays armed for a peer that does not go.
    it->second.answered = true;
    // Closing may happen inside disconnectFromServer; the socket itself goes later, from the event loop.
    socket->write(message ? HandOver::kReceipt : HandOver::kRefusal);
    socket->flush();
    socket->disconnectFromServer();
    if (!message) {
        qCWarning(lcApp) << "ignoring a message from another launch that is not understood";
        return;
    }
    receive(std::move(*message));
}

void SingleInstance::addLaunchURLs(const QStringList& urls)
{
    std::vector<Message> launch;
    for (const QString& url : urls)
        launch.push_back(Message{false, url});
    m_waiting.insert(m_waiting.begin(), launch.begin(), launch.end());
    if (m_delivering)
        startDelivery();
}

void SingleInstance::receive(Message message)
{
    if (m_delivering) {
        deliver(message);
        return;
    }
    if (m_waiting.size() >= maxWaitingMessages) {
        qCWarning(lcApp) << "too many messages waiting for launch, dropping the oldest";
        m_waiting.erase(m_waiting.begin());
    }
    m_waiting.push_back(std::move(message));
}

void SingleInstance::startDelivery()
{
    m_delivering = true;
    std::vector<Message> waiting;
    waiting.swap(m_waiting);
    for (const Message& message : waiting)
        deliver(message);
}

void SingleInstance::deliver(const Message& message)
{
    if (message.reopen) {
        if (onReopen)
            onReopen();
    } else if (onURL) {
        onURL(message.url);
    }
}

} // namespace lumivast
