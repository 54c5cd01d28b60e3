#include "Platform/Sim/SimHotKeys.h"

#include <gtest/gtest.h>

using namespace lumivast;
using Delivery = SimHotKeys::Delivery;
using Kind = SimHotKeys::Call::Kind;

namespace {
constexpr HotKeyID ours{fourCharCode("LVDC"), 7};
} // namespace

TEST(SimHotKeysTest, FourCharCodePacksBigEndian)
{
    EXPECT_EQ(fourCharCode("LVDC"), 0x4C564443u);
    EXPECT_EQ(fourCharCode("keyb"), 0x6B657962u);
}

TEST(SimHotKeysTest, RefusesTakenAndDuplicateCombinationsUntilReleased)
{
    SimHotKeys sim;
    sim.setTaken(48, HotKeyModifier::option);

    EXPECT_EQ(sim.registerHotKey(48, HotKeyModifier::option, ours).error(), HotKeyError::alreadyTaken);
    EXPECT_EQ(sim.registerHotKey(200, 0, ours).error(), HotKeyError::invalid);

    const auto first = sim.registerHotKey(18, 0x1800, ours);
    ASSERT_TRUE(first.has_value());
    EXPECT_NE(*first, HotKeyRef{});
    EXPECT_EQ(sim.registerHotKey(18, 0x1800, {ours.signature, 8}).error(), HotKeyError::alreadyTaken);
    // Same key with other modifiers is another combination.
    EXPECT_TRUE(sim.registerHotKey(18, 0x1A00, ours).has_value());

    EXPECT_TRUE(sim.unregisterHotKey(*first));
    EXPECT_FALSE(sim.unregisterHotKey(*first));
    EXPECT_FALSE(sim.isRegistered(18, 0x1800));
    EXPECT_TRUE(sim.registerHotKey(18, 0x1800, ours).has_value());

    sim.setTaken(48, HotKeyModifier::option, false);
    EXPECT_TRUE(sim.registerHotKey(48, HotKeyModifier::option, ours).has_value());

    const auto calls = sim.calls();
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls[0].kind, Kind::refused);
    EXPECT_EQ(calls[2], (SimHotKeys::Call{Kind::registered, 18, 0x1800, ours}));
    EXPECT_EQ(calls[5], (SimHotKeys::Call{Kind::unregistered, 18, 0x1800, ours}));
}

TEST(SimHotKeysTest, PressesReachNewestHandlerFirstAndFallThroughWhenNotHandled)
{
    SimHotKeys sim;
    std::vector<std::string> seen;
    ASSERT_TRUE(sim.installHandler([&](std::optional<HotKeyID> id) {
        seen.push_back("older:" + std::to_string(id ? id->id : 0));
        return HotKeyEventResult::handled;
    }));
    ASSERT_TRUE(sim.installHandler([&](std::optional<HotKeyID> id) {
        seen.push_back("newer:" + std::to_string(id ? id->id : 0));
        return id && id->id == 7 ? HotKeyEventResult::handled : HotKeyEventResult::notHandled;
    }));
    ASSERT_TRUE(sim.registerHotKey(20, 0x1800, ours).has_value());
    ASSERT_TRUE(sim.registerHotKey(21, 0x1800, {ours.signature, 9}).has_value());

    EXPECT_EQ(sim.press(20, 0x1800), Delivery::handled);
    EXPECT_EQ(sim.press(21, 0x1800), Delivery::handled);
    EXPECT_EQ(sim.press(22, 0x1800), Delivery::none);
    EXPECT_EQ(sim.deliver(std::nullopt), Delivery::handled);
    EXPECT_EQ(seen, (std::vector<std::string>{"newer:7", "newer:9", "older:9", "newer:0", "older:0"}));
    EXPECT_EQ(sim.handlerCount(), 2);
}

TEST(SimHotKeysTest, EventsWithoutTakerAreNotHandledAndFailedInstallsAreCounted)
{
    SimHotKeys sim;
    EXPECT_EQ(sim.deliver(ours), Delivery::notHandled);

    sim.setHandlerInstallFails(true);
    EXPECT_FALSE(sim.installHandler([](std::optional<HotKeyID>) { return HotKeyEventResult::handled; }));
    EXPECT_EQ(sim.handlerCount(), 0);
    EXPECT_EQ(sim.handlerInstallAttempts(), 1);
    EXPECT_EQ(sim.deliver(ours), Delivery::notHandled);
}
