#include "App/AppDelegate.h"
#include "CGSBridge/CGSBridge.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTab.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/HotKeys.h"
#include "Platform/Sim/SimHotKeys.h"
#include "tests/App/DelegateWiringTest.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/FakeStatusItem.h"
#include "tests/support/HudReading.h"
#include "tests/support/OtherSystemParts.h"
#include "tests/support/SimWorldTest.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace lumivast;
using test::kControlOption;
namespace K = Settings::Key;

namespace {

constexpr quint32 kDigit3 = 20;

class AppDelegateTest : public test::SimWorldTest {
protected:
    void launch(QStringList arguments = {QStringLiteral("lumivast")})
    {
        delegate = std::make_unique<AppDelegate>(scheduler, alerts, statusItem, std::move(arguments));
        delegate->applicationDidFinishLaunching();
        settle();
    }
    // Lets the Dock, the watcher's debounce and posted work run.
    void settle(Duration by = 500ms) { scheduler.advance(by); }

    QString lastToast() const { return test::lastHudTitle(delegate->hud()); }
    bool lastToastIsError() const { return test::lastHudIsError(delegate->hud()); }
    QString currentName() { return delegate->store().displayName(*delegate->watcher().snapshot().currentSpace()); }
    int currentDesktop() { return delegate->watcher().snapshot().currentSpace()->desktopNumber.value_or(0); }

    test::FakeAlertService alerts;
    test::FakeStatusItem statusItem;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace

TEST_F(AppDelegateTest, LaunchRunsItsStepsInOrder)
{
    // A bridge without the Spaces list: the warning comes before the shortcuts are registered.
    world->makeUnavailable("SLSCopyManagedDisplaySpaces");
    world->makeUnavailable("CGSCopyManagedDisplaySpaces");
    std::vector<std::size_t> registeredWhileShown;
    alerts.whileShown = [&](const Alert&) { registeredWhileShown.push_back(world->hotKeyRegistry().registrations().size()); };
    launch();

    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("This version of macOS is not fully supported"));
    EXPECT_EQ(alerts.shown[1].messageText, QStringLiteral("Welcome to Lumivast"));
    EXPECT_EQ(registeredWhileShown[0], 0u);
    EXPECT_GT(registeredWhileShown[1], 0u); // onboarding comes last
    EXPECT_TRUE(Settings::defaults().boolValue(K::didShowOnboarding));
}

// The order of what follows each change is behaviour: a part that reads
// another's state runs after it, and the gates stop the rest.
TEST_F(AppDelegateTest, ReactionsToChangesRunInTheirStatedOrder)
{
    launch();
    EXPECT_EQ(delegate->snapshotReactions().names(),
              (QStringList{"status item", "switcher", "forget gone Spaces", "name prompts", "full-screen memory",
                           "display setup", "floating toolbar", "desktop label", "window lists", "settings window",
                           "state export", "first snapshot"}));
    EXPECT_EQ(delegate->activeSpaceReactions().names(),
              (QStringList{"dock guard", "space lock", "focus memory", "space dock", "history", "time tracker",
                           "automation", "log", "switch HUD", "feedback", "previews", "desktop label"}));
    EXPECT_EQ(delegate->settingsReactions().names(),
              (QStringList{"shortcuts", "local API", "touch", "space dock", "edge triggers", "dock guard",
                           "status item", "floating toolbar", "desktop label", "previews"}));
}

TEST_F(AppDelegateTest, HealthyLaunchShowsTheHudForTheCurrentSpaceAndOnboardingOnce)
{
    launch();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Welcome to Lumivast"));
    // The first snapshot counts as a change from no Space.
    EXPECT_EQ(lastToast(), QStringLiteral("Desktop 1"));
    EXPECT_EQ(delegate->history().recent(), QStringList{delegate->watcher().snapshot().currentSpace()->id});

    delegate.reset();
    alerts.shown.clear();
    launch();
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(AppDelegateTest, TheWelcomeComesOnceTheLaunchIsDoneAndTheCurrentSpaceShows)
{
    QString titleWhileWelcomed;
    alerts.whileShown = [&](const Alert&) { titleWhileWelcomed = statusItem.title; };
    delegate = std::make_unique<AppDelegate>(scheduler, alerts, statusItem, QStringList{QStringLiteral("lumivast")});
    delegate->applicationDidFinishLaunching();
    // The launch returns without waiting on the welcome: what comes after it
    // (URLs handed over, the bus) is served while the welcome is up.
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(statusItem.title, QStringLiteral("Desktop 1"));
    scheduler.advance(0ms);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Welcome to Lumivast"));
    EXPECT_EQ(titleWhileWelcomed, QStringLiteral("Desktop 1"));
}

TEST_F(AppDelegateTest, TakenKeysAreReportedOnceALaunchAndNeitherWelcomeNorMenuNamesThem)
{
    constexpr quint32 kTab = 48, kLeft = 123;
    world->hotKeyRegistry().setTaken(kTab, HotKeyModifier::option);
    world->hotKeyRegistry().setTaken(kLeft, kControlOption);
    launch();
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Welcome to Lumivast"));
    EXPECT_FALSE(alerts.shown[0].informativeText.contains(QStringLiteral("Alt+Tab")));
    EXPECT_EQ(alerts.shown[1].messageText, QStringLiteral("Some shortcuts are taken"));
    EXPECT_TRUE(alerts.shown[1].informativeText.contains(QStringLiteral("Overview (Alt+Tab), Ctrl+Alt+Left")));

    statusItem.click(std::nullopt, true);
    ASSERT_FALSE(statusItem.menus.empty());
    const auto& menu = statusItem.menus.back();
    const auto overview = std::find_if(menu.begin(), menu.end(), [](const MenuItem& item) { return item.title == "Show Overview"; });
    ASSERT_NE(overview, menu.end());
    EXPECT_FALSE(overview->hasKey());

    // A settings change that registers again does not ask again.
    Settings::defaults().set(K::navigationShortcuts, false);
    settle();
    Settings::defaults().set(K::navigationShortcuts, true);
    settle();
    EXPECT_EQ(alerts.shown.size(), 2u);
}

TEST_F(AppDelegateTest, GlobalHotKeyRunsTheWholeRoadToTheHud)
{
    launch();
    EXPECT_EQ(currentDesktop(), 1);
    world->hotKeyRegistry().press(kDigit3, kControlOption);
    settle(1s);
    EXPECT_EQ(currentDesktop(), 3);
    EXPECT_EQ(lastToast(), QStringLiteral("Desktop 3"));
    EXPECT_FALSE(lastToastIsError());
    EXPECT_EQ(delegate->history().recent().first(), delegate->watcher().snapshot().currentSpace()->id);
}

TEST_F(AppDelegateTest, SwitchToTheCurrentDesktopGoesBackAndForth)
{
    launch();
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(2)));
    settle();
    ASSERT_EQ(currentDesktop(), 2);
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(2)));
    settle();
    EXPECT_EQ(currentDesktop(), 1);

    Settings::defaults().set(K::backAndForth, false);
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::current()));
    settle();
    EXPECT_EQ(currentDesktop(), 1);
}

