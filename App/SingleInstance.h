#pragma once

#include "Platform/Scheduler.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace lumivast {

// One running Lumivast per user. The first instance owns a local socket; a
// later launch hands its URLs (or, without any, a request to reopen) to it and
// exits. Messages that arrive before the program is ready to act on them wait,
// the first instance's own launch URLs ahead of them.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Role { primary, secondary, failed };

    static constexpr std::size_t maxWaitingMessages = 64;
    static constexpr qsizetype maxMessageBytes = 64 * 1024;

    // A socket in the user's runtime folder, named with the user id.
    static QString defaultServerName();

    explicit SingleInstance(QString serverName = defaultServerName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the running instance unless another one answers on the name.
    // `failed`: no server could be set up; the program runs without URL intake.
    Role start();
    Role role() const { return m_role; }
    const QString& serverName() const { return m_serverName; }

    // Secondary: hands one message to the running instance and waits (blocking,
    // up to `timeout`) for its receipt. False when it was not confirmed.
    bool forwardURL(const QString& text, Duration timeout = 2s);
    bool forwardReopen(Duration timeout = 2s);
    // What a second launch hands over: each of its URLs, or a reopen when it has none.
    bool forwardLaunch(const QStringList& urls, Duration timeout = 2s);

    // Primary: what arrives once delivery has started.
    std::function<void(const QString& text)> onURL;
    std::function<void()> onReopen;

    // URLs this instance was launched with; they go first.
    void addLaunchURLs(const QStringList& urls);
    // From now on messages go straight to the callbacks; the waiting ones go now.
    void startDelivery();
    std::size_t waitingCount() const { return m_waiting.size(); }

private:
    struct Message {
        bool reopen = false;
        QString url;
    };

    bool send(const QByteArray& line, Duration timeout);
    void accept();
    void read(QLocalSocket* socket);
    void receive(Message message);
    void deliver(const Message& message);

    QString m_serverName;
    Role m_role = Role::failed;
    QLocalServer* m_server = nullptr;
    bool m_delivering = false;
    std::vector<Message> m_waiting;
};

} // namespace lumivast
