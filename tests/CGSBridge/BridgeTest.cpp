#include "CGSBridge/CGSBridge.h"

#include "tests/support/SimWorldTest.h"

#include <QThread>

#include <atomic>
#include <thread>

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

QList<QByteArray> lookupsOf(const SimWorld& world, const QByteArray& fragment)
{
    QList<QByteArray> matching;
    for (const QByteArray& entry : world.lookups()) {
        if (entry.contains(fragment))
            matching.append(entry);
    }
    return matching;
}

const QByteArray kSky = SimWorld::kSkyLightPath;

class BridgeTest : public SimWorldTest {};

struct LookupCase {
    const char* name;
    SimWorld::SkyLight skyLight;
    bool legacyOnly;
    bool missing;
    std::uint64_t expected;
    QList<QByteArray> order;
};

TEST_F(BridgeTest, LooksUpPrimaryThenFallbackInSkyLightThenGlobally)
{
    const LookupCase cases[] = {
        {"primary in SkyLight", SimWorld::SkyLight::Loaded, false, false, 1, {kSky + ":SLSGetActiveSpace"}},
        {"older name only", SimWorld::SkyLight::Loaded, true, false, 1, {kSky + ":SLSGetActiveSpace", kSky + ":CGSGetActiveSpace"}},
        {"missing everywhere", SimWorld::SkyLight::Loaded, false, true, 0,
         {kSky + ":SLSGetActiveSpace", kSky + ":CGSGetActiveSpace", "global:SLSGetActiveSpace", "global:CGSGetActiveSpace"}},
        {"SkyLight cannot be opened", SimWorld::SkyLight::Missing, false, false, 1, {"global:SLSGetActiveSpace"}},
        {"SkyLight cannot be opened, older name", SimWorld::SkyLight::Missing, true, false, 1,
         {"global:SLSGetActiveSpace", "global:CGSGetActiveSpace"}},
        {"SkyLight loaded on demand", SimWorld::SkyLight::Unloaded, false, false, 1, {kSky + ":SLSGetActiveSpace"}},
    };
    for (const LookupCase& c : cases) {
        SCOPED_TRACE(c.name);
        install(SimWorld::defaultWorld());
        world->setSkyLight(c.skyLight);
        if (c.legacyOnly)
            world->useLegacyName("SLSGetActiveSpace");
        if (c.missing)
            world->makeUnavailable("SLSGetActiveSpace");
        EXPECT_EQ(CGSBridgeActiveSpace(), c.expected);
        EXPECT_EQ(lookupsOf(*world, "GetActiveSpace"), c.order);
        if (c.skyLight == SimWorld::SkyLight::Unloaded) {
            EXPECT_TRUE(world->isLoaded(kSky));
        }
        // Looked up once per process, found or not.
        CGSBridgeActiveSpace();
        EXPECT_EQ(lookupsOf(*world, "GetActiveSpace").size(), c.order.size());
    }
}

TEST_F(BridgeTest, PrimaryNameWinsWhenBothExist)
{
    world->registerFunction(kSky, "CGSGetActiveSpace", sysfn::GetActiveSpace([](sysfn::ConnectionID) -> std::uint64_t { return 77; }));
    EXPECT_EQ(CGSBridgeActiveSpace(), 1u);
}

struct NeutralCase {
    const char* name;
    std::uint32_t connection;
    const char* unavailable;
    bool listNull, menuBarNull, activeZero;
};

TEST_F(BridgeTest, ReadsAnswerNeutralValuesWhenSomethingIsMissing)
{
    const NeutralCase cases[] = {
        {"all there", 6401, nullptr, false, false, false},
        {"connection 0", 0, nullptr, true, true, true},
        {"no connection function", 6401, "SLSMainConnectionID", true, true, true},
        {"no list function", 6401, "SLSCopyManagedDisplaySpaces", true, false, false},
        {"no menu-bar function", 6401, "SLSCopyActiveMenuBarDisplayIdentifier", false, true, false},
    };
    for (const NeutralCase& c : cases) {
        SCOPED_TRACE(c.name);
        install(SimWorld::defaultWorld());
        world->connection = c.connection;
        if (c.unavailable)
            world->makeUnavailable(c.unavailable);
        EXPECT_EQ(CGSBridgeCopyManagedDisplaySpaces().isNull(), c.listNull);
        EXPECT_EQ(CGSBridgeCopyActiveMenuBarDisplayIdentifier().isNull(), c.menuBarNull);
        EXPECT_EQ(CGSBridgeActiveSpace() == 0, c.activeZero);
    }
}

