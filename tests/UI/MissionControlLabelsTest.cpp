#include "UI/MissionControl/MissionControlLabels.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/HexColor.h"
#include "Platform/Sim/SimMissionControl.h"
#include "UI/MissionControl/LabelView.h"
#include "tests/Core/WindowWorld.h"

using namespace lumivast;
namespace K = Settings::Key;

namespace {

// The watch's timing as the product defines it, written out so a changed constant fails.
constexpr Duration kIdleInterval = 1000ms; // looking out for Mission Control while it is closed
constexpr Duration kTickInterval = 17ms;   // following its buttons, 1/60 s at a millisecond resolution

// The window world: Main holds S1 (current), S2, S3 and the full-screen F4;
// the second display S5 (current) and S6.
class MissionControlLabelsTest : public test::WindowWorldTest {
protected:
    MissionControlLabelsTest()
    {
        DemoMode::resetForTesting();
        watcher.start();
    }
    ~MissionControlLabelsTest() override { DemoMode::resetForTesting(); }

    SimMissionControl& mc() { return world->missionControl(); }
    const QString& mainID() const { return main; }

    // Mission Control open and the idle look-out having found it.
    void openAndTrack()
    {
        labels.start();
        mc().openNow();
        scheduler.advance(kIdleInterval);
        ASSERT_TRUE(labels.isTracking());
    }
    void nextTick() { scheduler.advance(kTickInterval); }

    const std::vector<LabelPanel::Label>& shown(const QString& display)
    {
        static const std::vector<LabelPanel::Label> none;
        LabelPanel* panel = labels.panel(display);
        return panel ? panel->labels : none;
    }
    const LabelPanel::Label* labelOf(const QString& display, const char* spaceID)
    {
        for (const LabelPanel::Label& l : shown(display)) {
            if (l.id == QLatin1String(spaceID))
                return &l;
        }
        return nullptr;
    }
    // A button's frame in its panel's coordinates: local to the screen, origin bottom left.
    QRectF anchorOf(std::uint64_t managedID, const QRectF& screenTopLeft)
    {
        const QRectF b = *mc().buttonFrame(managedID);
        const double primaryHeight = world->displays.front().frame.height();
        const double screenBottom = primaryHeight - screenTopLeft.bottom(); // the screen's origin, bottom-left coordinates
        return QRectF(b.x() - screenTopLeft.x(), primaryHeight - b.bottom() - screenBottom, b.width(), b.height());
    }

    QString main = QStringLiteral("Main");
    SpaceWatcher watcher{scheduler};
    SpaceStore store{scheduler, AppPaths::file(QStringLiteral("spaces.json"))};
    MissionControlLabels labels{watcher, store, scheduler};
};

} // namespace

TEST_F(MissionControlLabelsTest, ButtonsPairWithTheWholeRowOfTheirOwnDisplay)
{
    store.setName(QStringLiteral("Mail"), space("S1").id);
    store.setColor(QStringLiteral("#FF0000"), space("S3").id); // a colour alone: the pill takes the usual name
    store.setName(QStringLiteral("Film"), space("F4").id);
    store.setSymbol(QStringLiteral("star"), space("S6").id);
    openAndTrack();

    // S2 has nothing stored: no pill, but its button is still its own, so S3 gets the third.
    const auto& onMain = shown(mainID());
    ASSERT_EQ(onMain.size(), 3u);
    EXPECT_EQ(onMain[0].id, "S1");
    EXPECT_EQ(onMain[0].name, "Mail");
    EXPECT_TRUE(onMain[0].isActive);
    EXPECT_FALSE(onMain[0].color);
    EXPECT_EQ(onMain[1].id, "S3");
    EXPECT_EQ(onMain[1].name, "Desktop 3");
    EXPECT_EQ(onMain[1].color, colorFromHex(QStringLiteral("#FF0000")));
    EXPECT_FALSE(onMain[1].symbol); // never a default symbol
    EXPECT_EQ(onMain[2].id, "F4");
    EXPECT_EQ(onMain[2].name, "Film");
    const QRectF mainScreen = world->displays[0].frame;
    EXPECT_EQ(onMain[0].anchor, anchorOf(1, mainScreen));
    EXPECT_EQ(onMain[1].anchor, anchorOf(3, mainScreen));
    EXPECT_EQ(onMain[2].anchor, anchorOf(4, mainScreen));
    EXPECT_FALSE(onMain[0].expanded);

    // The second display's bar carries the second display's Spaces, placed on its own screen.
    const auto& onExt = shown(test::kExtDisplay);
    ASSERT_EQ(onExt.size(), 1u);
    EXPECT_EQ(onExt[0].id, "S6");
    EXPECT_EQ(onExt[0].symbol, "star");
    EXPECT_EQ(onExt[0].anchor, anchorOf(6, world->displays[1].frame));
    EXPECT_FALSE(onExt[0].isActive);
    EXPECT_TRUE(labels.panel(mainID())->isVisible());
    EXPECT_TRUE(labels.panel(test::kExtDisplay)->isVisible());
    EXPECT_EQ(labels.panel(mainID())->view().labels, onMain); // the view is handed the same list

    // Once the displays share their Spaces there is one bar: the second display's panel goes away.
    world->displaysHaveSeparateSpaces = false;
    nextTick();
    EXPECT_TRUE(labels.panel(mainID())->isVisible());
    EXPECT_FALSE(labels.panel(test::kExtDisplay)->isVisible());
}

