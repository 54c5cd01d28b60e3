#include "Core/Switching/GlobalHotKey.h"
#include "Platform/Sim/SimHotKeys.h"
#include "Platform/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <thread>

using namespace lumivast;
using Delivery = SimHotKeys::Delivery;

namespace {
constexpr quint32 ctrlOpt = HotKeyModifier::control | HotKeyModifier::option;
} // namespace

class GlobalHotKeyTest : public ::testing::Test {
protected:
    // A key whose action counts its runs.
    std::unique_ptr<GlobalHotKey> counting(quint32 keyCode, int& runs)
    {
        return hotKeys.create(keyCode, ctrlOpt, [&runs] { ++runs; });
    }

    SimHotKeys sim;
    VirtualScheduler scheduler;
    GlobalHotKeys hotKeys{sim, scheduler};
};

TEST_F(GlobalHotKeyTest, FirstKeyInstallsTheSharedHandlerOnce)
{
    EXPECT_EQ(sim.handlerInstallAttempts(), 0);
    int runs = 0;
    auto a = counting(18, runs);
    auto b = counting(19, runs);
    auto c = counting(20, runs);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(sim.handlerInstallAttempts(), 1);
    EXPECT_EQ(sim.handlerCount(), 1);
}

TEST_F(GlobalHotKeyTest, RegistersUnderTheSignatureWithIdsThatRefusalsUseUp)
{
    std::vector<std::unique_ptr<GlobalHotKey>> keys;
    for (quint32 code : {18u, 19u, 20u, 21u})
        keys.push_back(hotKeys.create(code, ctrlOpt, [] {}));
    sim.setTaken(23, ctrlOpt);
    EXPECT_EQ(hotKeys.create(23, ctrlOpt, [] {}), nullptr);
    auto sixth = hotKeys.create(22, ctrlOpt, [] {});
    ASSERT_TRUE(sixth);

    EXPECT_EQ(sixth->id(), 6u);
    const auto regs = sim.registrations();
    ASSERT_EQ(regs.size(), 5u);
    const std::vector<quint32> expectedIds = {1, 2, 3, 4, 6};
    for (std::size_t i = 0; i < regs.size(); ++i) {
        EXPECT_EQ(regs[i].id, (HotKeyID{fourCharCode("LVDC"), expectedIds[i]}));
        EXPECT_EQ(regs[i].modifiers, ctrlOpt);
    }
    EXPECT_EQ(keys[3]->id(), 4u);
}

TEST_F(GlobalHotKeyTest, PressRunsTheActionOnceOnTheMainQueueAfterTheHandlerReturned)
{
    int runs = 0;
    auto other = hotKeys.create(19, ctrlOpt, [] { FAIL() << "wrong action"; });
    auto key = counting(18, runs);

    EXPECT_EQ(sim.press(18, ctrlOpt), Delivery::handled);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    scheduler.runPending();
    EXPECT_EQ(runs, 1);
    scheduler.runPending();
    EXPECT_EQ(runs, 1);
}

TEST_F(GlobalHotKeyTest, PressFromAnotherThreadHopsToTheMainQueue)
{
    std::thread::id ranOn;
    auto key = hotKeys.create(18, ctrlOpt, [&] { ranOn = std::this_thread::get_id(); });
    std::thread presser([&] { EXPECT_EQ(sim.press(18, ctrlOpt), Delivery::handled); });
    presser.join();
    EXPECT_EQ(ranOn, std::thread::id{});
    scheduler.runPending();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(GlobalHotKeyTest, ForeignEventsAreLeftToOtherHandlersAndRunNothing)
{
    std::vector<std::optional<HotKeyID>> foreignSeen;
    sim.installHandler([&](std::optional<HotKeyID> id) {
        foreignSeen.push_back(id);
        return HotKeyEventResult::handled;
    });
    int runs = 0;
    auto key = counting(18, runs);
    ASSERT_EQ(key->id(), 1u);

    // Same number as our key, another signature; and an event without a readable id.
    const HotKeyID foreign{fourCharCode("ABCD"), 1};
    EXPECT_EQ(sim.deliver(foreign), Delivery::handled);
    EXPECT_EQ(sim.deliver(std::nullopt), Delivery::handled);
    EXPECT_EQ(foreignSeen, (std::vector<std::optional<HotKeyID>>{foreign, std::nullopt}));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    scheduler.runPending();
    EXPECT_EQ(runs, 0);

    // Our own presses never reach the older handler.
    EXPECT_EQ(sim.press(18, ctrlOpt), Delivery::handled);
    EXPECT_EQ(foreignSeen.size(), 2u);
}

TEST_F(GlobalHotKeyTest, DestroyingUnregistersAndSilencesPendingPresses)
{
    int runs = 0;
    auto key = counting(18, runs);
    EXPECT_EQ(sim.press(18, ctrlOpt), Delivery::handled);
    key.reset();
    scheduler.runPending();
    EXPECT_EQ(runs, 0);

    EXPECT_FALSE(sim.isRegistered(18, ctrlOpt));
    EXPECT_EQ(sim.press(18, ctrlOpt), Delivery::none);
    // The combination is free again.
    auto again = counting(18, runs);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->id(), 2u);
}

TEST_F(GlobalHotKeyTest, ActionMayDestroyItsOwnKeyWhileRunning)
{
    struct Probe {};
    auto probe = std::make_shared<Probe>();
    std::weak_ptr<Probe> watch = probe;
    std::unique_ptr<GlobalHotKey> key;
    bool stillAlive = false;
    key = hotKeys.create(18, ctrlOpt, [&key, &stillAlive, &watch, probe] {
        // Only locals after the reset: the captures are what is being checked.
        bool* alive = &stillAlive;
        const std::weak_ptr<Probe>* observed = &watch;
        key.reset();
        // The captures outlive the key's stored action while the action runs.
        *alive = !observed->expired();
    });
    probe.reset();
    ASSERT_TRUE(key);

    sim.press(18, ctrlOpt);
    scheduler.runPending();
    EXPECT_EQ(key, nullptr);
    EXPECT_TRUE(stillAlive);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(sim.isRegistered(18, ctrlOpt));
}

TEST_F(GlobalHotKeyTest, FailedHandlerInstallRefusesKeysAndIsRetried)
{
    sim.setHandlerInstallFails(true);
    int runs = 0;
    EXPECT_EQ(counting(18, runs), nullptr);
    EXPECT_FALSE(sim.isRegistered(18, ctrlOpt));

    sim.setHandlerInstallFails(false);
    auto key = counting(18, runs);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->id(), 2u);
    EXPECT_EQ(sim.handlerInstallAttempts(), 2);
    sim.press(18, ctrlOpt);
    scheduler.runPending();
    EXPECT_EQ(runs, 1);
}
