#include "App/LocalAPI.h"

#include "App/UrlIntake.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/Blanks.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/DataFile.h"
#include "Platform/Log.h"

#include <QByteArrayView>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>

namespace lumivast {

namespace {

const QByteArray kOK = QByteArrayLiteral("200 OK");
const QByteArray kBadRequest = QByteArrayLiteral("400 Bad Request");
const QByteArray kUnauthorized = QByteArrayLiteral("401 Unauthorized");
const QByteArray kNotFound = QByteArrayLiteral("404 Not Found");

LocalAPI::Response answer(const QByteArray& status, const QByteArray& body)
{
    return {status, body, std::nullopt};
}

LocalAPI::Response notFound()
{
    return answer(kNotFound, QByteArrayLiteral(R"({"error":"not found"})"));
}

// Every later line with a colon, body lines included; the first of a name wins.
QHash<QString, QString> readHeaders(const QStringList& lines)
{
    QHash<QString, QString> headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString name = lines[i].left(colon).toLower();
        if (!headers.contains(name))
            headers.insert(name, trimmedSpacesAndTabs(lines[i].mid(colon + 1)));
    }
    return headers;
}

// A page elsewhere can rebind its own name to 127.0.0.1; such requests name
// that page's host, which is not ours.
bool isLoopbackHost(const QString& value)
{
    QString host = value;
    QString rest;
    if (value.startsWith(QLatin1Char('['))) {
        const qsizetype close = value.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        host = value.left(close + 1);
        rest = value.mid(close + 1);
    } else if (const qsizetype colon = value.indexOf(QLatin1Char(':')); colon >= 0) {
        host = value.left(colon);
        rest = value.mid(colon);
    }
    if (!rest.isEmpty()) {
        if (rest[0] != QLatin1Char(':'))
            return false;
        for (qsizetype i = 1; i < rest.size(); ++i) {
            if (rest[i] < QLatin1Char('0') || rest[i] > QLatin1Char('9'))
                return false;
        }
    }
    return host.compare(QLatin1String("127.0.0.1"), Qt::CaseInsensitive) == 0
        || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || host.compare(QLatin1String("[::1]"), Qt::CaseInsensitive) == 0;
}

// Compares every byte whatever the first difference, so the time taken says
// nothing about how much of a guess was right.
bool equalInConstantTime(const QByteArray& given, const QByteArray& expected)
{
    unsigned difference = given.size() == expected.size() ? 0u : 1u;
    const qsizetype n = expected.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char g = i < given.size() ? given[i] : 0;
        difference |= unsigned(static_cast<unsigned char>(g ^ expected[i]));
    }
    return difference == 0;
}

} // namespace

struct LocalAPI::Connection {
    QPointer<QTcpSocket> socket;
    bool delivered = false; // its one read has happened
    Duration acceptedAt{};
    WorkItem deadline;
};

LocalAPI::Response LocalAPI::respond(const QString& request, const SpaceQueries& queries)
{
    const QStringList lines = request.split(QStringLiteral("\r\n"));
    const QStringList words = lines.first().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2)
        return answer(kBadRequest, QByteArrayLiteral(R"({"error":"bad request"})"));
    const QString& method = words[0];
    const QString& target = words[1];
    const QHash<QString, QString> headers = readHeaders(lines);

    if (const auto host = headers.find(QStringLiteral("host")); host != headers.end() && !isLoopbackHost(*host))
        return notFound();
    // Only an origin-form target: anything else could rewrite the authority of the URL built below.
    if (!target.startsWith(QLatin1Char('/')))
        return notFound();
    const QUrl url(QStringLiteral("http://localhost") + target, QUrl::StrictMode);
    const QString path = url.isValid() ? url.path(QUrl::FullyDecoded) : QString();

    if (method == QLatin1String("GET") && path == QLatin1String("/spaces"))
        return answer(kOK, queries.stateJSON());

    if (method == QLatin1String("POST") && path == QLatin1String("/command")) {
        const auto authorization = headers.find(QStringLiteral("authorization"));
        const QString token = queries.apiToken();
        if (authorization == headers.end() || token.isEmpty()
            || !equalInConstantTime(authorization->toUtf8(), QByteArrayLiteral("Bearer ") + token.toUtf8()))
            return answer(kUnauthorized, QByteArrayLiteral(R"({"error":"missing or wrong token"})"));
        std::optional<SpaceCommand> command;
        for (const auto& [name, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
            if (name == QLatin1String("url")) {
                command = UrlIntake::command(value);
                break;
            }
        }
        if (!command)
            return answer(kBadRequest, QByteArrayLiteral(R"({"error":"unknown command"})"));
        return {kOK, QByteArrayLiteral(R"({"ok":true})"), std::move(command)};
    }
    return notFound();
}

std::optional<LocalAPI::Response> LocalAPI::respondToBytes(const QByteArray& data, const SpaceQueries& queries)
{
    const QByteArray request = data.left(kMaxRequestBytes);
    if (request.isEmpty() || !QByteArrayView(request).isValidUtf8())
        return std::nullopt;
    return respond(QString::fromUtf8(request), queries);
}

QByteArray LocalAPI::reply(const Response& response)
{
    QByteArray bytes;
    bytes.reserve(response.body.size() + 128);
    bytes += "HTTP/1.1 " + response.status + "\r\n";
    bytes += "Content-Type: application/json\r\n";
    bytes += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    bytes += "Connection: close\r\n\r\n";
    bytes += response.body;
    return bytes;
}

