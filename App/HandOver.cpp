#include "App/HandOver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace lumivast {

namespace {

constexpr Duration kConnectTimeout = 500ms;
constexpr Duration kRetryPause = 50ms;

int milliseconds(Duration d)
{
    return int(std::clamp<Duration::rep>(d.count(), 0, 60'000));
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// A launch's end of the socket, in plain system calls: a launch that hands
// over does so before any application object or event loop exists.
class LaunchSocket {
public:
    // Connected when someone listens at `path` before `deadline`.
    LaunchSocket(const QString& path, const QDeadlineTimer& deadline)
    {
        const QByteArray encoded = QFile::encodeName(path);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        if (std::size_t(encoded.size()) >= sizeof address.sun_path)
            return;
        std::memcpy(address.sun_path, encoded.constData(), std::size_t(encoded.size()));
        for (;;) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0)
                return;
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
                m_fd = fd;
                return;
            }
            const int error = errno;
            ::close(fd);
            // A full backlog clears as the listener accepts; anything else means nobody listens.
            if ((error != EAGAIN && error != EINTR) || deadline.hasExpired())
                return;
            QThread::msleep(std::min<qint64>(10, deadline.remainingTime()));
        }
    }
    ~LaunchSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LaunchSocket(const LaunchSocket&) = delete;
    LaunchSocket& operator=(const LaunchSocket&) = delete;

    bool connected() const { return m_fd >= 0; }

    bool writeAll(const QByteArray& bytes, const QDeadlineTimer& deadline)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            // A peer that went away must not end this process with SIGPIPE.
            const ssize_t n = ::send(m_fd, bytes.constData() + done, std::size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (n > 0)
                done += n;
            else if (n < 0 && errno == EINTR)
                continue;
            else if (n < 0 && errno == EAGAIN && wait(POLLOUT, deadline))
                continue;
            else
                return false;
        }
        return true;
    }

    // What arrives until a newline, the peer's end or the deadline.
    QByteArray readLine(const QDeadlineTimer& deadline)
    {
        QByteArray received;
        char chunk[256];
        while (!received.contains('\n')) {
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n > 0)
                received.append(chunk, n);
            else if (n == 0)
                break;
            else if (errno == EINTR)
                continue;
            else if (errno != EAGAIN || !wait(POLLIN, deadline))
                break;
        }
        return received;
    }

private:
    bool wait(short events, const QDeadlineTimer& deadline)
    {
        for (;;) {
            pollfd entry {m_fd, events, 0};
            const int ready = ::poll(&entry, 1, int(std::max<qint64>(0, deadline.remainingTime())));
            if (ready > 0)
                return true;
            if (ready == 0 || errno != EINTR)
                return false;
        }
    }

    int m_fd = -1;
};

} // namespace

QString HandOver::socketPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("lumivast.socket"));
}

HandOver::HandOver(QString socketPath) : m_socketPath(std::move(socketPath)) {}

HandOver::~HandOver()
{
    if (m_lockFile >= 0)
        ::close(m_lockFile);
}

int HandOver::takeLock()
{
    return std::exchange(m_lockFile, -1);
}

HandOver::Claim HandOver::claim(Duration timeLimit)
{
    // The lock, not an answer on the socket, decides who runs: a running
    // instance that is stopped, busy or out of descriptors does not answer,
    // and must not lose its socket to the next launch.
    const QString lockPath = m_socketPath + QStringLiteral(".lock");
    m_lockFile = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFile < 0) {
        m_problem = QStringLiteral("cannot open %1 (%2)").arg(lockPath, systemError(errno));
        return Claim::blocked;
    }

    const QDeadlineTimer deadline(milliseconds(timeLimit));
    for (;;) {
        if (::flock(m_lockFile, LOCK_EX | LOCK_NB) == 0)
            return Claim::held;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_problem = QStringLiteral("cannot lock %1 (%2)").arg(lockPath, systemError(errno));
            break;
        }
        // The holder may be starting up and not listening yet: ask again until the limit.
        const LaunchSocket probe(m_socketPath,
                                 QDeadlineTimer(std::min<qint64>(milliseconds(kConnectTimeout), deadline.remainingTime())));
        if (probe.connected()) {
            ::close(m_lockFile);
            m_lockFile = -1;
            return Claim::running;
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
    return Claim::blocked;
}

bool HandOver::forwardURL(const QString& text, Duration timeout)
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

bool HandOver::forwardReopen(Duration timeout)
{
    return send(encode(Message{true, {}}), timeout);
}

bool HandOver::forwardLaunch(const QStringList& urls, Duration timeout)
{
    if (urls.isEmpty())
        return forwardReopen(timeout);
    for (const QString& url : urls) {
        if (!forwardURL(url, timeout))
            return false;
    }
    return true;
}

bool HandOver::send(const QByteArray& line, Duration timeout)
{
    m_problem = QStringLiteral("another Lumivast is running but did not answer within %1 s")
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(timeout).count());
    LaunchSocket socket(m_socketPath, QDeadlineTimer(milliseconds(timeout)));
    if (!socket.connected() || !socket.writeAll(line, QDeadlineTimer(milliseconds(timeout))))
        return false;
    const QByteArray reply = socket.readLine(QDeadlineTimer(milliseconds(timeout)));
    if (reply == QByteArrayView(kRefusal))
        m_problem = QStringLiteral("the running Lumivast did not understand what this launch handed over");
    if (reply != QByteArrayView(kReceipt))
        return false;
    m_problem.clear();
    return true;
}

QByteArray HandOver::encode(const Message& message)
{
    const QJsonObject object = message.reopen ? QJsonObject{{QStringLiteral("reopen"), true}}
                                              : QJsonObject{{QStringLiteral("url"), message.url}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

HandOver::Reading HandOver::read(const QByteArray& received)
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

} // namespace lumivast