TEST_F(BridgeTest, ZeroConnectionIsAskedForAgainAndSkipsTheReadsOwnLookup)
{
    world->connection = 0;
    EXPECT_TRUE(CGSBridgeCopyManagedDisplaySpaces().isNull());
    EXPECT_EQ(world->lookupCount("SLSCopyManagedDisplaySpaces"), 0);
    world->connection = 31;
    EXPECT_EQ(CGSBridgeConnection(), 31u);
    ASSERT_TRUE(CGSBridgeCopyManagedDisplaySpaces().array());
    // The first non-zero id stays.
    world->connection = 32;
    EXPECT_EQ(CGSBridgeConnection(), 31u);
}

struct Received {
    std::vector<std::uint32_t> events;
    std::vector<void*> contexts;
};

void record(std::uint32_t event, void* context)
{
    static_cast<Received*>(context)->events.push_back(event);
    static_cast<Received*>(context)->contexts.push_back(context);
}

TEST_F(BridgeTest, OneFailingRegistrationReportsFalseAndKeepsTheOthers)
{
    world->failingNotificationEvents = {818};
    Received received;
    EXPECT_FALSE(CGSBridgeRegisterSpaceNotifications(&record, &received));
    for (std::uint32_t event : kSpaceEvents)
        world->postWindowServerEvent(event);
    EXPECT_TRUE(received.events.empty()) << "delivered inside the call";
    scheduler.runPending();
    EXPECT_EQ(received.events, (std::vector<std::uint32_t>{1329, 1401, 828, 1322}));
    ASSERT_FALSE(received.contexts.empty());
    EXPECT_EQ(received.contexts.front(), &received);
}

TEST_F(BridgeTest, RegistrationNeedsConnectionAndFunction)
{
    Received received;
    world->connection = 0;
    EXPECT_FALSE(CGSBridgeRegisterSpaceNotifications(&record, &received));
    install(SimWorld::defaultWorld());
    world->makeUnavailable("SLSRegisterConnectionNotifyProc");
    EXPECT_FALSE(CGSBridgeRegisterSpaceNotifications(&record, &received));
    install(SimWorld::defaultWorld());
    EXPECT_TRUE(CGSBridgeRegisterSpaceNotifications(&record, &received));
    world->postWindowServerEvent(1401);
    scheduler.runPending();
    EXPECT_EQ(received.events, (std::vector<std::uint32_t>{1401}));
}

struct ProbeCase {
    const char* name;
    std::vector<QByteArray> unavailable;
    std::vector<QByteArray> legacy;
    std::uint32_t connection;
    bool emptyList;
    std::uint32_t mask;
    bool healthy;
};

