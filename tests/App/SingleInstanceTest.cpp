#include "App/SingleInstance.h"
#include "tests/support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>

using namespace lumivast;

namespace {

class SingleInstanceTest : public test::TempHomeTest {
protected:
    SingleInstanceTest()
    {
        primary.onURL = [this](const QString& url) { received.append(QStringLiteral("url ") + url); };
        primary.onReopen = [this] { received.append(QStringLiteral("reopen")); };
    }

    // Runs `work` as a second launch would (its own thread, blocking calls)
    // while this thread serves the running instance's event loop.
    template <typename Work>
    auto asSecondLaunch(Work work) -> decltype(work())
    {
        std::optional<decltype(work())> result;
        std::unique_ptr<QThread> thread(QThread::create([&] { result = work(); }));
        thread->start();
        const QDeadlineTimer deadline(10000);
        while (!thread->isFinished() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        thread->wait();
        QCoreApplication::processEvents();
        return *result;
    }

    const QString name = home.path(QStringLiteral("instance.socket"));
    SingleInstance primary{name};
    QStringList received;
};

TEST_F(SingleInstanceTest, ASecondLaunchHandsItsURLsAndReopenToTheRunningOne)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    primary.addLaunchURLs({"lumivast://switch/1"});

    const bool forwarded = asSecondLaunch([this] {
        SingleInstance second(name);
        return second.start() == SingleInstance::Role::secondary
            && second.forwardLaunch({"lumivast://switch/3", QString::fromUtf8("lumivast://rename?name=Caf\u00e9\nline")})
            && second.forwardLaunch({});
    });
    EXPECT_TRUE(forwarded);
    // Nothing acts before the program is ready; then the launch's own URL goes first.
    EXPECT_TRUE(received.isEmpty());
    EXPECT_EQ(primary.waitingCount(), 4u);
    primary.startDelivery();
    EXPECT_EQ(received, (QStringList{"url lumivast://switch/1", "url lumivast://switch/3",
                                     QString::fromUtf8("url lumivast://rename?name=Caf\u00e9\nline"), "reopen"}));

    // Once delivering, each message goes straight through.
    received.clear();
    EXPECT_TRUE(asSecondLaunch([this] { return SingleInstance(name).forwardReopen(); }));
    EXPECT_EQ(received, QStringList{"reopen"});
}

TEST_F(SingleInstanceTest, NoRunningInstanceMeansTheLaunchBecomesIt)
{
    // Nobody listens: forwarding is not confirmed.
    EXPECT_FALSE(SingleInstance(name).forwardURL("lumivast://switch/3", 200ms));

    // A socket file left by a crashed instance does not stand in the way.
    QFile stale(name);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_EQ(primary.start(), SingleInstance::Role::primary);
    EXPECT_TRUE(asSecondLaunch([this] { return SingleInstance(name).start() == SingleInstance::Role::secondary; }));
}

TEST_F(SingleInstanceTest, MessagesItDoesNotUnderstandAreRefused)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    primary.startDelivery();
    const QByteArray reply = asSecondLaunch([this] {
        QLocalSocket socket;
        socket.connectToServer(name);
        socket.waitForConnected(2000);
        socket.write("{\"url\": 3}\n");
        socket.waitForBytesWritten(2000);
        socket.waitForReadyRead(2000);
        return socket.readAll();
    });
    EXPECT_EQ(reply, "error\n");

    // An endless line is cut off instead of being buffered without bound.
    const bool aborted = asSecondLaunch([this] {
        QLocalSocket socket;
        socket.connectToServer(name);
        socket.waitForConnected(2000);
        const QByteArray chunk(16 * 1024, 'x');
        for (int i = 0; i < 16 && socket.state() == QLocalSocket::ConnectedState; ++i) {
            socket.write(chunk);
            socket.waitForBytesWritten(2000);
        }
        return socket.state() != QLocalSocket::ConnectedState || !socket.waitForReadyRead(2000);
    });
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(SingleInstanceTest, AtMostSoManyMessagesWaitForLaunch)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    const bool forwarded = asSecondLaunch([this] {
        SingleInstance second(name);
        bool all = true;
        for (std::size_t i = 0; i < SingleInstance::maxWaitingMessages + 2; ++i)
            all = all && second.forwardURL(QStringLiteral("lumivast://switch/%1").arg(i));
        return all;
    });
    EXPECT_TRUE(forwarded);
    EXPECT_EQ(primary.waitingCount(), SingleInstance::maxWaitingMessages);
    primary.startDelivery();
    ASSERT_EQ(std::size_t(received.size()), SingleInstance::maxWaitingMessages);
    EXPECT_EQ(received.front(), "url lumivast://switch/2"); // the oldest went
}

} // namespace
