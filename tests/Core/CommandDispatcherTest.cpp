#include "Core/Automation/AutomationRunner.h"
#include "Core/Commands/CommandDispatcher.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Profiles/ProfileStore.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/Updater.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceHistory.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Switching/GlobalHotKey.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "Core/Windows/LayoutManager.h"
#include "Core/Windows/SavedSpaces.h"
#include "Core/Windows/Scratchpad.h"
#include "Core/Windows/SpaceMinimizer.h"
#include "Core/Windows/WindowMarks.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/RunningApplications.h"
#include "tests/support/SimWorldTest.h"

#include <gtest/gtest.h>

using namespace lumivast;
using Ref = SpaceCommand::SpaceRef;

namespace {

// The views a command opens, as lines.
class RecordingViews final : public CommandDispatcher::Views {
public:
    void showToast(const QString& message, const QString&, bool isError) override
    {
        calls << (isError ? QStringLiteral("error: ") : QStringLiteral("toast: ")) + message;
    }
    void renameInDialog(const Space& space) override
    {
        calls << QStringLiteral("rename dialog: Desktop %1").arg(space.desktopNumber.value_or(0));
    }
    void toggleOverview() override { calls << QStringLiteral("overview"); }
    void overviewHotKey() override { calls << QStringLiteral("overview key"); }
    void openSettings(const std::optional<QString>& spaceID) override
    {
        calls << QStringLiteral("settings") + (spaceID ? QStringLiteral(": ") + *spaceID : QString());
    }
    void showWindowFinder(bool allSpaces) override
    {
        calls << (allSpaces ? QStringLiteral("windows: all Spaces") : QStringLiteral("windows: this Space"));
    }
    void showLauncher() override { calls << QStringLiteral("launcher"); }
    void runDemoTour() override { calls << QStringLiteral("demo tour"); }
    void offerMoreDesktops(const QString& name, int missing, int applied, std::function<void(bool)> add) override
    {
        calls << QStringLiteral("offer: %1 needs %2 after %3").arg(name).arg(missing).arg(applied);
        answers.push_back(std::move(add));
    }
    void offerLayoutRestore(int windows, std::function<void(bool)> restore) override
    {
        calls << QStringLiteral("offer: restore %1 windows").arg(windows);
        answers.push_back(std::move(restore));
    }

    QStringList calls;
    std::vector<std::function<void(bool)>> answers;
};

// Everything the dispatcher works on, over the simulated world.
class CommandDispatcherTest : public test::SimWorldTest, private CommandDispatcher::Parts {
protected:
    CommandDispatcherTest()
    {
        Settings::registerDefaults();
        watcher.onSnapshot = [this](const SpaceSnapshot& s) { switcher.observe(s); };
        watcher.onActiveSpaceChange = [this](const std::optional<Space>&, const Space& to) { history.visit(to); };
        watcher.start();
        settle();
        history.visit(*watcher.snapshot().currentSpace());
    }
    void settle() { scheduler.advance(500ms); }
    // The window lists, read by their worker.
    void readWindows()
    {
        contents.refresh();
        scheduler.advance(200ms);
        contents.waitForReading();
        scheduler.advance(10ms);
    }
    int currentDesktop() const { return watcher.snapshot().currentSpace()->desktopNumber.value_or(0); }
    QString idOf(int desktop) const { return watcher.snapshot().allSpaces().at(desktop - 1).id; }

    WindowMover& mover() override { return m_mover; }
    LayoutManager& layouts() override { return m_layouts; }
    SavedSpaces& savedSpaces() override { return m_saved; }
    AutomationRunner& automation() override { return m_automation; }
    ProfileStore& profiles() override { return m_profiles; }
    Scratchpad& scratchpad() override { return m_scratchpad; }
    const ShortcutManager* shortcutManager() const override { return nullptr; }
    QByteArray exportedState() const override { return QByteArrayLiteral("{\"spaces\":[]}"); }
    QString localAPIToken() const override { return QStringLiteral("token"); }

