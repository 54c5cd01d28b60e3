#include "Core/Spaces/SpaceWatcher.h"

#include "tests/support/SimWorldTest.h"

#include <QFile>
#include <QTest>

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

const char* kTwoDisplays = R"({
  "displays": [ { "identifier": "Main", "main": true, "current": 1,
                  "spaces": [ {"managedID": 1, "uuid": "A1"}, {"managedID": 2, "uuid": "A2"} ] },
                { "identifier": "EXT", "current": 3,
                  "spaces": [ {"managedID": 3, "uuid": "B1"}, {"managedID": 4, "uuid": "B2"} ] } ]
})";

class SpaceWatcherTest : public SimWorldTest {
protected:
    SpaceWatcherTest()
    {
        install(worldFrom(kTwoDisplays));
        watcher.onSnapshot = [this](const SpaceSnapshot& s) {
            events.push_back(QStringLiteral("snapshot:") + s.currentSpace()->id);
        };
        watcher.onActiveSpaceChange = [this](const std::optional<Space>& from, const Space& to) {
            events.push_back(QStringLiteral("active:%1->%2").arg(from ? from->id : QStringLiteral("none"), to.id));
        };
        QObject::connect(&watcher, &SpaceWatcher::changed, [this] { events.push_back(QStringLiteral("changed")); });
    }

    // Sets a display's current Space without announcing it.
    void setCurrent(const char* display, std::uint64_t managed)
    {
        for (auto& d : world->displays) {
            if (d.identifier == QLatin1String(display))
                d.current = managed;
        }
    }

    SpaceWatcher watcher{scheduler};
    std::vector<QString> events;
};

