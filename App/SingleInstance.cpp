#include "App/SingleInstance.h"

#include "Platform/Log.h"
#include "Platform/PrivateFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivast {

namespace {

constexpr Duration kConnectTimeout = 500ms;
constexpr Duration kRetryPause = 50ms;
const QByteArray kReceipt = QByteArrayLiteral("ok\n");
const QByteArray kRefusal = QByteArrayLiteral("error\n");

int milliseconds(Duration d)
{
    return int(std::clamp<Duration::rep>(d.count(), 0, 60'000));
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

QString SingleInstance::claimPrivateFolder(const QString& path)
{
    return PrivateFolder::claim(path);
}

SingleInstance::Folder SingleInstance::privateFolder()
{
    return PrivateFolder::find();
}

QString SingleInstance::socketPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("lumivast.socket"));
}

SingleInstance::SingleInstance(Scheduler& scheduler, QString serverName, QObject* parent)
    : QObject(parent), m_scheduler(scheduler), m_serverName(std::move(serverName)), m_peerUser(::geteuid())
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
    // The lock, not an answer on the socket, decides who runs: a running
    // instance that is stopped, busy or out of descriptors does not answer,
    // and must not lose its socket to the next launch.
    const QString lockPath = m_serverName + QStringLiteral(".lock");
    m_lockFile = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFile < 0) {
        m_problem = QStringLiteral("cannot open %1 (%2)").arg(lockPath, systemError(errno));
        m_role = Role::blocked;
        return m_role;
    }

    const QDeadlineTimer deadline(milliseconds(timeLimit));
    for (;;) {
        if (::flock(m_lockFile, LOCK_EX | LOCK_NB) == 0)
            return listen();
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_problem = QStringLiteral("cannot lock %1 (%2)").arg(lockPath, systemError(errno));
            break;
        }
        // The holder may be starting up and not listening yet: ask again until the limit.
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(int(std::min<qint64>(milliseconds(kConnectTimeout), deadline.remainingTime())))) {
            probe.disconnectFromServer();
            ::close(m_lockFile);
            m_lockFile = -1;
            m_role = Role::secondary;
            return m_role;
        }
        if (deadline.hasExpired()) {
            m_problem = QStringLiteral("another Lumivast is running but did not answer within %1 s")
                            .arg(milliseconds(timeLimit) / 1000.0);
            break;
        }
        QThread::msleep(std::min<qint64>(milliseconds(kRetryPause), deadline.remainingTime()));
    }
    ::close(m_lockFile);
    m_lockFile = -1;
    m_role = Role::blocked;
    return m_role;
}

SingleInstance::Role SingleInstance::listen()
{
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

bool SingleInstance::forwardURL(const QString& text, Duration timeout)
{
    const QByteArray line = encode(Message{false, text});
    // The running instance drops a longer line unanswered; that is no reason to report silence.
    if (line.size() - 1 > maxMessageBytes) {
        m_problem = QStringLiteral("the link is %1 KB long, more than the %2 KB a running Lumivast accepts")
                        .arg((line.size() - 1 + 1023) / 1024)
                        .arg(maxMessageBytes / 1024);
        return false;
    }
    return send(line, timeout);
}

bool SingleInstance::forwardReopen(Duration timeout)
{
    return send(encode(Message{true, {}}), timeout);
}

bool SingleInstance::forwardLaunch(const QStringList& urls, Duration timeout)
{
    if (urls.isEmpty())
        return forwardReopen(timeout);
    for (const QString& url : urls) {
        if (!forwardURL(url, timeout))
            return false;
    }
    return true;
}

bool SingleInstance::send(const QByteArray& line, Duration timeout)
{
    m_problem = QStringLiteral("another Lumivast is running but did not answer within %1 s")
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(timeout).count());
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(milliseconds(timeout)))
        return false;
    socket.write(line);
    if (!socket.waitForBytesWritten(milliseconds(timeout)))
        return false;
    QByteArray reply;
    while (!reply.contains('\n')) {
        if (!socket.waitForReadyRead(milliseconds(timeout)))
            break;
        reply += socket.readAll();
    }
    socket.disconnectFromServer();
    if (reply == kRefusal)
        m_problem = QStringLiteral("the running Lumivast did not understand what this launch handed over");
    if (reply != kReceipt)
        return false;
    m_problem.clear();
    return true;
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
    if (it->second.delivering) {
        // The socket's own signal is still on the stack.
        it->second.closing = true;
        it->second.deadline.cancel();
        return;
    }
    m_connections.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

QByteArray SingleInstance::encode(const Message& message)
{
    const QJsonObject object = message.reopen ? QJsonObject{{QStringLiteral("reopen"), true}}
                                              : QJsonObject{{QStringLiteral("url"), message.url}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

SingleInstance::Reading SingleInstance::read(const QByteArray& received)
{
    const qsizetype end = received.indexOf('\n');
    if ((end < 0 ? received.size() : end) > maxMessageBytes)
        return {Reading::State::oversized, std::nullopt};
    if (end < 0)
        return {};
    const QJsonObject object = QJsonDocument::fromJson(received.left(end)).object();
    if (object.value(QStringLiteral("reopen")).toBool())
        return {Reading::State::line, Message{true, {}}};
    if (object.value(QStringLiteral("url")).isString())
        return {Reading::State::line, Message{false, object.value(QStringLiteral("url")).toString()}};
    return {Reading::State::line, std::nullopt};
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
    // What the message does may open a dialog whose event loop sees this
    // socket leave: it is not deleted before the message is done. (Closing
    // may already happen inside disconnectFromServer.)
    it->second.delivering = message.has_value();
    socket->write(message ? kReceipt : kRefusal);
    socket->flush();
    socket->disconnectFromServer();
    if (!message) {
        qCWarning(lcApp) << "ignoring a message from another launch that is not understood";
        return;
    }
    QPointer<SingleInstance> self(this);
    receive(std::move(*message));
    if (!self)
        return;
    const auto still = m_connections.find(socket);
    if (still == m_connections.end())
        return;
    still->second.delivering = false;
    if (still->second.closing)
        close(socket);
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
