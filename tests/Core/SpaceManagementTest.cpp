#include "Core/MissionControl/ManagementQueue.h"
#include "Core/MissionControl/SpaceManagement.h"
#include "Platform/Sim/SimEvents.h"
#include "Platform/Sim/SimMissionControl.h"

#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

using Result = std::expected<void, SpaceManagement::Failure>;

class SpaceManagementTest : public SimWorldTest {
protected:
    SimMissionControl& mc() { return world->missionControl(); }

    void add()
    {
        SpaceManagement::addDesktop(scheduler, [this](Result r) {
            results.push_back(r);
            finishedAt = scheduler.now();
        });
    }
    void remove(int number)
    {
        SpaceManagement::removeDesktop(scheduler, number, [this](Result r) {
            results.push_back(r);
            finishedAt = scheduler.now();
        });
    }
    int escapes() const
    {
        int n = 0;
        for (const auto& p : world->events().posted())
            n += p.event.keyCode == 53 && p.event.type == InputEvent::Type::keyDown && p.tap == EventTap::hid;
        return n;
    }
    std::vector<std::uint64_t> row(std::size_t display = 0) const
    {
        std::vector<std::uint64_t> ids;
        for (const auto& s : world->displays[display].spaces)
            ids.push_back(s.managedID);
        return ids;
    }

    std::vector<Result> results;
    Duration finishedAt{-1};
};

} // namespace

TEST_F(SpaceManagementTest, AddingOpensMissionControlPressesAddAndClosesIt)
{
    add();
    scheduler.advance(5s);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].has_value());
    EXPECT_EQ(world->dockNotifications(), QStringList{"com.apple.expose.awake"});
    EXPECT_EQ(row(), (std::vector<std::uint64_t>{1, 3, 4, 5, 6}));
    // Opened at 0.3 s, found at the first poll (0.35 s), pressed, Escape 0.5 s later.
    EXPECT_EQ(finishedAt, 850ms);
    EXPECT_EQ(escapes(), 1);
    EXPECT_NE(mc().state(), SimMissionControl::State::open);
}

TEST_F(SpaceManagementTest, AlreadyOpenMissionControlIsNotAskedAgain)
{
    mc().openNow();
    add();
    scheduler.advance(5s);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].has_value());
    EXPECT_TRUE(world->dockNotifications().isEmpty());
    EXPECT_EQ(row().size(), 5u);
}

TEST_F(SpaceManagementTest, FailuresAndTheirTexts)
{
    // Without the Dock nothing ever shows: the 21st poll gives up, 2.35 s after the request, and no Escape.
    world->dockPID = 0;
    add();
    scheduler.advance(2349ms);
    EXPECT_TRUE(results.empty());
    scheduler.advance(1ms);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].error(), SpaceManagement::Failure::unavailable);
    EXPECT_EQ(escapes(), 0);

    // No add button: Escape, then noButton.
    world->dockPID = 88;
    mc().addButtonMissing = true;
    add();
    scheduler.advance(5s);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1].error(), SpaceManagement::Failure::noButton);
    EXPECT_EQ(escapes(), 1);

    // No such desktop: Escape, notFound, and the pointer never moved.
    const QPointF pointer = world->pointer;
    remove(9);
    scheduler.advance(5s);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[2].error(), SpaceManagement::Failure::notFound);
    EXPECT_TRUE(world->events().warps().empty());
    EXPECT_EQ(world->pointer, pointer);

    EXPECT_EQ(SpaceManagement::description(SpaceManagement::Failure::unavailable), QStringLiteral("Mission Control could not be opened."));
    EXPECT_EQ(SpaceManagement::description(SpaceManagement::Failure::noButton),
              QStringLiteral("Mission Control's add-desktop button was not found."));
    EXPECT_EQ(SpaceManagement::description(SpaceManagement::Failure::notFound),
              QStringLiteral("That desktop was not found in Mission Control."));
}

TEST_F(SpaceManagementTest, RemovingHoversPressesTheRemoveButtonAndPutsThePointerBack)
{
    world->pointer = QPointF(700, 500);
    remove(2);
    scheduler.advance(1649ms);
    EXPECT_TRUE(results.empty());
    scheduler.advance(1ms); // opened at 0.35 s, closed 0.7 s later, finished 0.6 s after that
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].has_value());
    EXPECT_EQ(row(), (std::vector<std::uint64_t>{1, 4, 5}));
    EXPECT_EQ(world->window(1002)->spaces, (std::vector<std::uint64_t>{1}));
    EXPECT_EQ(world->pointer, QPointF(700, 500));
    EXPECT_EQ(world->events().warps().back(), QPointF(700, 500));
    EXPECT_EQ(escapes(), 1);
    // The remove button was pressed: no click was needed.
    for (const auto& p : world->events().posted())
        EXPECT_NE(p.event.type, InputEvent::Type::leftMouseDown);
}