TEST_F(AppDelegateTest, DispatcherReportsWhatItCannotFind)
{
    launch();
    const Duration before = delegate->lastLumivastSwitch();
    struct Row {
        QString url;
        QString toast;
    } rows[] = {
        {"lumivast://switch/12", "There is no Desktop 12"},
        {"lumivast://switch?name=Nowhere", "No Space is called Nowhere"},
        {"lumivast://switch?name=", "No Space is called "},
        {"lumivast://frobnicate", "Lumivast does not understand frobnicate"},
        {"lumivast:switch", "Lumivast does not understand lumivast:switch"},
    };
    for (const Row& row : rows) {
        delegate->handleURL(row.url);
        EXPECT_EQ(lastToast(), row.toast) << row.url.toStdString();
        EXPECT_TRUE(lastToastIsError());
    }
    EXPECT_EQ(delegate->lastLumivastSwitch(), before);
    EXPECT_EQ(currentDesktop(), 1);
}

TEST_F(AppDelegateTest, NamesResolveAndRenameAndNoteTrim)
{
    launch();
    delegate->commands().perform(SpaceCommand::rename(SpaceCommand::SpaceRef::number(3), QStringLiteral("  Development \n")));
    delegate->commands().perform(SpaceCommand::rename(SpaceCommand::SpaceRef::number(2), QStringLiteral("Web Dev")));
    delegate->commands().perform(SpaceCommand::note(SpaceCommand::SpaceRef::name("dev"), QStringLiteral(" ship it ")));
    const Space desktop3 = delegate->watcher().snapshot().allSpaces()[2];
    EXPECT_EQ(delegate->store().displayName(desktop3), QStringLiteral("Development"));
    EXPECT_EQ(delegate->store().meta(desktop3.id).note, QStringLiteral("ship it")); // prefix beats substring

    delegate->handleURL("lumivast://switch?name=web");
    settle();
    EXPECT_EQ(currentDesktop(), 2);

    delegate->commands().perform(SpaceCommand::rename(SpaceCommand::SpaceRef::number(3), QStringLiteral("   ")));
    EXPECT_EQ(delegate->store().displayName(desktop3), QStringLiteral("Desktop 3"));
}

