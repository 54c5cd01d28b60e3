#include "App/SingleInstance.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumivast;

namespace {

// The instance socket's timing as the product defines it, written out so a changed constant fails.
constexpr Duration kReadDeadline = 3s; // for a second launch to send its whole message

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

    // Serves the running instance's loop until `done` or a few seconds passed.
    template <typename Done>
    static void serveUntil(Done done)
    {
        const QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    VirtualScheduler scheduler;
    const QString name = home.path(QStringLiteral("instance.socket"));
    SingleInstance primary{scheduler, name};
    QStringList received;
};

TEST_F(SingleInstanceTest, ASecondLaunchHandsItsURLsAndReopenToTheRunningOne)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    primary.addLaunchURLs({"lumivast://switch/1"});

    const bool forwarded = asSecondLaunch([this] {
        SingleInstance second(scheduler, name);
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
    EXPECT_TRUE(asSecondLaunch([this] { return SingleInstance(scheduler, name).forwardReopen(); }));
    EXPECT_EQ(received, QStringList{"reopen"});
}

TEST_F(SingleInstanceTest, NoRunningInstanceMeansTheLaunchBecomesIt)
{
    // Nobody listens: forwarding is not confirmed.
    EXPECT_FALSE(SingleInstance(scheduler, name).forwardURL("lumivast://switch/3", 200ms));

    // A socket file left by a crashed instance does not stand in the way.
    QFile stale(name);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_EQ(primary.start(), SingleInstance::Role::primary);
    EXPECT_TRUE(asSecondLaunch([this] { return SingleInstance(scheduler, name).start() == SingleInstance::Role::secondary; }));
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

    // The limit holds for a line that arrives whole, newline and all.
    const QByteArray oversized = asSecondLaunch([this] {
        QLocalSocket socket;
        socket.connectToServer(name);
        socket.waitForConnected(2000);
        socket.write("{\"url\": \"lumivast://note/1?text=" + QByteArray(70 * 1024, 'x') + "\"}\n");
        socket.waitForBytesWritten(2000);
        socket.waitForReadyRead(2000);
        return socket.readAll();
    });
    EXPECT_EQ(oversized, QByteArray());
    EXPECT_TRUE(received.isEmpty());

    // A line just within the limit is taken.
    const QString longest = QStringLiteral("lumivast://note/1?text=")
        + QString(SingleInstance::maxMessageBytes - 40, QLatin1Char('y'));
    EXPECT_TRUE(asSecondLaunch([&] { return SingleInstance(scheduler, name).forwardURL(longest); }));
    EXPECT_EQ(received, QStringList{QStringLiteral("url ") + longest});
}

TEST_F(SingleInstanceTest, AtMostSoManyMessagesWaitForLaunch)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    const bool forwarded = asSecondLaunch([this] {
        SingleInstance second(scheduler, name);
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

TEST_F(SingleInstanceTest, ALaunchThatCannotReachTheLockHolderNeverTakesOver)
{
    // Another process holds the lock (stopped, or out of descriptors): its
    // socket does not answer, and it must keep it.
    const int holder = ::open(QFile::encodeName(name + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    QFile socketFile(name);
    ASSERT_TRUE(socketFile.open(QIODevice::WriteOnly));
    socketFile.close();

    SingleInstance late(scheduler, name);
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(late.start(300ms), SingleInstance::Role::blocked);
    EXPECT_GE(waited.elapsed(), 300); // it kept asking until its time limit
    EXPECT_EQ(late.problem(), "another Lumivast is running but did not answer within 0.3 s");
    EXPECT_TRUE(QFile::exists(name));

    // Once the holder is gone, its socket file is a leftover and the next launch runs.
    ::close(holder);
    SingleInstance next(scheduler, name);
    EXPECT_EQ(next.start(300ms), SingleInstance::Role::primary);
}

TEST_F(SingleInstanceTest, AStoppedInstanceKeepsItsPlaceAndTheLaunchIsNotConfirmed)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    // This thread serves no events meanwhile: the running instance is stopped.
    SingleInstance late(scheduler, name);
    EXPECT_EQ(late.start(300ms), SingleInstance::Role::secondary);
    EXPECT_FALSE(late.forwardLaunch({"lumivast://switch/2", "lumivast://switch/3"}, 200ms));
    EXPECT_EQ(primary.role(), SingleInstance::Role::primary);
    // Once it runs again it is still reachable.
    primary.startDelivery();
    EXPECT_TRUE(asSecondLaunch([this] { return SingleInstance(scheduler, name).forwardURL("lumivast://switch/1"); }));
    EXPECT_EQ(received.back(), "url lumivast://switch/1");
}

TEST_F(SingleInstanceTest, OnlyAFolderOfThisUsersAloneHoldsTheSocket)
{
    const auto folder = [this](const QString& relative, mode_t mode) {
        const QString path = home.path(relative);
        EXPECT_EQ(::mkdir(QFile::encodeName(path).constData(), 0700), 0);
        EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        return path;
    };
    // Made here, or made before with the right owner and mode: used.
    const QString fresh = home.path(QStringLiteral("fresh"));
    EXPECT_EQ(SingleInstance::claimPrivateFolder(fresh), QString());
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(fresh).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(SingleInstance::claimPrivateFolder(fresh), QString());

    EXPECT_TRUE(SingleInstance::claimPrivateFolder(folder("open", 0777)).contains(QStringLiteral("mode is 777")));
    EXPECT_TRUE(SingleInstance::claimPrivateFolder(folder("readable", 0755)).contains(QStringLiteral("mode is 755")));
    ASSERT_TRUE(QFile::link(fresh, home.path(QStringLiteral("link"))));
    EXPECT_EQ(SingleInstance::claimPrivateFolder(home.path(QStringLiteral("link"))), "it is a symbolic link");
    QFile plain(home.path(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_EQ(SingleInstance::claimPrivateFolder(plain.fileName()), "it is not a folder");
    if (::geteuid() == 0) {
        const QString foreign = folder(QStringLiteral("foreign"), 0700);
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        EXPECT_TRUE(SingleInstance::claimPrivateFolder(foreign).contains(QStringLiteral("belongs to user id 65534")));
    }

    // Without a runtime folder, one another user made first at the fallback place is refused.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray temp = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", home.path().toUtf8());
    const QString fallback = home.path(QStringLiteral("lumivast-%1").arg(::geteuid()));
    folder(QStringLiteral("lumivast-%1").arg(::geteuid()), 0777);
    const SingleInstance::Folder refused = SingleInstance::privateFolder();
    EXPECT_EQ(refused.path, QString());
    EXPECT_TRUE(refused.error.contains(fallback)) << refused.error.toStdString();
    ASSERT_TRUE(QDir(fallback).removeRecursively());
    EXPECT_EQ(SingleInstance::privateFolder().path, fallback);
    // A runtime folder that is not private counts as none.
    qputenv("XDG_RUNTIME_DIR", folder(QStringLiteral("shared-runtime"), 0777).toUtf8());
    EXPECT_EQ(SingleInstance::privateFolder().path, fallback);
    qputenv("XDG_RUNTIME_DIR", fresh.toUtf8());
    EXPECT_EQ(SingleInstance::privateFolder().path, fresh);
    runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
    temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temp);
}

TEST_F(SingleInstanceTest, TheSocketAndItsLockAreTheUsersAloneWhateverTheUmask)
{
    // The folder is private already; the socket's own bits hold where that folder is not.
    const mode_t umask = ::umask(0);
    const SingleInstance::Role role = primary.start();
    ::umask(umask);
    ASSERT_EQ(role, SingleInstance::Role::primary);
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(name).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u) << "socket mode " << std::oct << (info.st_mode & 07777);
    ASSERT_EQ(::lstat(QFile::encodeName(name + QStringLiteral(".lock")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "lock mode " << std::oct << (info.st_mode & 07777);
}

TEST_F(SingleInstanceTest, LaunchesOfAnotherUserAreDropped)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    primary.startDelivery();
    primary.acceptOnlyUser(::geteuid() + 1);
    EXPECT_FALSE(asSecondLaunch([this] { return SingleInstance(scheduler, name).forwardURL("lumivast://switch/2", 500ms); }));
    EXPECT_TRUE(received.isEmpty());
    EXPECT_EQ(primary.openConnections(), 0u);
}

TEST_F(SingleInstanceTest, IdleConnectionsAreCappedAndClosedAfterTheDeadline)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    primary.startDelivery();
    const std::size_t extra = 4;
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (std::size_t i = 0; i < SingleInstance::maxConnections + extra; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(name);
        ASSERT_TRUE(idle.back()->waitForConnected(2000));
    }
    const auto closed = [&] {
        return std::size_t(std::count_if(idle.begin(), idle.end(), [](const auto& socket) {
            return socket->state() == QLocalSocket::UnconnectedState;
        }));
    };
    serveUntil([&] { return closed() == extra; });
    EXPECT_EQ(closed(), extra);
    EXPECT_EQ(primary.openConnections(), SingleInstance::maxConnections);

    scheduler.advance(kReadDeadline - 1ms);
    EXPECT_EQ(primary.openConnections(), SingleInstance::maxConnections);
    scheduler.advance(1ms);
    EXPECT_EQ(primary.openConnections(), 0u);
    serveUntil([&] { return closed() == idle.size(); });
    EXPECT_EQ(closed(), idle.size());

    // Room again for a launch.
    EXPECT_TRUE(asSecondLaunch([this] { return SingleInstance(scheduler, name).forwardURL("lumivast://switch/2"); }));
    EXPECT_EQ(received, QStringList{"url lumivast://switch/2"});
}

} // namespace

TEST_F(SingleInstanceTest, ALinkTooLongToHandOverSaysSoInsteadOfBlamingSilence)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    primary.startDelivery();
    SingleInstance second(scheduler, name);
    const QString huge = QStringLiteral("lumivast://note/1?text=") + QString(70 * 1024, QLatin1Char('x'));
    EXPECT_FALSE(asSecondLaunch([&] { return second.forwardLaunch({huge}); }));
    EXPECT_TRUE(second.problem().contains(QStringLiteral("71 KB long, more than the 64 KB"))) << second.problem().toStdString();
    EXPECT_FALSE(second.problem().contains(QStringLiteral("did not answer")));
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(SingleInstanceTest, ALaunchWhoseDeadlinePassesWhileItsURLRunsDoesNotTakeTheProgramDown)
{
    ASSERT_EQ(primary.start(), SingleInstance::Role::primary);
    primary.startDelivery();
    primary.onURL = [&](const QString& url) {
        received.append(url);
        // The connection goes while its own signal is on the stack; its socket goes later.
        scheduler.advance(kReadDeadline);
    };
    EXPECT_TRUE(asSecondLaunch([&] { return SingleInstance(scheduler, name).forwardURL("lumivast://rename/2"); }));
    serveUntil([&] { return primary.openConnections() == 0; });
    EXPECT_EQ(received, QStringList{"lumivast://rename/2"});
    EXPECT_EQ(primary.openConnections(), 0u);
}

namespace {

struct LaunchRun {
    int code = -1;
    QString err;
};

// The real executable, run with `arguments` and `environment` while this
// thread serves the running instance's loop.
LaunchRun launchExecutable(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../App/lumivast"), arguments);
    const QDeadlineTimer deadline(20000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        process.waitForFinished(10);
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

TEST_F(SingleInstanceTest, ALaunchHandsOverWithoutOpeningADisplayOrLoadingTheGuiLibraries)
{
    const QString runtime = home.path(QStringLiteral("runtime"));
    ASSERT_EQ(SingleInstance::claimPrivateFolder(runtime), QString());
    SingleInstance running(scheduler, SingleInstance::socketPath(runtime));
    running.onURL = [this](const QString& url) { received.append(QStringLiteral("url ") + url); };
    running.onReopen = [this] { received.append(QStringLiteral("reopen")); };
    ASSERT_EQ(running.start(), SingleInstance::Role::primary);
    running.startDelivery();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // A launch that built the program would stop here: no display answers, and x11 is insisted on.
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":64999"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("LUMIVAST_PLATFORM"), QStringLiteral("x11"));
    // The dynamic loader names every library it loads.
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));

    const LaunchRun url = launchExecutable({QStringLiteral("lumivast://switch/2")}, environment);
    EXPECT_EQ(url.code, 0) << url.err.right(2000).toStdString();
    const LaunchRun reopen = launchExecutable({}, environment);
    EXPECT_EQ(reopen.code, 0) << reopen.err.right(2000).toStdString();
    EXPECT_EQ(received, (QStringList{QStringLiteral("url lumivast://switch/2"), QStringLiteral("reopen")}));
    for (const LaunchRun& run : {url, reopen}) {
        EXPECT_TRUE(run.err.contains(QStringLiteral("libQt6Core.so"))) << "the loader's report is missing";
        for (const char* heavy : {"libQt6Gui.so", "libQt6Widgets.so", "libQt6Network.so", "libxcb.so"})
            EXPECT_FALSE(run.err.contains(QLatin1String(heavy))) << heavy << " was loaded to hand a launch over";
    }
}
