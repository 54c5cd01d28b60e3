#include "Platform/Lifetime.h"

#include "Platform/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <QString>

#include <future>
#include <optional>
#include <thread>
#include <vector>

using namespace lumivast;

TEST(LifetimeTest, PostedWorkRunsOnTheMainThreadOnlyWhileTheOwnerLives)
{
    VirtualScheduler scheduler;
    std::vector<int> ran;
    auto owner = std::make_unique<Lifetime>(scheduler);
    owner->post([&] { ran.push_back(1); });
    EXPECT_TRUE(ran.empty()) << "posted work runs later, never inside post";
    scheduler.runPending();
    EXPECT_EQ(ran, std::vector<int>{1});

    owner->post([&] { ran.push_back(2); });
    const auto later = owner->wrap([&](int n) { ran.push_back(n); });
    later(3);
    owner.reset(); // the owner goes before the posted calls run
    later(4);      // and a kept callable is called after it went
    scheduler.runPending();
    EXPECT_EQ(ran, std::vector<int>{1});
}

TEST(LifetimeTest, AWorkerThreadHandsItsAnswerToTheMainThread)
{
    VirtualScheduler scheduler;
    Lifetime owner(scheduler);
    std::vector<std::pair<QString, std::thread::id>> answers;
    const auto answer = owner.wrap([&](const QString& text) { answers.emplace_back(text, std::this_thread::get_id()); });
    std::thread worker([answer] { answer(QStringLiteral("from the worker")); });
    worker.join();
    EXPECT_TRUE(answers.empty());
    scheduler.runPending();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].first, QStringLiteral("from the worker"));
    EXPECT_EQ(answers[0].second, std::this_thread::get_id());
}

TEST(LifetimeTest, AnAnswerAfterTheOwnerWentTouchesNeitherOwnerNorScheduler)
{
    std::function<void(int)> answer;
    bool ran = false;
    {
        auto scheduler = std::make_unique<VirtualScheduler>();
        Lifetime owner(*scheduler);
        answer = owner.wrap([&](int) { ran = true; });
    } // the owner, then the scheduler it posted to, are gone
    std::thread worker([answer] { answer(1); });
    worker.join();
    EXPECT_FALSE(ran);
}

TEST(LifetimeTest, AGuardedCallRunsAtOnceWhileTheOwnerLives)
{
    VirtualScheduler scheduler;
    auto owner = std::make_unique<Lifetime>(scheduler);
    std::vector<int> ran;
    const auto handler = owner->guard([&](int n) { ran.push_back(n); });
    handler(1);
    EXPECT_EQ(ran, std::vector<int>{1});
    owner.reset();
    handler(2);
    EXPECT_EQ(ran, std::vector<int>{1});
}

TEST(LifetimeTest, AGuardedCallMayPostOrEndItsOwnOwner)
{
    VirtualScheduler scheduler;
    auto owner = std::make_unique<Lifetime>(scheduler);
    int posted = 0;
    const auto postAndEnd = owner->guard([&] {
        owner->post([&] { ++posted; }); // as a detector on its own thread hands a result on
        owner.reset();                  // as a handler that closes what registered it
    });
    postAndEnd();
    EXPECT_FALSE(owner);
    scheduler.runPending();
    EXPECT_EQ(posted, 0);
}

TEST(LifetimeTest, TheOwnersEndWaitsForAGuardedCallInProgressElsewhere)
{
    VirtualScheduler scheduler;
    Lifetime owner(scheduler);
    std::promise<void> entered;
    bool finished = false; // written by the call, read after end(): ordered by the end's wait
    const auto handler = owner.guard([&] {
        entered.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(30)); // give end() a chance to run past the call
        finished = true;
    });
    std::thread worker(handler);
    entered.get_future().wait();
    owner.end();
    EXPECT_TRUE(finished);
    worker.join();
    bool after = false;
    std::thread([&] { owner.guard([&] { after = true; })(); }).join();
    EXPECT_FALSE(after);
}