QString LocalAPI::token()
{
    const QString path = AppPaths::file(QStringLiteral("api-token.txt"));
    const DataFile::ReadResult file = DataFile::read(path);
    if (file.status == DataFile::ReadStatus::Read && QByteArrayView(file.bytes).isValidUtf8()) {
        const QString stored = QString::fromUtf8(file.bytes).trimmed();
        if (!stored.isEmpty())
            return stored;
    }
    const QString fresh = QUuid::createUuid().toString(QUuid::Id128);
    // A failed write leaves a token no one else knows: every command is then refused.
    DataFile::write(path, fresh.toUtf8());
    return fresh;
}

QByteArray LocalAPI::stateBody()
{
    const DataFile::ReadResult file = DataFile::read(AppPaths::file(QStringLiteral("state.json")));
    if (file.status != DataFile::ReadStatus::Read || !QByteArrayView(file.bytes).isValidUtf8())
        return QByteArrayLiteral("{}");
    return file.bytes;
}

LocalAPI::LocalAPI(Scheduler& scheduler, CommandSink& sink, const SpaceQueries& queries, quint16 port, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_sink(sink)
    , m_queries(queries)
    , m_port(port)
{
}

LocalAPI::~LocalAPI()
{
    stop();
    for (const auto& connection : m_connections) {
        if (connection->socket) {
            QObject::disconnect(connection->socket, nullptr, this, nullptr);
            connection->socket->abort();
        }
    }
}

quint16 LocalAPI::serverPort() const
{
    return m_v4 ? m_v4->serverPort() : 0;
}

void LocalAPI::refresh()
{
    const bool on = Settings::defaults().boolValue(Settings::Key::localAPI);
    if (on && !m_v4)
        start();
    else if (!on)
        stop();
}

void LocalAPI::start()
{
    auto v4 = std::make_unique<QTcpServer>();
    v4->setListenBacklogSize(1024); // a burst of connections waits instead of being turned away
    if (!v4->listen(QHostAddress::LocalHost, m_port)) {
        qCCritical(lcLocalAPI, "could not open port %hu", m_port);
        return;
    }
    connect(v4.get(), &QTcpServer::newConnection, this, [this, server = v4.get()] { accept(server); });
    m_v4 = std::move(v4);

    // Tools whose "localhost" is ::1 reach the same port; without IPv6 the IPv4 listener is enough.
    auto v6 = std::make_unique<QTcpServer>();
    v6->setListenBacklogSize(1024);
    if (v6->listen(QHostAddress::LocalHostIPv6, m_v4->serverPort())) {
        connect(v6.get(), &QTcpServer::newConnection, this, [this, server = v6.get()] { accept(server); });
        m_v6 = std::move(v6);
    } else {
        qCDebug(lcLocalAPI) << "not listening on ::1:" << v6->errorString();
    }
}

void LocalAPI::stop()
{
    // Accepted connections are not the listeners' children: they finish.
    m_v6.reset();
    m_v4.reset();
}

void LocalAPI::accept(QTcpServer* server)
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        socket->setParent(this);
        if (m_connections.size() >= kMaxConnections) {
            // Oldest first, and only one silent for a while: a request accepted
            // in the same batch has not had its chance to be read yet.
            const Duration now = m_scheduler.now();
            const auto idle = std::find_if(m_connections.begin(), m_connections.end(), [now](const auto& c) {
                return !c->delivered && now - c->acceptedAt >= kSilentBeforeEviction;
            });
            if (idle == m_connections.end()) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            drop(idle->get());
        }
        auto connection = std::make_unique<Connection>();
        Connection* raw = connection.get();
        connection->socket = socket;
        connection->acceptedAt = m_scheduler.now();
        socket->setReadBufferSize(kMaxRequestBytes);
        connection->deadline = m_scheduler.after(kRequestTimeout, [this, raw] { drop(raw); });
        m_connections.push_back(std::move(connection));
        connect(socket, &QTcpSocket::readyRead, this, [this, raw] { receive(raw); });
        connect(socket, &QTcpSocket::disconnected, this, [this, raw] { drop(raw); });
        if (socket->bytesAvailable() > 0)
            receive(raw);
    }
}

bool LocalAPI::holds(const Connection* connection) const
{
    return std::any_of(m_connections.begin(), m_connections.end(),
                       [connection](const auto& c) { return c.get() == connection; });
}

void LocalAPI::receive(Connection* connection)
{
    if (!holds(connection) || connection->delivered || !connection->socket)
        return;
    connection->delivered = true;
    connection->deadline.cancel();
    QTcpSocket* socket = connection->socket;
    std::optional<Response> answered = respondToBytes(socket->read(kMaxRequestBytes), m_queries);
    if (!answered) {
        drop(connection);
        return;
    }
    Response response = std::move(*answered);
    // A command returns before any dialog it opens is answered.
    if (response.command)
        m_sink.perform(*response.command);
    socket->write(reply(response));
    connection->deadline = m_scheduler.after(kReplyTimeout, [this, connection] { drop(connection); });
    // Closes once the reply is written; `disconnected` then lets the connection go.
    socket->disconnectFromHost();
}

void LocalAPI::drop(Connection* connection)
{
    const auto it = std::find_if(m_connections.begin(), m_connections.end(),
                                 [connection](const auto& c) { return c.get() == connection; });
    if (it == m_connections.end())
        return;
    std::unique_ptr<Connection> gone = std::move(*it);
    m_connections.erase(it);
    if (QTcpSocket* socket = gone->socket) {
        QObject::disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
    }
}

} // namespace lumivast
