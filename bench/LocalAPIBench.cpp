// The local HTTP API on loopback against a bare QTcpServer that answers every
// connection with the same prepared bytes, and under a flood of idle and
// stalled connections. Bounded: a few thousand requests, a few seconds each.

#include "App/LocalAPI.h"
#include "tests/support/RecordingFront.h"
#include "BenchWorld.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/DataFile.h"
#include "Platform/QtScheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

using namespace lumivast;

namespace {

using Clock = std::chrono::steady_clock;

// A state.json as the program writes it for 16 Spaces on two displays.
QByteArray realisticState()
{
    QJsonArray spaces;
    for (int i = 0; i < 16; ++i) {
        QJsonArray apps;
        for (int a = 0; a < 2; ++a)
            apps.append(QJsonObject{{"bundleID", QStringLiteral("org.example.app%1").arg(i * 2 + a)},
                                    {"name", QStringLiteral("Application %1").arg(i * 2 + a)}});
        spaces.append(QJsonObject{{"id", QStringLiteral("A1000000-0000-4000-8000-0000000000%1").arg(i, 2, 10, QLatin1Char('0'))},
                                  {"displayID", i < 8 ? QStringLiteral("Main") : QStringLiteral("E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B")},
                                  {"desktopNumber", i + 1},
                                  {"name", QStringLiteral("Project %1").arg(i + 1)},
                                  {"symbol", QStringLiteral("folder")},
                                  {"color", QStringLiteral("#4A90D9")},
                                  {"isActive", i == 0 || i == 8},
                                  {"isFullscreen", false},
                                  {"apps", apps}});
    }
    QJsonObject root{{"version", 1}, {"generatedAt", QStringLiteral("2026-12-10T12:00:00Z")}, {"spaces", spaces}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

// The program's data and settings in a folder of their own.
struct Environment {
    Environment()
    {
        qputenv("XDG_DATA_HOME", (dir.path() + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toUtf8());
        state = realisticState();
        DataFile::write(AppPaths::file(QStringLiteral("state.json")), state);
        Settings::registerDefaults();
        Settings::defaults().set(Settings::Key::localAPI, true);
    }
    QTemporaryDir dir;
    QByteArray state;
};

Environment& environment()
{
    static Environment e;
    return e;
}

// A bare server: every connection gets the same bytes at its first data, then is closed.
class Baseline final : public QObject {
public:
    explicit Baseline(QByteArray answer) : m_answer(std::move(answer))
    {
        m_server.setListenBacklogSize(1024);
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    socket->write(m_answer);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QTcpServer m_server;
    QByteArray m_answer;
};

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One request on its own connection; the answer's size, or -1.
qsizetype exchange(quint16 port, const QByteArray& request)
{
    const int fd = connectTo(port);
    if (fd < 0)
        return -1;
    if (::send(fd, request.constData(), std::size_t(request.size()), MSG_NOSIGNAL) != request.size()) {
        ::close(fd);
        return -1;
    }
    char buffer[16384];
    qsizetype total = 0;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        total += n;
    }
    ::close(fd);
    return total;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size() - 1) + 0.5))];
}

// Runs the event loop until `done` says so.
void serveUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(1);
    loop.exec();
}

const QByteArray kRequest = "GET /spaces HTTP/1.1\r\nHost: 127.0.0.1:57301\r\n\r\n";
const int kRequestsPerRun = bench::sized(3000, 8);