    SpaceWatcher watcher{scheduler};
    SpaceStore store{scheduler, AppPaths::file(QStringLiteral("spaces.json"))};
    SpaceSwitcher switcher{scheduler};
    SpaceHistory history;
    SpaceContents contents{scheduler};
    ThumbnailService thumbnails{scheduler, AppPaths::thumbnailsDirectory()};
    SpaceMinimizer minimizer;
    GlobalHotKeys hotKeys{Platform::current().hotKeys(), scheduler};
    WindowMarks marks{scheduler, hotKeys};
    Updater updater{Platform::current().updates()};
    WindowMover m_mover{switcher, scheduler};
    LayoutManager m_layouts{m_mover, contents, scheduler};
    SavedSpaces m_saved{store, contents, scheduler};
    AutomationRunner m_automation{store, scheduler};
    ProfileStore m_profiles{store, scheduler, AppPaths::file(QStringLiteral("profiles.json"))};
    Scratchpad m_scratchpad{m_mover, contents};
    RecordingViews views;
    CommandDispatcher dispatcher{{scheduler, watcher, store, switcher, history, contents, thumbnails, minimizer, marks, updater},
                                 *this,
                                 views};
};

struct CommandRow {
    const char* what;
    SpaceCommand command;
    int desktop;
    QStringList calls;
};

void PrintTo(const CommandRow& row, std::ostream* out)
{
    *out << row.what;
}

class EachCommand : public CommandDispatcherTest, public ::testing::WithParamInterface<CommandRow> {};

} // namespace

// Each command from desktop 1 of four, with no Space visited before: where
// the user ends up, and what is shown or opened.
TEST_P(EachCommand, LandsOnItsSpaceOrItsView)
{
    ASSERT_EQ(watcher.snapshot().allSpaces().size(), 4u);
    const CommandRow& row = GetParam();
    dispatcher.perform(row.command);
    settle();
    EXPECT_EQ(currentDesktop(), row.desktop) << row.what;
    EXPECT_EQ(views.calls, row.calls) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    CommandDispatcher, EachCommand,
    ::testing::Values(
        CommandRow{"switchTo(Ref::number(3))", SpaceCommand::switchTo(Ref::number(3)), 3, {}},
        CommandRow{"switchTo(Ref::current())", SpaceCommand::switchTo(Ref::current()), 1, {}}, // no Space visited before
        CommandRow{"switchTo(Ref::number(12))", SpaceCommand::switchTo(Ref::number(12)), 1, {"error: There is no Desktop 12"}},
        CommandRow{"switchTo(Ref::name('Nowhere'))", SpaceCommand::switchTo(Ref::name("Nowhere")), 1, {"error: No Space is called Nowhere"}},
        CommandRow{"step(false)", SpaceCommand::step(false), 4, {}},
        CommandRow{"step(true)", SpaceCommand::step(true), 2, {}},
        CommandRow{"back()", SpaceCommand::back(), 1, {}},
        CommandRow{"rename(Ref::number(2), std::nullopt)", SpaceCommand::rename(Ref::number(2), std::nullopt), 1, {"rename dialog: Desktop 2"}},
        CommandRow{"rename(Ref::number(7), std::nullopt)", SpaceCommand::rename(Ref::number(7), std::nullopt), 1, {"error: There is no Desktop 7"}},
        CommandRow{"note(Ref::number(7), QStringLiteral('x'))", SpaceCommand::note(Ref::number(7), QStringLiteral("x")), 1, {"error: There is no Desktop 7"}},
        CommandRow{"notes(Ref::number(9))", SpaceCommand::notes(Ref::number(9)), 1, {"error: There is no Desktop 9"}},
        CommandRow{"removeDesktop(Ref::number(9))", SpaceCommand::removeDesktop(Ref::number(9)), 1, {"error: There is no Desktop 9"}},
        CommandRow{"setup(Ref::number(8))", SpaceCommand::setup(Ref::number(8)), 1, {"error: There is no Desktop 8"}},
        CommandRow{"setup(Ref::number(2))", SpaceCommand::setup(Ref::number(2)), 2, {}},
        CommandRow{"moveWindow(Ref::name('Nowhere'))", SpaceCommand::moveWindow(Ref::name("Nowhere")), 1, {"error: No Space is called Nowhere"}},
        CommandRow{"overview()", SpaceCommand::overview(), 1, {"overview"}},
        CommandRow{"settings()", SpaceCommand::settings(), 1, {"settings"}},
        CommandRow{"windows(true)", SpaceCommand::windows(true), 1, {"windows: all Spaces"}},
        CommandRow{"windows(false)", SpaceCommand::windows(false), 1, {"windows: this Space"}},
        CommandRow{"launcher()", SpaceCommand::launcher(), 1, {"launcher"}},
        CommandRow{"demoTour()", SpaceCommand::demoTour(), 1, {"demo tour"}},
        CommandRow{"profile('Nobody')", SpaceCommand::profile("Nobody"), 1, {"error: No profile is called Nobody"}},
        CommandRow{"template_('Gardener')", SpaceCommand::template_("Gardener"), 1, {"error: No template is called Gardener"}},
        CommandRow{"restoreLayout()", SpaceCommand::restoreLayout(), 1, {"error: No saved window layout for these displays yet"}}));