TEST_F(AppDelegateTest, StepWrapsOnlyWhenAskedAndStep2DFollowsTheGrid)
{
    launch();
    delegate->commands().perform(SpaceCommand::step(false));
    settle();
    EXPECT_EQ(currentDesktop(), 4); // wrapped from the first to the last
    Settings::defaults().set(K::wrapAround, false);
    delegate->commands().perform(SpaceCommand::step(true));
    settle();
    EXPECT_EQ(currentDesktop(), 4);

    Settings::defaults().set(K::gridColumns, 2);
    delegate->commands().perform(SpaceCommand::step2D(true));
    settle();
    EXPECT_EQ(currentDesktop(), 2);
    delegate->commands().perform(SpaceCommand::step2D(true)); // no row above
    settle();
    EXPECT_EQ(currentDesktop(), 2);
}

TEST_F(AppDelegateTest, QuittingWritesThePendingMetadataAtOnce)
{
    launch();
    delegate->commands().perform(SpaceCommand::rename(SpaceCommand::SpaceRef::number(1), QStringLiteral("Mail")));
    const QString path = AppPaths::file(QStringLiteral("spaces.json"));
    ASSERT_TRUE(delegate->store().isSavePending()); // nothing written before the debounce
    delegate->applicationWillTerminate();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Mail"));
}

TEST(SettingsTabArgument, OnlyTheFirstSettingsArgumentWithAnExactTab)
{
    const struct {
        QStringList args;
        std::optional<SettingsTab> tab;
    } rows[] = {
        {{"lumivast", "--settings", "stats"}, SettingsTab::stats},
        {{"lumivast", "--settings", "Stats"}, std::nullopt},
        {{"lumivast", "--settings", "time"}, std::nullopt},
        {{"lumivast", "--settings"}, std::nullopt},
        {{"lumivast", "--settings", "spaces", "--settings", "backup"}, SettingsTab::spaces},
        {{"lumivast"}, std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(settingsTabArgument(row.args), row.tab) << row.args.join(' ').toStdString();
}

namespace {

// Adds a desktop at the end of the first display's row, as Mission Control would.
void addDesktop(SimWorld& world, std::uint64_t managedID, const QString& uuid)
{
    world.displays.front().spaces.push_back(SimWorld::SimSpace{managedID, uuid, false, std::nullopt, 0});
    world.announceChange(kSpaceEvents[0], false);
}

} // namespace

TEST_F(AppDelegateTest, NewUnnamedSpacesArePromptedOneAfterAnother)
{
    launch();
    alerts.shown.clear();
    alerts.answers = {AlertAnswer{0, QStringLiteral("  Chat "), false}, AlertAnswer{1, QString(), false}};
    addDesktop(*world, 70, "NEW-A");
    addDesktop(*world, 71, "NEW-B");
    settle(100ms);
    EXPECT_EQ(delegate->namePromptQueue(), (QStringList{"NEW-A", "NEW-B"}));
    EXPECT_TRUE(alerts.shown.empty()); // the prompt waits 0.8 s
    settle(1s);
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Name this new Space?"));
    EXPECT_EQ(alerts.shown[0].informativeText,
              QStringLiteral("Desktop 5 was just created. A name makes it easy to recognise in the overview and the menu bar."));
    EXPECT_EQ(alerts.shown[0].checkboxLabel, QStringLiteral("Don't ask when new Spaces are created"));
    EXPECT_EQ(alerts.shown[1].buttons, (QStringList{"Save", "Not Now"}));
    EXPECT_EQ(delegate->store().meta("NEW-A").name, QStringLiteral("Chat"));
    EXPECT_FALSE(delegate->store().meta("NEW-B").name.has_value());
    EXPECT_EQ(Settings::defaults().stringList(K::recentSpaceNames)->first(), QStringLiteral("Chat"));
}

TEST_F(AppDelegateTest, APromptClosesWhenItsSpaceIsNamedMeanwhile)
{
    launch();
    alerts.shown.clear();
    // While the question is up a template names the new Space; the typing would have been "Chat".
    alerts.answers = {AlertAnswer{0, QStringLiteral("Chat"), false}};
    alerts.whileShown = [this](const Alert&) { delegate->store().setName(QStringLiteral("Mail"), QStringLiteral("NEW-A")); };
    addDesktop(*world, 70, "NEW-A");
    settle(2s);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.dismissals, 1);
    EXPECT_EQ(delegate->store().meta("NEW-A").name, QStringLiteral("Mail"));
}

TEST_F(AppDelegateTest, APromptClosesWhenItsDesktopIsRemovedMeanwhile)
{
    launch();
    // The new-Space question and the rename question alike: another tool removes the desktop while it is up.
    const auto removeLast = [this](const Alert&) {
        world->displays.front().spaces.pop_back();
        world->announceChange(kSpaceEvents[0], false);
        settle(200ms);
    };
    alerts.shown.clear();
    alerts.answers = {AlertAnswer{0, QStringLiteral("Chat"), false}};
    alerts.whileShown = removeLast;
    addDesktop(*world, 70, "NEW-A");
    settle(2s);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.dismissals, 1);
    EXPECT_FALSE(delegate->store().meta("NEW-A").name.has_value());

    addDesktop(*world, 71, "NEW-B");
    settle(100ms);
    alerts.answers = {AlertAnswer{0, QStringLiteral("Mail"), false}};
    const Space* added = delegate->watcher().snapshot().space("NEW-B");
    ASSERT_TRUE(added && added->desktopNumber);
    delegate->commands().perform(SpaceCommand::rename(SpaceCommand::SpaceRef::number(*added->desktopNumber), std::nullopt));
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[1].messageText, QStringLiteral("Rename Space"));
    EXPECT_EQ(alerts.dismissals, 2);
    EXPECT_FALSE(delegate->store().meta("NEW-B").name.has_value());
    EXPECT_FALSE(Settings::defaults().stringList(K::recentSpaceNames).value_or(QStringList()).contains("Mail"));
}

