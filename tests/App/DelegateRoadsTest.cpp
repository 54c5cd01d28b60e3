// Roads through the delegate that a regression in its wiring would break
// without any component test noticing.

#include "CGSBridge/CGSBridge.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/DataFile.h"
#include "Platform/HotKeys.h"
#include "Platform/Sim/SimHotKeys.h"
#include "tests/App/DelegateWiringTest.h"

#include <gtest/gtest.h>

using namespace lumivast;
using test::kControlOption;

namespace {

constexpr quint32 kLeftArrow = 123;
constexpr quint32 kRightArrow = 124;

class DelegateRoadsTest : public test::DelegateOn<test::SimWorldTest> {
protected:
    void launch()
    {
        DelegateOn::launch();
        settle();
    }
    void settle(Duration by = 500ms) { scheduler.advance(by); }
    int currentDesktop() { return delegate->watcher().snapshot().currentSpace()->desktopNumber.value_or(0); }
};

} // namespace

TEST_F(DelegateRoadsTest, BouncedGesturesTurnTheDelegatesSwitchesClassic)
{
    world->dock().bounceNext = 3;
    launch();
    for (int n : {3, 2}) {
        delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(n)));
        settle(1s);
        EXPECT_EQ(currentDesktop(), 1) << "bounced back from " << n;
    }
    EXPECT_TRUE(delegate->switcher().prefersClassicAfterBounces());
    // A third gesture would bounce too; the shortcut press does not.
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(3)));
    settle(1s);
    EXPECT_EQ(currentDesktop(), 3);
    EXPECT_EQ(world->dock().bounceNext, 1);
}

TEST_F(DelegateRoadsTest, OneStepShortcutsGoTheWayTheirArrowsPoint)
{
    launch(); // Desktop 1 of 4, wrapping round on
    world->hotKeyRegistry().press(kRightArrow, kControlOption);
    settle();
    EXPECT_EQ(currentDesktop(), 2);
    world->hotKeyRegistry().press(kRightArrow, kControlOption);
    settle();
    EXPECT_EQ(currentDesktop(), 3);
    world->hotKeyRegistry().press(kLeftArrow, kControlOption);
    settle();
    EXPECT_EQ(currentDesktop(), 2);

    // With the window: the front window goes one desktop the arrow's way.
    world->hotKeyRegistry().press(kRightArrow, kControlOption | HotKeyModifier::shift);
    settle(1s);
    EXPECT_EQ(lastToast().section(QStringLiteral(" to "), -1), QStringLiteral("Desktop 3"));
    world->hotKeyRegistry().press(kLeftArrow, kControlOption | HotKeyModifier::shift);
    settle(1s);
    const int here = currentDesktop();
    EXPECT_EQ(lastToast().section(QStringLiteral(" to "), -1), QStringLiteral("Desktop %1").arg(here - 1));
}

TEST_F(DelegateRoadsTest, QuickSwitchesLandWhereTheLastOneAsked)
{
    launch();
    delegate->handleURL(QStringLiteral("lumivast://switch/2"));
    settle(10ms);
    delegate->handleURL(QStringLiteral("lumivast://switch/3"));
    settle();
    EXPECT_EQ(currentDesktop(), 3);

    // Two quick presses of "one Space left" go two Spaces left.
    world->hotKeyRegistry().press(kLeftArrow, kControlOption);
    settle(10ms);
    world->hotKeyRegistry().press(kLeftArrow, kControlOption);
    settle();
    EXPECT_EQ(currentDesktop(), 1);
}

TEST_F(DelegateRoadsTest, ADisplayThatBrieflyReportsNoSpacesKeepsItsNames)
{
    auto w = worldFrom(R"({
      "displays": [ { "identifier": "Main", "main": true, "current": 1, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982},
                      "spaces": [ {"managedID": 1, "uuid": "S1"}, {"managedID": 2, "uuid": "S2"} ] },
                    { "uuid": "E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B", "current": 5, "frame": {"x": 1512, "y": 0, "w": 1920, "h": 1080},
                      "spaces": [ {"managedID": 5, "uuid": "S5"}, {"managedID": 6, "uuid": "S6"} ] } ]
    })");
    install(w);
    launch();
    delegate->store().setName(QStringLiteral("Mail"), QStringLiteral("S6"));
    delegate->store().setNote(QStringLiteral("inbox zero"), QStringLiteral("S5"));
    settle();

    const auto row = world->displays[1].spaces;
    world->displays[1].spaces.clear();
    world->announceChange(kSpaceEvents[0], false);
    settle(1s); // longer than the store's save delay
    world->displays[1].spaces = row;
    world->announceChange(kSpaceEvents[0], false);
    settle(1s);

    EXPECT_EQ(delegate->store().meta(QStringLiteral("S6")).name, QStringLiteral("Mail"));
    EXPECT_EQ(delegate->store().meta(QStringLiteral("S5")).note, QStringLiteral("inbox zero"));
}

TEST_F(DelegateRoadsTest, UnreadableDataFilesAreNamedOnceAfterLaunchAndInTheDiagnostics)
{
    const QString spaces = AppPaths::file(QStringLiteral("spaces.json"));
    ASSERT_TRUE(DataFile::write(spaces, "{\"S1\": {\"name\": "));
    launch();
    EXPECT_EQ(lastToast(), QStringLiteral("Desktop 1")); // the launch's own HUD first
    settle(3s);
    const std::vector<DataFile::SetAsideFile> files = DataFile::setAsideFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].path, spaces);
    EXPECT_EQ(lastToast(), QStringLiteral("Could not read spaces.json; the unreadable copy was kept as ") + files[0].keptAs);
    EXPECT_TRUE(test::lastHudIsError(delegate->hud()));
    EXPECT_EQ(DataFile::read(files[0].keptAs).bytes, QByteArray("{\"S1\": {\"name\": "));
    EXPECT_TRUE(SettingsTransfer::diagnostics(delegate->watcher().snapshot(), {})
                    .contains(QStringLiteral("Unreadable file: %1, kept as %2").arg(spaces, files[0].keptAs)));

    // Told once; a file found unreadable later gets its own toast.
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(2)));
    settle(3s);
    EXPECT_EQ(lastToast(), QStringLiteral("Desktop 2"));
    const QString layout = AppPaths::file(QStringLiteral("Layouts/Work.json"));
    ASSERT_TRUE(DataFile::write(layout, "not json"));
    EXPECT_FALSE(DataFile::readJson(layout));
    settle(3s);
    EXPECT_TRUE(lastToast().startsWith(QStringLiteral("Could not read Work.json; the unreadable copy was kept as ")))
        << lastToast().toStdString();
}