TEST_F(CommandDispatcherTest, RenamesAndNotesAreTrimmedAndAnEmptyNameIsTheDefault)
{
    dispatcher.perform(SpaceCommand::rename(Ref::number(3), QStringLiteral("  Development \n")));
    dispatcher.perform(SpaceCommand::note(Ref::name("dev"), QStringLiteral(" ship it ")));
    const Space desktop3 = watcher.snapshot().allSpaces()[2];
    EXPECT_EQ(store.displayName(desktop3), QStringLiteral("Development"));
    EXPECT_EQ(store.meta(desktop3.id).note, QStringLiteral("ship it"));
    dispatcher.perform(SpaceCommand::rename(Ref::number(3), QStringLiteral("   ")));
    EXPECT_EQ(store.displayName(desktop3), QStringLiteral("Desktop 3"));
    EXPECT_TRUE(views.calls.isEmpty());
}

TEST_F(CommandDispatcherTest, TheSinksOwnCallsActOnExactlyTheirSpace)
{
    const Space desktop2 = watcher.snapshot().allSpaces()[1];
    const Duration before = dispatcher.lastOwnSwitch();
    dispatcher.switchTo(desktop2);
    EXPECT_EQ(dispatcher.lastOwnSwitch(), scheduler.now());
    EXPECT_GT(dispatcher.lastOwnSwitch(), before);
    settle();
    EXPECT_EQ(currentDesktop(), 2);
    // Not back and forth: asked again, it stays.
    dispatcher.switchTo(desktop2);
    settle();
    EXPECT_EQ(currentDesktop(), 2);
    EXPECT_EQ(dispatcher.previousSpace()->desktopNumber, 1);

    dispatcher.editSpace(desktop2);
    dispatcher.overviewHotKey();
    dispatcher.reportError(QStringLiteral("Lumivast does not understand x"));
    EXPECT_EQ(views.calls, (QStringList{"settings: " + desktop2.id, "overview key", "error: Lumivast does not understand x"}));
}

// A step left or right is not counted as the program's own switch; up, down and "back" are.
TEST_F(CommandDispatcherTest, OnlyStepsAcrossRowsAndBackCountAsTheProgramsOwnSwitch)
{
    const Duration start = dispatcher.lastOwnSwitch();
    dispatcher.perform(SpaceCommand::step(true));
    settle();
    ASSERT_EQ(currentDesktop(), 2);
    EXPECT_EQ(dispatcher.lastOwnSwitch(), start);

    dispatcher.perform(SpaceCommand::back());
    EXPECT_EQ(dispatcher.lastOwnSwitch(), scheduler.now());
    settle();
    EXPECT_EQ(currentDesktop(), 1);

    Settings::defaults().set(Settings::Key::gridColumns, 2);
    dispatcher.perform(SpaceCommand::step2D(false));
    EXPECT_EQ(dispatcher.lastOwnSwitch(), scheduler.now());
    settle();
    EXPECT_EQ(currentDesktop(), 3);
}

TEST_F(CommandDispatcherTest, ATemplateShortOfDesktopsAsksTheViewsThenSaysItWasApplied)
{
    dispatcher.perform(SpaceCommand::template_(QStringLiteral("developer"))); // five slots, four desktops
    ASSERT_EQ(views.calls, (QStringList{"offer: Developer needs 1 after 4"}));
    views.answers.front()(false);
    EXPECT_EQ(views.calls.back(), QStringLiteral("toast: Applied the Developer template"));
    EXPECT_EQ(store.displayName(watcher.snapshot().allSpaces()[0]), QStringLiteral("Code"));
}