TEST_F(MissionControlLabelsTest, ButtonsPairLeftToRightWhateverOrderTheBarListsThemIn)
{
    store.setName(QStringLiteral("Mail"), space("S1").id);
    store.setName(QStringLiteral("Code"), space("S2").id);
    store.setName(QStringLiteral("Film"), space("F4").id);
    mc().buttonsListedBackwards = true;
    openAndTrack();

    const auto& onMain = shown(mainID());
    ASSERT_EQ(onMain.size(), 3u);
    const QRectF mainScreen = world->displays[0].frame;
    const std::pair<const char*, std::uint64_t> expected[] = {{"S1", 1}, {"S2", 2}, {"F4", 4}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(onMain[i].id, expected[i].first) << i;
        EXPECT_EQ(onMain[i].anchor, anchorOf(expected[i].second, mainScreen)) << expected[i].first;
    }
}

TEST_F(MissionControlLabelsTest, APanelExistsEvenWithNothingToShow)
{
    openAndTrack();
    ASSERT_TRUE(labels.panel(mainID()));
    EXPECT_TRUE(labels.panel(mainID())->isVisible());
    EXPECT_TRUE(shown(mainID()).empty());
}

TEST_F(MissionControlLabelsTest, AnEmptyStoredTextCountsAsStored)
{
    store.setSymbol(QString(), space("S2").id);
    openAndTrack();
    const auto* s2 = labelOf(mainID(), "S2");
    ASSERT_TRUE(s2);
    EXPECT_EQ(s2->name, "Desktop 2");
    EXPECT_EQ(s2->symbol, "");
}

TEST_F(MissionControlLabelsTest, TallButtonsAreExpanded)
{
    store.setName(QStringLiteral("Mail"), space("S1").id);
    openAndTrack();
    for (const bool expanded : {true, false}) {
        mc().expanded = expanded; // 96 pt buttons, or 26 pt
        labels.tick();
        const auto* s1 = labelOf(mainID(), "S1");
        ASSERT_TRUE(s1);
        EXPECT_EQ(s1->anchor.height(), expanded ? SimMissionControl::kExpandedButtonHeight : SimMissionControl::kButtonHeight);
        EXPECT_EQ(s1->expanded, expanded);
    }
}

TEST_F(MissionControlLabelsTest, DemoModeLabelsEveryNumberedDesktopWithItsSample)
{
    home.defaults().set(K::demoMode, true);
    DemoMode::resetForTesting();
    store.setSymbol(QStringLiteral("star"), space("S1").id);
    store.setColor(QStringLiteral("#00FF00"), space("S1").id);
    openAndTrack();
    const auto& onMain = shown(mainID());
    ASSERT_EQ(onMain.size(), 3u); // the full-screen Space has no sample and nothing stored
    for (int i = 0; i < 3; ++i) {
        const DemoMode::Sample& sample = DemoMode::samples()[std::size_t(i)];
        EXPECT_EQ(onMain[std::size_t(i)].name, sample.name);
        EXPECT_EQ(onMain[std::size_t(i)].symbol, sample.symbol);
        EXPECT_EQ(onMain[std::size_t(i)].color, colorFromHex(sample.colorHex));
    }
    // Desktop numbers count across displays, full-screen Spaces aside: S5 is Desktop 4.
    const auto& onExt = shown(test::kExtDisplay);
    ASSERT_EQ(onExt.size(), 2u);
    EXPECT_EQ(onExt[0].name, DemoMode::samples()[3].name);
}