TEST_F(BridgeTest, ProbeMask)
{
    const ProbeCase cases[] = {
        {"everything", {}, {}, 6401, false, 0b1111111, true},
        {"older names only", {}, {"SLSCopyManagedDisplaySpaces", "SLSGetActiveSpace", "CGSGetSymbolicHotKeyValue"}, 6401, false, 0b1111111, true},
        {"no connection", {}, {}, 0, false, 0b0111110, false},
        {"empty list", {}, {}, 6401, true, 0b0111111, false},
        {"no list function", {"SLSCopyManagedDisplaySpaces"}, {}, 6401, false, 0b0111101, false},
        {"no menu-bar function", {"SLSCopyActiveMenuBarDisplayIdentifier"}, {}, 6401, false, 0b1111011, true},
        {"no active-Space function", {"SLSGetActiveSpace"}, {}, 6401, false, 0b1110111, true},
        {"no registration", {"SLSRegisterConnectionNotifyProc"}, {}, 6401, false, 0b1101111, true},
        {"no hot-key setter", {"CGSSetSymbolicHotKeyEnabled"}, {}, 6401, false, 0b1011111, true},
        {"no hot-key getter", {"CGSGetSymbolicHotKeyValue"}, {}, 6401, false, 0b1011111, true},
        {"hot-key enabled reader is not probed", {"CGSIsSymbolicHotKeyEnabled"}, {}, 6401, false, 0b1111111, true},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.name);
        install(SimWorld::defaultWorld());
        for (const QByteArray& name : c.unavailable)
            world->makeUnavailable(name);
        for (const QByteArray& name : c.legacy)
            world->useLegacyName(name);
        world->connection = c.connection;
        if (c.emptyList)
            world->spacesListOverride = PlistValue(PlistValue::Array{});
        const CGSBridgeHealth health = CGSBridgeProbe();
        EXPECT_EQ(health.rawValue, c.mask);
        EXPECT_EQ(health.isHealthy(), c.healthy);
    }
}

TEST_F(BridgeTest, ProbeLooksUpAfreshAndFillsOnlyTheSlotsItCalls)
{
    CGSBridgeProbe();
    EXPECT_TRUE(world->isLoaded(kSky));
    EXPECT_EQ(world->lookupCount("SLSMainConnectionID"), 1);
    // Once for the probe's own check, once for the list slot.
    EXPECT_EQ(world->lookupCount("SLSCopyManagedDisplaySpaces"), 2);
    EXPECT_EQ(world->lookupCount("SLSGetActiveSpace"), 1);
    CGSBridgeProbe();
    EXPECT_EQ(world->lookupCount("SLSGetActiveSpace"), 2);
    EXPECT_EQ(world->lookupCount("SLSCopyManagedDisplaySpaces"), 3);
    // The active-Space slot was left alone by the probe.
    CGSBridgeActiveSpace();
    EXPECT_EQ(world->lookupCount("SLSGetActiveSpace"), 3);
}

TEST_F(BridgeTest, ConcurrentFirstUseResolvesOnce)
{
    constexpr int kThreads = 8;
    std::atomic<int> ready{0};
    std::vector<PlistValue> results(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            ++ready;
            while (ready.load() < kThreads) {
            }
            results[std::size_t(i)] = CGSBridgeCopySpacesForWindow(1002);
        });
    }
    for (auto& t : threads)
        t.join();
    for (const PlistValue& result : results)
        EXPECT_EQ(result, PlistValue(PlistValue::Array{PlistValue(3)}));
    EXPECT_EQ(world->lookupCount("SLSCopySpacesForWindows"), 1);
    EXPECT_EQ(world->lookupCount("SLSMainConnectionID"), 1);
}

TEST_F(BridgeTest, SymbolicHotKeysThroughTheirNewerNames)
{
    for (const char* name : {"CGSGetSymbolicHotKeyValue", "CGSIsSymbolicHotKeyEnabled", "CGSSetSymbolicHotKeyEnabled"})
        world->useLegacyName(name);
    std::uint16_t keyCode = 0;
    std::uint32_t modifiers = 0;
    EXPECT_TRUE(CGSBridgeGetSymbolicHotKey(118, &keyCode, &modifiers));
    EXPECT_EQ(keyCode, 18);
    EXPECT_EQ(modifiers, 0x40000u);
    EXPECT_FALSE(CGSBridgeIsSymbolicHotKeyEnabled(122));
    EXPECT_TRUE(CGSBridgeSetSymbolicHotKeyEnabled(122, true));
    EXPECT_TRUE(CGSBridgeIsSymbolicHotKeyEnabled(122));
    EXPECT_FALSE(CGSBridgeGetSymbolicHotKey(200, &keyCode, &modifiers)); // not bound
    EXPECT_FALSE(CGSBridgeSetSymbolicHotKeyEnabled(200, true));
}