void throughput(benchmark::State& state, bool baseline)
{
    Environment& env = environment();
    const int clients = int(state.range(0));
    QtScheduler scheduler;
    test::RecordingFront front; // the token and state files, as the program reads them
    front.token = &LocalAPI::token;
    front.state = &LocalAPI::stateBody;
    LocalAPI api(scheduler, front, front, 0);
    Baseline bare(LocalAPI::reply({"200 OK", env.state, std::nullopt}));
    api.refresh();
    const quint16 port = baseline ? bare.port() : api.serverPort();
    const qsizetype expected = LocalAPI::reply({"200 OK", env.state, std::nullopt}).size();

    for (auto _ : state) {
        std::vector<std::vector<double>> latencies(static_cast<std::size_t>(clients));
        std::atomic<int> finished = 0;
        std::atomic<int> failed = 0;
        std::vector<std::thread> threads;
        const auto start = Clock::now();
        for (int c = 0; c < clients; ++c) {
            threads.emplace_back([&, c] {
                for (int i = 0; i < kRequestsPerRun / clients; ++i) {
                    const auto t0 = Clock::now();
                    if (exchange(port, kRequest) != expected)
                        ++failed;
                    latencies[std::size_t(c)].push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
                }
                ++finished;
            });
        }
        serveUntil([&] { return finished == clients; });
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        for (auto& t : threads)
            t.join();
        std::vector<double> all;
        for (const auto& l : latencies)
            all.insert(all.end(), l.begin(), l.end());
        state.counters["req_per_s"] = double(all.size()) / seconds;
        state.counters["p50_us"] = percentile(all, 0.50);
        state.counters["p99_us"] = percentile(all, 0.99);
        state.counters["failed"] = double(failed.load());
    }
}

void BM_LocalAPIThroughput(benchmark::State& state)
{
    throughput(state, false);
}
void BM_BaselineThroughput(benchmark::State& state)
{
    throughput(state, true);
}
BENCHMARK(BM_LocalAPIThroughput)->Arg(1)->Arg(4)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineThroughput)->Arg(1)->Arg(4)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// At least 1,000 idle connections held and more opened all the time, 50
// clients that send one byte and stall, and meanwhile one good client.
void BM_LocalAPIUnderFlood(benchmark::State& state)
{
    Environment& env = environment();
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);

    QtScheduler scheduler;
    test::RecordingFront front; // the token and state files, as the program reads them
    front.token = &LocalAPI::token;
    front.state = &LocalAPI::stateBody;
    LocalAPI api(scheduler, front, front, 0);
    api.refresh();
    const quint16 port = api.serverPort();
    const qsizetype expected = LocalAPI::reply({"200 OK", env.state, std::nullopt}).size();
    const int kGood = bench::sized(2000, 8);
    constexpr std::size_t kIdle = 1000;

    for (auto _ : state) {
        std::atomic<bool> stop = false;
        std::atomic<int> opened = 0;
        std::thread flood([&] {
            std::deque<int> held;
            while (!stop) {
                const int fd = connectTo(port);
                if (fd >= 0) {
                    held.push_back(fd);
                    ++opened;
                }
                if (held.size() > kIdle + 200) { // keep well over a thousand, let the oldest go
                    ::close(held.front());
                    held.pop_front();
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            for (int fd : held)
                ::close(fd);
        });
        std::vector<int> stalled;
        for (int i = 0; i < 50; ++i) {
            const int fd = connectTo(port);
            if (fd >= 0) {
                ::send(fd, "G", 1, MSG_NOSIGNAL);
                stalled.push_back(fd);
            }
        }

        std::vector<double> lags;
        std::size_t most = 0;
        QElapsedTimer tick;
        QTimer loopTimer;
        loopTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&loopTimer, &QTimer::timeout, [&] {
            if (tick.isValid())
                lags.push_back(std::max(0.0, double(tick.nsecsElapsed()) / 1e6 - 10.0));
            tick.restart();
            most = std::max(most, api.connectionCount());
        });
        loopTimer.start(10);

        std::vector<double> good;
        std::atomic<int> answered = 0;
        std::atomic<bool> goodDone = false;
        std::thread client([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the flood is under way
            for (int i = 0; i < kGood; ++i) {
                const auto t0 = Clock::now();
                if (exchange(port, kRequest) == expected)
                    ++answered;
                good.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            goodDone = true;
        });
        serveUntil([&] {
            most = std::max(most, api.connectionCount());
            return bool(goodDone);
        });
        stop = true;
        client.join();
        flood.join();
        for (int fd : stalled)
            ::close(fd);

        state.counters["answered"] = double(answered.load());
        state.counters["of"] = kGood;
        state.counters["p50_ms"] = percentile(good, 0.50);
        state.counters["p99_ms"] = percentile(good, 0.99);
        state.counters["lag_p99_ms"] = percentile(lags, 0.99);
        state.counters["flood_opened"] = double(opened.load());
        state.counters["max_open"] = double(most);
    }
}
BENCHMARK(BM_LocalAPIUnderFlood)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