TEST_F(AppDelegateTest, WithoutAnyDesktopASwitchSaysWhy)
{
    auto parts = std::make_shared<test::OtherSystemParts>();
    world->systemParts = parts;
    launch();
    // The window manager ends: the system has no desktops and says why.
    parts->noDesktops = QStringLiteral("No window manager is running.");
    for (auto& display : world->displays)
        display.spaces.clear();
    world->announceChange(kSpaceEvents[0], true);
    settle();
    ASSERT_TRUE(delegate->watcher().snapshot().allSpaces().empty());
    for (const QString url : {"lumivast://switch/2", "lumivast://switch?name=Mail", "lumivast://move-window/2"}) {
        delegate->handleURL(url);
        settle();
        EXPECT_EQ(lastToast(), QStringLiteral("No window manager is running.")) << url.toStdString();
        EXPECT_TRUE(lastToastIsError());
    }
}

TEST_F(AppDelegateTest, NoPromptWhenAskingIsOffOrTurnedOffByTheBox)
{
    launch();
    alerts.shown.clear();
    Settings::defaults().set(K::askToNameNewSpaces, false);
    addDesktop(*world, 70, "NEW-A");
    settle(2s);
    EXPECT_TRUE(alerts.shown.empty());

    Settings::defaults().set(K::askToNameNewSpaces, true);
    alerts.answers = {AlertAnswer{1, QString(), true}}; // "Not Now" with the box ticked
    addDesktop(*world, 71, "NEW-B");
    addDesktop(*world, 72, "NEW-C");
    settle(2s);
    EXPECT_EQ(alerts.shown.size(), 1u); // NEW-A was known already; NEW-C is dropped
    EXPECT_FALSE(Settings::defaults().boolValue(K::askToNameNewSpaces));
    EXPECT_TRUE(delegate->namePromptQueue().isEmpty());
}

TEST_F(AppDelegateTest, RenameWithoutANameAsksAndOffersRecentNamesFirst)
{
    launch();
    alerts.shown.clear();
    Settings::defaults().set(K::recentSpaceNames, QJsonArray{"Mail", "mail", "Zeta"});
    alerts.answers = {AlertAnswer{0, QStringLiteral("   "), false}};
    delegate->commands().perform(SpaceCommand::rename(SpaceCommand::SpaceRef::number(2), std::nullopt));
    ASSERT_EQ(alerts.shown.size(), 1u);
    const Alert& alert = alerts.shown[0];
    EXPECT_EQ(alert.messageText, QStringLiteral("Rename Space"));
    EXPECT_EQ(alert.informativeText, QStringLiteral("Desktop 2"));
    EXPECT_FALSE(alert.checkboxLabel.has_value());
    ASSERT_TRUE(alert.field);
    EXPECT_EQ(alert.field->text, QString());
    EXPECT_EQ(alert.field->placeholder, QStringLiteral("Name"));
    EXPECT_EQ(alert.field->items.mid(0, 4), (QStringList{"Mail", "mail", "Zeta", "Code"}));
    EXPECT_EQ(alert.field->items.size(), 3 + 15);
    EXPECT_EQ(delegate->store().displayName(delegate->watcher().snapshot().allSpaces()[1]), QStringLiteral("Desktop 2"));
}

