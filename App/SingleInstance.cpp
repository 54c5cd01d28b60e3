#include "App/SingleInstance.h"

#include "Platform/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace lumivast {

namespace {

constexpr int kConnectTimeoutMs = 500;
constexpr int kLockTimeoutMs = 5000;
const QByteArray kReceipt = QByteArrayLiteral("ok\n");
const QByteArray kRefusal = QByteArrayLiteral("error\n");

int milliseconds(Duration d)
{
    return int(std::clamp<Duration::rep>(d.count(), 0, 60'000));
}

} // namespace

QString SingleInstance::defaultServerName()
{
    // The user's runtime folder (mode 0700): no other user can take the name
    // first or listen in on what a launch hands over.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("lumivast-%1.socket").arg(::getuid()));
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName))
{
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::start()
{
    // Two launches at the same moment must not both decide they are first and
    // remove each other's socket: the decision happens under a lock.
    const QFileInfo name(m_serverName);
    QLockFile lock(name.isAbsolute() ? m_serverName + QStringLiteral(".lock")
                                     : QDir(QDir::tempPath()).filePath(m_serverName + QStringLiteral(".lock")));
    if (!lock.tryLock(kLockTimeoutMs))
        qCWarning(lcApp) << "single-instance lock not taken, deciding without it";

    {
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(kConnectTimeoutMs)) {
            probe.disconnectFromServer();
            m_role = Role::secondary;
            return m_role;
        }
    }

    // Nobody answers: a socket file left by a crashed instance is stale.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        qCWarning(lcApp) << "cannot listen for other launches:" << m_server->errorString();
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
    return send(QJsonDocument(QJsonObject{{QStringLiteral("url"), text}}).toJson(QJsonDocument::Compact) + '\n',
                timeout);
}

bool SingleInstance::forwardReopen(Duration timeout)
{
    return send(QJsonDocument(QJsonObject{{QStringLiteral("reopen"), true}}).toJson(QJsonDocument::Compact) + '\n',
                timeout);
}

bool SingleInstance::forwardLaunch(const QStringList& urls, Duration timeout)
{
    if (urls.isEmpty())
        return forwardReopen(timeout);
    bool all = true;
    for (const QString& url : urls)
        all = forwardURL(url, timeout) && all;
    return all;
}

bool SingleInstance::send(const QByteArray& line, Duration timeout)
{
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
    return reply == kReceipt;
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        read(socket);
    }
}

void SingleInstance::read(QLocalSocket* socket)
{
    if (socket->property("lumivastDone").toBool())
        return;
    QByteArray buffer = socket->property("lumivastBuffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf('\n');
    if (end < 0) {
        if (buffer.size() > maxMessageBytes) {
            qCWarning(lcApp) << "dropping an oversized message from another launch";
            socket->abort();
            return;
        }
        socket->setProperty("lumivastBuffer", buffer);
        return;
    }
    socket->setProperty("lumivastDone", true);
    socket->setProperty("lumivastBuffer", QVariant());

    const QJsonObject object = QJsonDocument::fromJson(buffer.left(end)).object();
    std::optional<Message> message;
    if (object.value(QStringLiteral("reopen")).toBool())
        message = Message{true, {}};
    else if (object.value(QStringLiteral("url")).isString())
        message = Message{false, object.value(QStringLiteral("url")).toString()};

    socket->write(message ? kReceipt : kRefusal);
    socket->flush();
    socket->disconnectFromServer();
    if (message)
        receive(std::move(*message));
    else
        qCWarning(lcApp) << "ignoring a message from another launch that is not understood";
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
