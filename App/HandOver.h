#pragma once

#include "Platform/Scheduler.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace lumivast {

// A launch's side of the one-Lumivast-per-user rule, in Qt Core and plain
// system calls only: a launch that finds Lumivast running hands its URLs, or a
// request to reopen, over before it builds any application object or opens a
// display. Whoever holds an exclusive lock on a file beside the socket is the
// running instance, for as long as it lives (see SingleInstance).
class HandOver {
public:
    // held: the lock is this launch's now; running: another instance holds it
    // and answers on the socket; blocked: another holds it but could not be
    // reached within the time limit.
    enum class Claim { held, running, blocked };

    static constexpr qsizetype maxMessageBytes = 64 * 1024;
    // The running instance's answer to each message: taken, or not understood.
    static constexpr char kReceipt[] = "ok\n";
    static constexpr char kRefusal[] = "error\n";
    static constexpr Duration kStartTimeLimit = 5s;

    // What one launch tells the running instance: a URL, or to show itself.
    struct Message {
        bool reopen = false;
        QString url;
        bool operator==(const Message&) const = default;
    };
    // The line a launch sends, newline included.
    static QByteArray encode(const Message& message);
    // What the bytes received so far on one connection hold: not yet a whole
    // line, a line over the limit (the connection is dropped), or a line,
    // which is a message or not understood (nothing).
    struct Reading {
        enum class State { incomplete, oversized, line } state = State::incomplete;
        std::optional<Message> message;
    };
    static Reading read(const QByteArray& received);

    // Where the running instance listens, in the user's private folder.
    static QString socketPath(const QString& folder);

    explicit HandOver(QString socketPath);
    ~HandOver();
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

    // Takes the lock, or finds the instance that holds it. While the holder
    // does not answer, tries again until `timeLimit` has passed.
    Claim claim(Duration timeLimit = kStartTimeLimit);
    // The held lock's descriptor, from now on the caller's to keep (or -1).
    int takeLock();

    // Hands one message to the running instance and waits (blocking, up to
    // `timeout`) for its receipt. False when it was not confirmed.
    bool forwardURL(const QString& text, Duration timeout = 2s);
    bool forwardReopen(Duration timeout = 2s);
    // What a launch hands over: each of its URLs, or a reopen when it has
    // none. Stops at the first that is not confirmed.
    bool forwardLaunch(const QStringList& urls, Duration timeout = 2s);

    // Why the claim is blocked or the last message was not confirmed.
    const QString& problem() const { return m_problem; }
    const QString& socketPath() const { return m_socketPath; }

private:
    bool send(const QByteArray& line, Duration timeout);

    QString m_socketPath;
    QString m_problem;
    int m_lockFile = -1;
};

} // namespace lumivast
