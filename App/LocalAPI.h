#pragma once

#include "Core/Commands/CommandSink.h"
#include "Core/Commands/SpaceQueries.h"
#include "Platform/Scheduler.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace lumivast {

// A small HTTP/1.1 server on the loopback addresses, on while "localAPI" is:
// GET /spaces answers the exported state, POST /command?url=… (with the
// bearer token) hands a lumivast:// command to the sink. One request per
// connection, answered from the first piece of data that arrives; the replies
// are fixed to the byte. Everything runs on the main thread.
class LocalAPI final : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 kPort = 57301;
    static constexpr qsizetype kMaxRequestBytes = 16384;
    // An idle flood must not lock out a real client: at the cap the oldest
    // connection that has sent nothing makes room for a newcomer.
    static constexpr std::size_t kMaxConnections = 64;
    // How long a connection may stay silent before a newcomer can take its place.
    static constexpr Duration kSilentBeforeEviction = 1s;
    static constexpr Duration kRequestTimeout = 5s; // from accepting to the request
    static constexpr Duration kReplyTimeout = 5s;   // from queueing the reply to its last byte

    struct Response {
        QByteArray status; // "200 OK"
        QByteArray body;
        std::optional<SpaceCommand> command; // handed to the sink before the reply goes out
    };

    // The request text to its reply; pure apart from the two questions it
    // asks only when a route needs them: the state and the token.
    static Response respond(const QString& request, const SpaceQueries& queries);
    // The first piece of data a connection sent (at most kMaxRequestBytes) to
    // its reply; nothing when it is empty or not UTF-8 (the connection is dropped).
    static std::optional<Response> respondToBytes(const QByteArray& data, const SpaceQueries& queries);
    // Status line, the three headers, an empty line and the body, with no line end after it.
    static QByteArray reply(const Response& response);

    // The token in api-token.txt, read at every use; a missing or blank file
    // gets a new one, written 0600 from its first byte.
    static QString token();
    // state.json as it stands, or {} when it cannot be read as UTF-8.
    static QByteArray stateBody();

    LocalAPI(Scheduler& scheduler, CommandSink& sink, const SpaceQueries& queries, quint16 port = kPort,
             QObject* parent = nullptr);
    ~LocalAPI() override;
    LocalAPI(const LocalAPI&) = delete;
    LocalAPI& operator=(const LocalAPI&) = delete;

    // Starts or stops listening after the setting; a failed start is tried
    // again by the next call.
    void refresh();
    bool isListening() const { return m_v4 != nullptr; }
    // The port actually bound (the constructor's 0 picks a free one); 0 when off.
    quint16 serverPort() const;
    std::size_t connectionCount() const { return m_connections.size(); }

private:
    struct Connection;

    void start();
    void stop();
    void accept(QTcpServer* server);
    void receive(Connection* connection);
    void drop(Connection* connection);
    bool holds(const Connection* connection) const;

    Scheduler& m_scheduler;
    CommandSink& m_sink;
    const SpaceQueries& m_queries;
    const quint16 m_port;
    std::unique_ptr<QTcpServer> m_v4;
    std::unique_ptr<QTcpServer> m_v6;
    std::vector<std::unique_ptr<Connection>> m_connections; // oldest first
};

} // namespace lumivast