TEST_F(SpaceWatcherTest, StartPublishesSynchronouslyInOrder)
{
    EXPECT_TRUE(watcher.snapshot().displays.empty());
    watcher.start();
    EXPECT_EQ(events, (std::vector<QString>{"changed", "snapshot:A1", "active:none->A1"}));
    EXPECT_EQ(watcher.snapshot().displays.size(), 2u);
    EXPECT_EQ(world->registrationCount(), 5u);

    watcher.start();
    EXPECT_EQ(world->registrationCount(), 5u);
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(SpaceWatcherTest, BurstOfSignalsGivesOneRefreshAfterTheLast)
{
    watcher.start();
    const int reads = world->spacesListReads();
    setCurrent("Main", 2);
    world->postWindowServerEvent(1401);
    scheduler.advance(10ms);
    world->postWorkspaceEvent(WorkspaceEvent::ActiveSpaceDidChange);
    scheduler.advance(10ms);
    world->postWindowServerEvent(1329);
    scheduler.advance(39ms);
    EXPECT_EQ(world->spacesListReads(), reads);
    scheduler.advance(1ms);
    EXPECT_EQ(world->spacesListReads(), reads + 1);
    scheduler.advance(1000ms);
    EXPECT_EQ(world->spacesListReads(), reads + 1);
    EXPECT_EQ(events.back(), "active:A1->A2");
}

TEST_F(SpaceWatcherTest, EqualDisplaysPublishNothing)
{
    watcher.start();
    events.clear();
    const QDateTime before = watcher.snapshot().timestamp;
    scheduler.advance(5000ms); // a later timestamp, same displays
    world->postWindowServerEvent(1401);
    scheduler.advance(40ms);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(watcher.snapshot().timestamp, before);
}

TEST_F(SpaceWatcherTest, SwitchOnAnotherDisplayIsNoActiveSpaceChange)
{
    watcher.start();
    events.clear();
    ASSERT_TRUE(world->switchSpace("EXT", 4));
    scheduler.advance(40ms);
    EXPECT_EQ(events, (std::vector<QString>{"changed", "snapshot:A1"}));
    EXPECT_EQ(watcher.snapshot().displays[1].activeSpaceID, QString("B2"));
}

TEST_F(SpaceWatcherTest, MenuBarMovingToAnotherDisplay)
{
    watcher.start();
    events.clear();
    world->setMenuBarDisplay("EXT");
    scheduler.advance(40ms);
    EXPECT_EQ(events, (std::vector<QString>{"changed", "snapshot:B1", "active:A1->B1"}));
}

TEST_F(SpaceWatcherTest, NewMenuBarDisplayWithoutActiveSpace)
{
    watcher.start();
    events.clear();
    setCurrent("EXT", 99);
    world->setMenuBarDisplay("EXT");
    watcher.onSnapshot = nullptr;
    scheduler.advance(40ms);
    EXPECT_EQ(events, (std::vector<QString>{"changed"}));
}

TEST_F(SpaceWatcherTest, WorkerThreadNotificationsOnlyQueueWork)
{
    world->notifyFromWorkerThread = true;
    watcher.start();
    events.clear();
    const int reads = world->spacesListReads();
    setCurrent("Main", 2);
    world->postWindowServerEvent(818);
    EXPECT_EQ(world->spacesListReads(), reads);
    EXPECT_EQ(watcher.snapshot().currentSpace()->id, "A1");
    EXPECT_EQ(scheduler.pendingCount(), 2u); // the posted request (and the plist retry)
    scheduler.runPending();
    EXPECT_TRUE(events.empty());
    scheduler.advance(40ms);
    EXPECT_EQ(events, (std::vector<QString>{"changed", "snapshot:A2", "active:A1->A2"}));
}

TEST_F(SpaceWatcherTest, NotificationsAfterTheWatcherIsGoneAreDropped)
{
    world->notifyFromWorkerThread = true;
    {
        SpaceWatcher shortLived(scheduler);
        shortLived.start();
    }
    const int reads = world->spacesListReads();
    world->postWindowServerEvent(1401);
    scheduler.runPending(); // the notification arrives, and leaves nothing behind
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    scheduler.advance(100ms);
    EXPECT_EQ(world->spacesListReads(), reads);
}

QStringList g_messages;
void captureMessages(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_messages << message;
}

TEST_F(SpaceWatcherTest, WithoutWindowServerNotificationsTheWorkspaceStillCounts)
{
    world->failingNotificationEvents = {1401};
    g_messages.clear();
    QtMessageHandler previous = qInstallMessageHandler(captureMessages);
    watcher.start();
    qInstallMessageHandler(previous);
    EXPECT_EQ(g_messages.count("WindowServer notifications unavailable, relying on fallbacks"), 1);

    events.clear();
    world->failingNotificationEvents = {};
    world->switchSpace("Main", 2);
    scheduler.advance(40ms);
    EXPECT_EQ(events.back(), "active:A1->A2");
}

TEST_F(SpaceWatcherTest, WakeAndScreenChangesRequestRefreshes)
{
    watcher.start();
    for (WorkspaceEvent event : {WorkspaceEvent::DidWake, WorkspaceEvent::ScreenParametersDidChange}) {
        const int reads = world->spacesListReads();
        world->postWorkspaceEvent(event);
        scheduler.advance(40ms);
        EXPECT_EQ(world->spacesListReads(), reads + 1);
    }
}

TEST_F(SpaceWatcherTest, NoListKeepsTheCurrentSnapshot)
{
    watcher.start();
    events.clear();
    world->spacesListOverride = PlistValue();
    world->postWindowServerEvent(1401);
    scheduler.advance(40ms);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(watcher.snapshot().displays.size(), 2u);
}

// The preferences file: writes request refreshes; a delete re-arms the watch
// 200 ms later, and a missing file is retried every 2 s.
TEST_F(SpaceWatcherTest, PreferencesFileRoad)
{
    const QString path = world->spacesPreferencesPath();
    ASSERT_FALSE(QFile::exists(path));
    watcher.start();
    events.clear();

    auto fileSignal = [&](const char* expectCurrent) {
        return QTest::qWaitFor([&] {
            scheduler.advance(40ms);
            return watcher.snapshot().currentSpace()->id == QLatin1String(expectCurrent);
        }, 2000);
    };

    world->touchSpacesPreferences(); // the file appears; not watched until the retry
    scheduler.advance(2000ms);
    setCurrent("Main", 2);
    world->touchSpacesPreferences();
    EXPECT_TRUE(fileSignal("A2"));

    ASSERT_TRUE(QFile::remove(path));
    setCurrent("Main", 1);
    EXPECT_TRUE(fileSignal("A1")) << "the delete requests a refresh";
    scheduler.advance(200ms); // re-arm: file missing, retry in 2 s
    world->touchSpacesPreferences();
    scheduler.advance(2000ms);
    setCurrent("Main", 2);
    world->touchSpacesPreferences();
    EXPECT_TRUE(fileSignal("A2")) << "watched again after the retry";
}

} // namespace