TEST_F(BridgeTest, SpacesForWindowNeedsAConnection)
{
    EXPECT_EQ(CGSBridgeCopySpacesForWindow(1001), PlistValue(PlistValue::Array{PlistValue(1)}));
    install(SimWorld::defaultWorld());
    world->connection = 0;
    EXPECT_TRUE(CGSBridgeCopySpacesForWindow(1001).isNull());
    EXPECT_EQ(world->lookupCount("SLSCopySpacesForWindows"), 1);
}

TEST_F(BridgeTest, AccessibilityWindowNumber)
{
    std::uint32_t id = 0;
    EXPECT_FALSE(CGSBridgeAXWindowID(nullptr, &id));
    EXPECT_TRUE(CGSBridgeAXWindowID(world->windowElement(1003), &id));
    EXPECT_EQ(id, 1003u);
    EXPECT_EQ(lookupsOf(*world, "_AXUIElementGetWindow"), QList<QByteArray>{"global:_AXUIElementGetWindow"});
    int unknown = 0;
    EXPECT_FALSE(CGSBridgeAXWindowID(&unknown, &id));
}

TEST_F(BridgeTest, DockNotificationFallsBackToHIServicesOnce)
{
    EXPECT_TRUE(CGSBridgeDockNotify(QStringLiteral("com.apple.expose.awake")));
    EXPECT_EQ(world->dockNotifications(), QStringList{QStringLiteral("com.apple.expose.awake")});
    EXPECT_EQ(lookupsOf(*world, "CoreDock"),
              (QList<QByteArray>{"global:CoreDockSendNotification", SimWorld::kHIServicesPath + ":CoreDockSendNotification"}));

    install(SimWorld::defaultWorld());
    world->makeUnavailable("CoreDockSendNotification");
    EXPECT_FALSE(CGSBridgeDockNotify(QStringLiteral("x")));
    EXPECT_FALSE(CGSBridgeDockNotify(QStringLiteral("x")));
    EXPECT_EQ(world->lookupCount("CoreDockSendNotification"), 2); // the first call only
}

struct Touch {
    std::int32_t count = -1;
    float x = -1, y = -1;
    double timestamp = -1;
    int calls = 0;
};

void onTouch(std::int32_t count, void* context, float x, float y, double timestamp)
{
    auto* t = static_cast<Touch*>(context);
    *t = {count, x, y, timestamp, t->calls + 1};
}

TEST_F(BridgeTest, TouchMonitorAveragesContactsOfEveryTrackpad)
{
    world->trackpadCount = 2;
    Touch touch;
    ASSERT_TRUE(CGSBridgeStartTouchMonitor(&onTouch, &touch));
    ASSERT_TRUE(world->sendContactFrame(0, {{0.2, 0.4}, {0.4, 0.8}}, 12.5));
    EXPECT_EQ(touch.count, 2);
    EXPECT_FLOAT_EQ(touch.x, 0.3f);
    EXPECT_FLOAT_EQ(touch.y, 0.6f);
    ASSERT_TRUE(world->sendContactFrame(1, {}, 13.0));
    EXPECT_EQ(touch.count, 0);
    EXPECT_EQ(touch.x, 0.f);
    EXPECT_EQ(touch.y, 0.f);
    EXPECT_EQ(touch.timestamp, 13.0);
    EXPECT_EQ(touch.calls, 2);
}

TEST_F(BridgeTest, TouchMonitorNeedsFunctionsAndDevices)
{
    Touch touch;
    world->trackpadCount = 0;
    EXPECT_FALSE(CGSBridgeStartTouchMonitor(&onTouch, &touch));
    install(SimWorld::defaultWorld());
    world->makeUnavailable("MTDeviceStart");
    EXPECT_FALSE(CGSBridgeStartTouchMonitor(&onTouch, &touch));
    EXPECT_FALSE(world->sendContactFrame(0, {{0.5, 0.5}}, 1.0));
    EXPECT_EQ(touch.calls, 0);
}

// ---- window moves ----

struct MoveCase {
    const char* name;
    std::vector<QByteArray> unavailable;
    std::uint32_t connection;
    bool expected;
    bool moved;
};