TEST_F(AppDelegateTest, SettingsChangesReapplyShortcutsTriggersAndDockProtection)
{
    launch();
    auto registered = [&] { return world->hotKeyRegistry().registrations(); };
    const auto before = registered();
    ASSERT_FALSE(before.empty());
    EXPECT_FALSE(delegate->edgeTriggers().monitorsInstalled());
    EXPECT_FALSE(delegate->dockGuard().monitorInstalled());

    Settings::defaults().set(K::desktopShortcutModifier, QStringLiteral("hyper"));
    Settings::defaults().set(K::hotCorner, QStringLiteral("topLeft"));
    Settings::defaults().set(K::dockClickProtection, true);
    constexpr quint32 kHyper = HotKeyModifier::control | HotKeyModifier::option | HotKeyModifier::command;
    const auto now = registered();
    EXPECT_TRUE(std::any_of(now.begin(), now.end(), [&](const auto& r) { return r.modifiers == kHyper; }));
    EXPECT_TRUE(delegate->edgeTriggers().monitorsInstalled());
    EXPECT_TRUE(delegate->dockGuard().monitorInstalled());

    Settings::defaults().set(K::desktopShortcutModifier, QStringLiteral("off"));
    Settings::defaults().set(K::hotCorner, QStringLiteral("none"));
    EXPECT_LT(registered().size(), before.size());
    EXPECT_FALSE(delegate->edgeTriggers().monitorsInstalled());
}

TEST_F(AppDelegateTest, StateExportIsWrittenOnceAfterABurst)
{
    launch();
    const QString path = AppPaths::file(QStringLiteral("state.json"));
    settle(1s);
    QFile::remove(path);
    for (int i = 0; i < 5; ++i) {
        delegate->commands().perform(SpaceCommand::rename(SpaceCommand::SpaceRef::number(1), QStringLiteral("Name %1").arg(i)));
        settle(100ms);
        EXPECT_FALSE(QFile::exists(path)) << i; // each change re-arms the 0.4 s wait
    }
    settle(400ms);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Name 4"));
}

TEST_F(AppDelegateTest, TheLaunchGoesOnOnceTheBridgeWarningIsDismissed)
{
    world->makeUnavailable("SLSCopyManagedDisplaySpaces");
    world->makeUnavailable("CGSCopyManagedDisplaySpaces");
    alerts.holding = true;
    bool launched = false;
    delegate = std::make_unique<AppDelegate>(scheduler, alerts, statusItem, QStringList{QStringLiteral("lumivast")});
    delegate->applicationDidFinishLaunching([&] { launched = true; });
    settle();
    ASSERT_EQ(alerts.held.size(), 1u);
    EXPECT_FALSE(launched);
    EXPECT_FALSE(delegate->isLaunched());
    EXPECT_TRUE(world->hotKeyRegistry().registrations().empty());

    EXPECT_EQ(alerts.answerHeld(), 1u);
    EXPECT_TRUE(launched);
    EXPECT_TRUE(delegate->isLaunched());
    EXPECT_FALSE(world->hotKeyRegistry().registrations().empty());
}

TEST_F(AppDelegateTest, NamePromptsWaitForEachOtherAndOneAnsweredAfterTheProgramWentIsDropped)
{
    launch();
    alerts.shown.clear();
    alerts.holding = true;
    addDesktop(*world, 70, "NEW-A");
    addDesktop(*world, 71, "NEW-B");
    settle(2s);
    ASSERT_EQ(alerts.held.size(), 1u); // the second waits for the first's answer
    alerts.answers = {AlertAnswer{0, QStringLiteral("Chat"), false}};
    EXPECT_EQ(alerts.answerHeld(), 1u);
    EXPECT_EQ(delegate->store().meta("NEW-A").name, QStringLiteral("Chat"));
    ASSERT_EQ(alerts.held.size(), 1u);
    EXPECT_EQ(alerts.shown.size(), 2u);

    // The program goes while the second is up; its answer, ticking the box, then reaches nobody.
    delegate.reset();
    alerts.answers = {AlertAnswer{0, QStringLiteral("Mail"), true}};
    EXPECT_EQ(alerts.answerHeld(), 1u);
    EXPECT_TRUE(Settings::defaults().boolValue(K::askToNameNewSpaces));
}