TEST_F(SpaceManagementTest, WithoutAVisibleRemoveButtonItClicksNearTheCorner)
{
    mc().closeButtonHidden = true;
    mc().openNow();
    const QRectF button = *mc().buttonFrame(4);
    remove(3);
    scheduler.advance(5s);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].has_value());
    EXPECT_EQ(row(), (std::vector<std::uint64_t>{1, 3, 5}));
    bool clicked = false;
    for (const auto& p : world->events().posted())
        clicked = clicked || (p.event.type == InputEvent::Type::leftMouseDown && p.event.location == button.topLeft() + QPointF(6, 6));
    EXPECT_TRUE(clicked);
}

TEST_F(SpaceManagementTest, MatchesTheWholeTitleOrTheExitDescription)
{
    // Thirty desktops: "Desktop 30" must not be taken for desktop 3, nor the other way round.
    QString spaces;
    for (int i = 1; i <= 30; ++i)
        spaces += QStringLiteral("%1{\"managedID\": %2}").arg(i > 1 ? "," : "").arg(i * 10);
    const QByteArray json = QStringLiteral(R"({"displays": [{"spaces": [%1]}], "missionControl": {"open": true}})").arg(spaces).toUtf8();
    install(worldFrom(json.constData()));
    remove(3);
    scheduler.advance(5s);
    ASSERT_EQ(results.size(), 1u);
    auto ids = row();
    EXPECT_EQ(ids.size(), 29u);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 30u), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 300u), 1);

    mc().desktopButtons = SimMissionControl::DesktopButtons::exitDescription;
    mc().openNow();
    remove(29); // now the managed number 300
    scheduler.advance(5s);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_TRUE(results[1].has_value());
    ids = row();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 300u), 0);
}

// A request made while another runs waits for it and for Mission Control to
// have closed; requests run in the order they came.
TEST_F(SpaceManagementTest, RequestsRunOneAtATimeInOrder)
{
    ManagementQueue queue(scheduler);
    std::vector<QString> finished;
    const auto note = [&](const char* what) {
        return [&finished, what](Result r) { finished.push_back(QString::fromLatin1(what) + (r ? "" : " failed")); };
    };
    queue.addDesktop(note("add"));
    // As soon as the new desktop is listed: remove Desktop 2, then add once more.
    scheduler.advance(400ms);
    ASSERT_EQ(row(), (std::vector<std::uint64_t>{1, 3, 4, 5, 6}));
    queue.removeDesktop(2, note("remove"));
    queue.addDesktop(note("add again"));
    EXPECT_TRUE(queue.isBusy());
    scheduler.advance(10s);
    EXPECT_EQ(finished, (std::vector<QString>{"add", "remove", "add again"}));
    EXPECT_EQ(row(), (std::vector<std::uint64_t>{1, 4, 5, 6, 7}));
    EXPECT_FALSE(queue.isBusy());
    EXPECT_EQ(escapes(), 3);
    // Each request opened Mission Control anew, after the last one had closed.
    EXPECT_EQ(world->dockNotifications().size(), 3);
}

namespace {

TEST(SpaceManagementRenumbering, LaterDesktopsTakeTheKeysOfTheOnesBeforeThem)
{
    // Two displays; the second holds desktops 3 to 5 and a full-screen Space between them.
    const auto space = [](const char* id, std::optional<int> desktop) {
        Space s;
        s.id = QString::fromLatin1(id);
        s.desktopNumber = desktop;
        s.isFullscreen = !desktop;
        return s;
    };
    SpaceSnapshot before;
    before.displays.push_back(DisplaySpaces{.id = "Main", .spaces = {space("m-1", 1), space("m-2", 2)}});
    before.displays.push_back(
        DisplaySpaces{.id = "Side", .spaces = {space("m-3", 3), space("fs", std::nullopt), space("m-4", 4), space("m-5", 5)}});
    const auto named = [](const char* name) {
        SpaceMeta meta;
        meta.name = QString::fromLatin1(name);
        return meta;
    };
    const SpaceMetaMap metas{{"m-1", named("One")}, {"m-2", named("Two")}, {"m-3", named("Three")},
                             {"fs", named("Film")}, {"m-5", named("Five")}};
    struct Case {
        int removed;
        std::map<QString, QString> names; // key -> name afterwards
    };
    const Case cases[] = {
        {3, {{"m-1", "One"}, {"m-2", "Two"}, {"fs", "Film"}, {"m-4", "Five"}}},
        {4, {{"m-1", "One"}, {"m-2", "Two"}, {"m-3", "Three"}, {"fs", "Film"}, {"m-4", "Five"}}},
        {5, {{"m-1", "One"}, {"m-2", "Two"}, {"m-3", "Three"}, {"fs", "Film"}}},
        {1, {{"m-1", "Two"}, {"m-3", "Three"}, {"fs", "Film"}, {"m-5", "Five"}}},
        {9, {{"m-1", "One"}, {"m-2", "Two"}, {"m-3", "Three"}, {"fs", "Film"}, {"m-5", "Five"}}},
    };
    for (const Case& c : cases) {
        std::map<QString, QString> names;
        for (const auto& [key, meta] : SpaceManagement::metasAfterRemoval(metas, before, c.removed))
            names[key] = meta.name.value_or(QString());
        EXPECT_EQ(names, c.names) << "removing desktop " << c.removed;
    }
}

} // namespace