TEST_F(CommandDispatcherTest, QueriesAnswerFromTheWorldAndTheRoot)
{
    EXPECT_EQ(dispatcher.snapshot().allSpaces().size(), 4u);
    EXPECT_EQ(dispatcher.currentNumber(), 1);
    EXPECT_EQ(dispatcher.displayName(dispatcher.snapshot().allSpaces()[1]), QStringLiteral("Desktop 2"));
    EXPECT_FALSE(dispatcher.previousSpace());
    EXPECT_EQ(dispatcher.stateJSON(), QByteArrayLiteral("{\"spaces\":[]}"));
    EXPECT_EQ(dispatcher.apiToken(), QStringLiteral("token"));
    EXPECT_TRUE(dispatcher.takenKeys().isEmpty()); // no shortcuts before the launch made them
    EXPECT_FALSE(dispatcher.canUndoMinimize());
    EXPECT_TRUE(dispatcher.profileNames().isEmpty());
}

// The Dock pulled the user to desktop 3: back to desktop 2 as the program's own switch, then the app is asked
// for a new window there and brought forward.
TEST_F(CommandDispatcherTest, ABounceBackReturnsAsItsOwnSwitchThenActivatesTheApp)
{
    dispatcher.switchTo(watcher.snapshot().allSpaces()[2]);
    settle();
    ASSERT_EQ(currentDesktop(), 3);
    scheduler.advance(2s);
    ASSERT_FALSE(dispatcher.ownSwitchJustNow());
    views.calls.clear();

    ASSERT_FALSE(world->apps.empty());
    RunningApplication app;
    app.pid = world->apps.front().pid;
    app.localizedName = QStringLiteral("Editor");
    world->activatedPIDs.clear();
    dispatcher.bounceBack(watcher.snapshot().allSpaces()[1], app);
    EXPECT_TRUE(dispatcher.ownSwitchJustNow());
    EXPECT_EQ(views.calls, (QStringList{"toast: Stayed here and opened a new Editor window"}));
    settle();
    EXPECT_EQ(currentDesktop(), 2);
    EXPECT_TRUE(dispatcher.ownSwitchJustNow());
    scheduler.advance(1s);
    EXPECT_FALSE(dispatcher.ownSwitchJustNow());
    EXPECT_EQ(world->activatedPIDs, (std::vector<std::int32_t>{app.pid}));
}

// Soon after a restart the saved layout is offered; a yes puts the moved window back and says so.
TEST_F(CommandDispatcherTest, AfterARestartTheSavedLayoutIsOfferedAndAYesPutsTheWindowsBack)
{
    readWindows();
    const WindowLayout saved = m_layouts.save(LayoutManager::kAuto, watcher.snapshot());
    ASSERT_FALSE(saved.entries.empty());
    auto window = std::find_if(world->windows.begin(), world->windows.end(),
                               [&](const SimWorld::Window& w) { return w.title == saved.entries.front().title; });
    ASSERT_NE(window, world->windows.end());
    const std::vector<std::uint64_t> before = window->spaces;
    const Space* elsewhere = nullptr;
    for (const Space& space : watcher.snapshot().allSpaces()) {
        if (std::find(before.begin(), before.end(), space.managedID) == before.end())
            elsewhere = &space;
    }
    ASSERT_TRUE(elsewhere);
    window->spaces = {elsewhere->managedID};
    readWindows();

    world->systemUptime = 600;
    dispatcher.offerLayoutRestoreAfterRestart();
    scheduler.advance(44s);
    EXPECT_TRUE(views.calls.isEmpty());
    scheduler.advance(2s);
    ASSERT_EQ(views.calls, (QStringList{QStringLiteral("offer: restore %1 windows").arg(saved.entries.size())}));
    views.answers.back()(true);
    settle();
    scheduler.advance(2s);
    EXPECT_EQ(window->spaces, before);
    EXPECT_EQ(views.calls.back(), QStringLiteral("toast: Put 1 windows back"));
}

// Long after the system started a saved layout is not offered.
TEST_F(CommandDispatcherTest, LongAfterTheSystemStartedNoRestoreIsOffered)
{
    readWindows();
    ASSERT_FALSE(m_layouts.save(LayoutManager::kAuto, watcher.snapshot()).entries.empty());
    world->systemUptime = 1200;
    dispatcher.offerLayoutRestoreAfterRestart();
    scheduler.advance(60s);
    EXPECT_TRUE(views.calls.isEmpty());
}
