#include "Platform/QtScheduler.h"
#include "Platform/VirtualScheduler.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

using namespace lumivast;

TEST(VirtualScheduler, RunsDueWorkInTimeOrderAndEqualTimesInSchedulingOrder)
{
    VirtualScheduler s;
    std::vector<std::string> log;
    auto c = s.after(30ms, [&] { log.push_back("c@" + std::to_string(s.now().count())); });
    auto a = s.after(10ms, [&] { log.push_back("a@" + std::to_string(s.now().count())); });
    auto b1 = s.after(20ms, [&] { log.push_back("b1"); });
    auto b2 = s.after(20ms, [&] { log.push_back("b2"); });
    auto late = s.after(100ms, [&] { log.push_back("late"); });

    s.advance(25ms);
    EXPECT_EQ(log, (std::vector<std::string>{"a@10", "b1", "b2"}));
    EXPECT_EQ(s.now(), 25ms);
    s.advance(5ms);
    EXPECT_EQ(log.back(), "c@30");
    EXPECT_TRUE(late.isPending());
    EXPECT_FALSE(a.isPending());
}

TEST(VirtualScheduler, CancelAndDroppingTheItemStopTheWork)
{
    VirtualScheduler s;
    int runs = 0;
    auto kept = s.after(10ms, [&] { runs += 1; });
    kept.cancel();
    {
        auto dropped = s.after(10ms, [&] { runs += 10; });
    }
    WorkItem replaced = s.after(10ms, [&] { runs += 100; });
    replaced = s.after(10ms, [&] { runs += 1000; }); // replacing cancels the pending one
    s.advance(1s);
    EXPECT_EQ(runs, 1000);
    EXPECT_EQ(s.pendingCount(), 0u);
}

TEST(VirtualScheduler, RearmMovesTheDueTimeFromNow)
{
    VirtualScheduler s;
    std::vector<long> at;
    auto item = s.after(300ms, [&] { at.push_back(s.now().count()); });
    s.advance(200ms);
    item.rearm(); // debounce: same delay again, from now
    s.advance(200ms);
    EXPECT_TRUE(at.empty());
    s.advance(100ms);
    EXPECT_EQ(at, std::vector<long>{500});
    item.rearm(50ms); // a fired item can be armed again, with a new delay
    s.advance(50ms);
    EXPECT_EQ(at, (std::vector<long>{500, 550}));
}

TEST(VirtualScheduler, WorkScheduledDuringAnAdvanceRunsWhenDueWithinIt)
{
    VirtualScheduler s;
    std::vector<std::string> log;
    WorkItem inner;
    auto outer = s.after(10ms, [&] {
        log.push_back("outer");
        inner = s.after(5ms, [&] { log.push_back("inner@" + std::to_string(s.now().count())); });
        s.post([&] { log.push_back("posted@" + std::to_string(s.now().count())); });
    });
    s.advance(20ms);
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "posted@10", "inner@15"}));
}

TEST(VirtualScheduler, RepeatingWorkRunsEveryIntervalUntilCancelled)
{
    VirtualScheduler s;
    std::vector<long> at;
    WorkItem timer;
    timer = s.every(100ms, [&] {
        at.push_back(s.now().count());
        if (at.size() == 3)
            timer.cancel(); // cancelling from inside its own run
    });
    s.advance(1s);
    EXPECT_EQ(at, (std::vector<long>{100, 200, 300}));
}

TEST(VirtualScheduler, PostFromAnotherThreadOnlyQueues)
{
    VirtualScheduler s;
    std::atomic<int> ranOn{0};
    const auto mainId = std::this_thread::get_id();
    std::thread worker([&] { s.post([&] { ranOn = std::this_thread::get_id() == mainId ? 1 : 2; }); });
    worker.join();
    EXPECT_EQ(ranOn.load(), 0);
    EXPECT_EQ(s.pendingCount(), 1u);
    s.runPending();
    EXPECT_EQ(ranOn.load(), 1);
}

TEST(VirtualScheduler, WallClockMovesWithVirtualTime)
{
    VirtualScheduler s;
    const QDateTime start = s.wallNow();
    s.advance(90s);
    EXPECT_EQ(start.secsTo(s.wallNow()), 90);
}

TEST(QtScheduler, RunsPostedAndDelayedWorkOnTheEventLoop)
{
    QtScheduler s;
    QEventLoop loop;
    std::vector<std::string> log;
    std::thread worker([&] { s.post([&] { log.push_back("posted"); }); });
    worker.join();
    auto cancelled = s.after(5ms, [&] { log.push_back("cancelled"); });
    cancelled.cancel();
    int ticks = 0;
    WorkItem repeat = s.every(2ms, [&] { ++ticks; });
    auto done = s.after(30ms, [&] {
        log.push_back("delayed");
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit); // guard against a hang
    loop.exec();
    EXPECT_EQ(log, (std::vector<std::string>{"posted", "delayed"}));
    EXPECT_GE(ticks, 2);
    EXPECT_GE(s.now().count(), 30);
}