TEST_F(BridgeTest, MoveStrategiesInOrder)
{
    const QByteArray bridged = SimWorld::kBridgedOperationSymbol;
    const MoveCase cases[] = {
        {"bridged", {}, 6401, true, true},
        {"bridged without a connection", {}, 0, true, true},
        {"no bridged, no connection", {bridged}, 0, false, false},
        {"class missing: direct move", {SimWorld::kBridgedOperationClass}, 6401, true, true},
        {"direct move", {bridged}, 6401, true, true},
        {"compat id", {bridged, "SLSMoveWindowsToManagedSpace"}, 6401, true, true},
        {"nothing", {bridged, "SLSMoveWindowsToManagedSpace", "SLSSetWindowListWorkspace"}, 6401, false, false},
    };
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(c.name);
        install(SimWorld::defaultWorld());
        for (const QByteArray& name : c.unavailable)
            world->makeUnavailable(name);
        world->connection = c.connection;
        EXPECT_EQ(CGSBridgeMoveWindowToSpace(1001, 5), c.expected);
        EXPECT_EQ(world->window(1001)->spaces, c.moved ? std::vector<std::uint64_t>{5} : std::vector<std::uint64_t>{1});
        if (c.connection == 0) {
            EXPECT_EQ(world->lookupCount("SLSMoveWindowsToManagedSpace"), 0);
        }
    }
}

TEST_F(BridgeTest, DirectMoveReportsSuccessWhateverTheServerDid)
{
    world->makeUnavailable(SimWorld::kBridgedOperationSymbol);
    EXPECT_TRUE(CGSBridgeMoveWindowToSpace(1001, 999)); // no such Space: nothing moves
    EXPECT_EQ(world->window(1001)->spaces, std::vector<std::uint64_t>{1});
    EXPECT_EQ(world->lookupCount("SLSSpaceSetCompatID"), 0);
}

TEST_F(BridgeTest, FailedCompatMoveStillClearsTheTag)
{
    std::vector<std::pair<std::uint64_t, std::uint32_t>> tags;
    world->registerFunction(SimWorld::kSkyLightPath, "SLSSpaceSetCompatID",
                            sysfn::SpaceSetCompatID([&](sysfn::ConnectionID, std::uint64_t space, std::uint32_t tag) {
                                tags.emplace_back(space, tag);
                                return 0;
                            }));
    world->registerFunction(SimWorld::kSkyLightPath, "SLSSetWindowListWorkspace",
                            sysfn::SetWindowListWorkspace([](sysfn::ConnectionID, const std::uint32_t*, std::int32_t, std::uint32_t) { return 1000; }));
    EXPECT_FALSE(LVMoveCompatID(CGSBridgeConnection(), 1001, 4));
    const std::uint32_t lvl1 = 0x4C564C31;
    EXPECT_EQ(tags, (std::vector<std::pair<std::uint64_t, std::uint32_t>>{{4, lvl1}, {4, 0}}));
}

TEST_F(BridgeTest, OnlyTheFirstImageNamedSkyLightIsSearched)
{
    EXPECT_TRUE(LVMoveBridgedIsAvailable()) << "found in the framework's own symbol table";

    // Another image named ".../SkyLight" loaded before the framework.
    auto shadowed = SimWorld::defaultWorld();
    shadowed->setSkyLight(SimWorld::SkyLight::Unloaded);
    shadowed->addImage("/Applications/Tools/SkyLight", true);
    shadowed->setSkyLight(SimWorld::SkyLight::Loaded);
    install(shadowed);
    EXPECT_FALSE(LVMoveBridgedIsAvailable());
    EXPECT_FALSE(LVMoveBridged(1001, 5));
    EXPECT_EQ(world->window(1001)->spaces, std::vector<std::uint64_t>{1});
}

TEST_F(BridgeTest, ImageWithABadHeaderIsSkipped)
{
    auto w = std::make_shared<SimWorld>();
    w->setSkyLight(SimWorld::SkyLight::Unloaded);
    w->addImage("/Volumes/Broken/SkyLight", true, /*validHeader=*/false);
    w->setSkyLight(SimWorld::SkyLight::Loaded);
    install(w);
    EXPECT_TRUE(LVMoveBridgedIsAvailable());
}

} // namespace