TEST_F(MissionControlLabelsTest, RenamesAndSwitchesShowAtTheNextTick)
{
    store.setName(QStringLiteral("Mail"), space("S1").id);
    openAndTrack();
    EXPECT_FALSE(labelOf(mainID(), "S2"));

    store.setName(QStringLiteral("Code"), space("S2").id);
    nextTick();
    ASSERT_TRUE(labelOf(mainID(), "S2"));
    EXPECT_EQ(labelOf(mainID(), "S2")->name, "Code");
    EXPECT_FALSE(labelOf(mainID(), "S2")->isActive);

    showSpace(2);
    scheduler.advance(SpaceWatcher::kDebounce);
    nextTick();
    EXPECT_TRUE(labelOf(mainID(), "S2")->isActive);
    EXPECT_FALSE(labelOf(mainID(), "S1")->isActive);
    EXPECT_TRUE(labels.isTracking());
}

TEST_F(MissionControlLabelsTest, ClosingEndsTheRunAndClearsThePillsAtOnce)
{
    store.setName(QStringLiteral("Mail"), space("S1").id);
    openAndTrack();
    LabelPanel& panel = *labels.panel(mainID());
    EXPECT_FALSE(panel.view().items().empty());

    // The bars rise 0.5 pt a millisecond: 2 pt since the last tick keeps the run, more ends it.
    mc().close();
    scheduler.advance(4ms);
    labels.tick();
    EXPECT_TRUE(labels.isTracking());
    scheduler.advance(5ms);
    labels.tick();
    EXPECT_FALSE(labels.isTracking());
    EXPECT_FALSE(panel.isVisible());
    EXPECT_TRUE(panel.view().items().empty()); // no fading out
    EXPECT_TRUE(panel.view().order().isEmpty());
    EXPECT_FALSE(panel.view().isAnimating());

    // A broadcast while the bars are still rising starts a run whose first tick does not end it.
    world->distributedNotifications().post(SimMissionControl::kAwakeNotification);
    scheduler.runPending();
    ASSERT_TRUE(mc().barsShown());
    EXPECT_TRUE(labels.isTracking());
    nextTick();
    EXPECT_FALSE(labels.isTracking());

    // Gone altogether: nothing starts again.
    scheduler.advance(3s);
    EXPECT_FALSE(labels.isTracking());
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(MissionControlLabelsTest, ABroadcastBeforeTheBarsIsPickedUpByTheIdleLookOut)
{
    store.setName(QStringLiteral("Mail"), space("S1").id);
    labels.start();
    mc().beginOpening(); // the broadcast goes out at once, the bars come 0.3 s later
    scheduler.runPending();
    EXPECT_FALSE(labels.isTracking()); // the first tick found nothing and ended the run
    scheduler.advance(mc().openDelay);
    ASSERT_TRUE(mc().barsShown());
    EXPECT_FALSE(labels.isTracking());
    scheduler.advance(kIdleInterval - mc().openDelay);
    EXPECT_TRUE(labels.isTracking());
    EXPECT_TRUE(labelOf(mainID(), "S1"));
}

TEST_F(MissionControlLabelsTest, NoRunWithoutTrustAndNoPrompt)
{
    store.setName(QStringLiteral("Mail"), space("S1").id);
    world->accessibilityTrusted = false;
    labels.start();
    mc().beginOpening();
    scheduler.advance(3s);
    EXPECT_TRUE(mc().barsShown());
    EXPECT_FALSE(labels.isTracking());
    EXPECT_FALSE(labels.panel(mainID()));
    EXPECT_EQ(world->accessibilityPrompts(), 0);
}

TEST_F(MissionControlLabelsTest, TheSettingDecidesWhetherARunBeginsButNeverEndsOne)
{
    store.setName(QStringLiteral("Mail"), space("S1").id);
    home.defaults().set(K::missionControlLabels, false);
    labels.start();
    mc().openNow();
    scheduler.advance(3s);
    EXPECT_FALSE(labels.isTracking());

    home.defaults().set(K::missionControlLabels, true);
    scheduler.advance(kIdleInterval);
    ASSERT_TRUE(labels.isTracking());
    home.defaults().set(K::missionControlLabels, false);
    scheduler.advance(1s);
    EXPECT_TRUE(labels.isTracking());
    EXPECT_TRUE(labelOf(mainID(), "S1"));
}

TEST_F(MissionControlLabelsTest, LabelsComeBackAfterTheDockRestarts)
{
    store.setName(QStringLiteral("Mail"), space("S1").id);
    openAndTrack();
    mc().restartDock();
    nextTick();
    EXPECT_FALSE(labels.isTracking());
    scheduler.advance(2s); // idle looks while the Dock's old element is gone
    mc().openNow();
    scheduler.advance(kIdleInterval);
    EXPECT_TRUE(labels.isTracking());
    EXPECT_TRUE(labels.panel(mainID())->isVisible());
    EXPECT_TRUE(labelOf(mainID(), "S1"));
}
