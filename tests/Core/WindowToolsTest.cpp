#include "Core/Windows/Scratchpad.h"
#include "Core/Windows/SpaceMinimizer.h"
#include "Core/Windows/WindowMarks.h"

#include "Platform/Sim/SimHotKeys.h"
#include "tests/Core/WindowWorld.h"

using namespace lumivast;
using lumivast::test::WindowWorldTest;
using Minimized = SpaceMinimizer::Minimized;

namespace {

// ---- minimise all ----

class SpaceMinimizerTest : public WindowWorldTest {
protected:
    SpaceMinimizerTest() { readContents(); }
    SpaceMinimizer minimizer;
};

TEST_F(SpaceMinimizerTest, MinimisesEveryListedWindowAndUndoesThat)
{
    EXPECT_EQ(minimizer.minimizeAll(space("S2"), contents), 2);
    EXPECT_EQ(minimizer.lastMinimized(), (std::vector<Minimized>{{12, 402}, {13, 402}}));
    EXPECT_TRUE(window(12).minimized && window(13).minimized);
    EXPECT_FALSE(window(11).minimized);
    EXPECT_EQ(world->accessibility().messagingTimeout(world->dockElements().applicationElement(402)), 0.3);

    minimizer.undo();
    EXPECT_FALSE(window(12).minimized || window(13).minimized);
    EXPECT_TRUE(minimizer.lastMinimized().empty());
    world->accessibility().clearLog();
    minimizer.undo(); // a second undo does nothing
    EXPECT_TRUE(axLog().isEmpty());
}

TEST_F(SpaceMinimizerTest, AnEmptySpaceMinimisesNothingAndEndsTheEarlierUndo)
{
    ASSERT_EQ(minimizer.minimizeAll(space("S2"), contents), 2);
    EXPECT_EQ(minimizer.minimizeAll(space("S6"), contents), 0);
    EXPECT_TRUE(minimizer.lastMinimized().empty());
    minimizer.undo();
    EXPECT_TRUE(window(12).minimized && window(13).minimized);
}

TEST_F(SpaceMinimizerTest, UndoSkipsAWindowThatWasClosed)
{
    ASSERT_EQ(minimizer.minimizeAll(space("S2"), contents), 2);
    std::erase_if(world->windows, [](const SimWorld::Window& w) { return w.id == 12; });
    minimizer.undo();
    EXPECT_FALSE(window(13).minimized);
    EXPECT_EQ(axLog().last(), "unminimize 13");
}

TEST_F(SpaceMinimizerTest, UnreadableApplicationsAreSkipped)
{
    window(14).spaces = {2};
    readContents();
    world->app(402)->unresponsive = true;
    EXPECT_EQ(minimizer.minimizeAll(space("S2"), contents), 1);
    EXPECT_EQ(minimizer.lastMinimized(), (std::vector<Minimized>{{14, 403}}));

    world->accessibilityTrusted = false;
    EXPECT_EQ(minimizer.minimizeAll(space("S2"), contents), 0);
    EXPECT_TRUE(minimizer.lastMinimized().empty());
}

// ---- scratchpad ----

class ScratchpadTest : public WindowWorldTest {
protected:
    ScratchpadTest()
    {
        home.defaults().set(Settings::Key::scratchpadApp, QStringLiteral("org.example.notes"));
        readContents();
    }
    void toggle()
    {
        scratchpad.toggle(snapshot(), [this](const QString& message, bool error) { toasts.push_back({message, error}); });
    }
    bool notesHidden() { return world->app(405)->hidden; }

    WindowMover mover{switcher, scheduler};
    Scratchpad scratchpad{mover, contents};
    std::vector<std::pair<QString, bool>> toasts;
};

TEST_F(ScratchpadTest, WithoutAnAppChosenItOnlySaysSo)
{
    home.defaults().set(Settings::Key::scratchpadApp, QString());
    toggle();
    ASSERT_EQ(toasts.size(), 1u);
    EXPECT_EQ(toasts[0], (std::pair<QString, bool>{"Choose a scratchpad app in Settings > Windows", true}));
    scheduler.advance(1s);
    EXPECT_EQ(world->frontmostPID, 401);
    EXPECT_EQ(spacesOf(16), std::vector<std::uint64_t>{3});
    EXPECT_TRUE(world->launchedApplications().isEmpty());
}

TEST_F(ScratchpadTest, InFrontItHidesThenComesBackHere)
{
    showSpace(3);
    readContents();
    world->frontmostPID = 405;
    toggle();
    EXPECT_TRUE(notesHidden());
    EXPECT_NE(world->frontmostPID, 405);

    toggle(); // its window is on the current Space
    EXPECT_FALSE(notesHidden());
    EXPECT_EQ(world->frontmostPID, 405);
    scheduler.advance(1s);
    EXPECT_EQ(spacesOf(16), std::vector<std::uint64_t>{3});
    EXPECT_EQ(current(), 3u);
    EXPECT_TRUE(toasts.empty());
}

TEST_F(ScratchpadTest, ElsewhereItsWindowIsBroughtHereAndThenItIsShown)
{
    world->app(405)->hidden = true;
    toggle();
    EXPECT_TRUE(notesHidden()); // shown only once the move is over
    scheduler.advance(WindowMover::kVerifyDelay);
    EXPECT_EQ(spacesOf(16), std::vector<std::uint64_t>{1});
    EXPECT_FALSE(notesHidden());
    EXPECT_EQ(world->frontmostPID, 405);
    scheduler.advance(1s);
    EXPECT_EQ(current(), 1u); // the activation did not take the user away
    EXPECT_TRUE(toasts.empty());
}

TEST_F(ScratchpadTest, AFailedBringHereStillShowsTheApp)
{
    window(16).moves = SimWorld::WindowMoves::ignore;
    world->activationFollowsWindows = false;
    toggle();
    scheduler.advance(WindowMover::kVerifyDelay);
    EXPECT_EQ(spacesOf(16), std::vector<std::uint64_t>{3});
    EXPECT_EQ(world->frontmostPID, 405);
    EXPECT_TRUE(toasts.empty());
}

TEST_F(ScratchpadTest, NotRunningItIsLaunched)
{
    home.defaults().set(Settings::Key::scratchpadApp, QStringLiteral("org.example.player"));
    toggle();
    EXPECT_EQ(world->launchedApplications(), QStringList{"org.example.player"});
    EXPECT_TRUE(world->windowList().runningApplication(406));
    EXPECT_EQ(world->frontmostPID, 406);

    home.defaults().set(Settings::Key::scratchpadApp, QStringLiteral("org.example.nowhere"));
    toggle();
    EXPECT_EQ(world->launchedApplications().size(), 1);
    EXPECT_TRUE(toasts.empty());
}

// ---- window marks ----

constexpr quint32 kK = 40, kZ = 6, kA = 0;

class WindowMarksTest : public WindowWorldTest {
protected:
    void capture()
    {
        marks.captureLetter([this](const QString& letter) { letters << letter; });
    }
    void press(quint32 keyCode)
    {
        world->hotKeyRegistry().press(keyCode, 0);
        scheduler.runPending();
    }
    std::size_t registered() { return world->hotKeyRegistry().registrations().size(); }

    GlobalHotKeys hotKeys{world->hotKeyRegistry(), scheduler};
    WindowMarks marks{scheduler, hotKeys};
    QStringList letters;
};

TEST_F(WindowMarksTest, RegistersTheTwentySixLetterKeysWithoutModifiers)
{
    capture();
    const auto regs = world->hotKeyRegistry().registrations();
    ASSERT_EQ(regs.size(), 26u);
    for (std::size_t i = 0; i < regs.size(); ++i) {
        EXPECT_EQ(regs[i].keyCode, WindowMarks::kLetterKeys[i].second);
        EXPECT_EQ(regs[i].modifiers, 0u);
    }
    EXPECT_TRUE(marks.isCapturing());
}

TEST_F(WindowMarksTest, TheFirstLetterWithinTwoSecondsIsCapturedOnce)
{
    capture();
    scheduler.advance(WindowMarks::kCaptureTimeout - 1ms);
    press(kK);
    EXPECT_EQ(letters, QStringList{"k"});
    EXPECT_EQ(registered(), 0u);
    EXPECT_FALSE(marks.isCapturing());
    press(kZ);
    scheduler.advance(5s);
    EXPECT_EQ(letters, QStringList{"k"});
}

TEST_F(WindowMarksTest, ACaptureTimesOutSilently)
{
    capture();
    scheduler.advance(WindowMarks::kCaptureTimeout);
    EXPECT_EQ(registered(), 0u);
    EXPECT_FALSE(marks.isCapturing());
    press(kK);
    EXPECT_TRUE(letters.isEmpty());
}

TEST_F(WindowMarksTest, ANewCaptureReplacesTheOneUnderWay)
{
    QStringList first;
    marks.captureLetter([&first](const QString& letter) { first << letter; });
    scheduler.advance(1500ms);
    capture();
    EXPECT_EQ(registered(), 26u);
    scheduler.advance(1000ms); // past the first capture's timeout
    EXPECT_TRUE(marks.isCapturing());
    press(kA);
    EXPECT_TRUE(first.isEmpty());
    EXPECT_EQ(letters, QStringList{"a"});
}

TEST_F(WindowMarksTest, ALetterHeldByAnotherApplicationIsLeftOut)
{
    world->hotKeyRegistry().setTaken(kK, 0);
    capture();
    EXPECT_EQ(registered(), 25u);
    press(kK);
    EXPECT_TRUE(letters.isEmpty());
    press(kZ);
    EXPECT_EQ(letters, QStringList{"z"});
}

// Presses K as soon as the key for Z is registered: a press that comes in
// while the capture is still registering its keys.
class PressingRegistry final : public HotKeyRegistry {
public:
    explicit PressingRegistry(SimHotKeys& inner) : m_inner(inner) {}
    bool installHandler(Handler handler) override { return m_inner.installHandler(std::move(handler)); }
    std::expected<HotKeyRef, HotKeyError> registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id) override
    {
        auto ref = m_inner.registerHotKey(keyCode, modifiers, id);
        if (keyCode == kZ)
            m_inner.press(kK, 0);
        return ref;
    }
    bool unregisterHotKey(HotKeyRef ref) override { return m_inner.unregisterHotKey(ref); }

private:
    SimHotKeys& m_inner;
};

TEST_F(WindowMarksTest, AKeyPressedWhileTheKeysAreRegisteredEndsTheCaptureCleanly)
{
    PressingRegistry registry(world->hotKeyRegistry());
    GlobalHotKeys pressing(registry, scheduler);
    WindowMarks marks(scheduler, pressing);
    marks.captureLetter([this](const QString& letter) { letters << letter; });
    scheduler.runPending();
    EXPECT_EQ(letters, QStringList{"k"});
    EXPECT_EQ(registered(), 0u); // the keys registered after the press are gone too
    EXPECT_FALSE(marks.isCapturing());
    press(kA);
    scheduler.advance(5s);
    EXPECT_EQ(letters, QStringList{"k"});
}

TEST_F(WindowMarksTest, AMarkIsSetAndRecalled)
{
    // Set: the front window goes under the letter pressed.
    showSpace(2);
    world->frontmostPID = 402;
    world->app(402)->focusedWindow = 13;
    marks.captureLetter([this](const QString& letter) {
        const auto front = WindowMover::frontWindow();
        ASSERT_TRUE(front);
        marks.marks[letter] = WindowMarks::Mark{front->id, front->pid};
    });
    press(kK);
    EXPECT_EQ(marks.marks.at("k"), (WindowMarks::Mark{13, 402}));

    // Elsewhere, with another window in front, the letter brings it back.
    world->app(402)->focusedWindow = 12;
    WindowMover::raise({12, 402, {}});
    world->frontmostPID = 401;
    world->accessibility().clearLog();
    marks.captureLetter([this](const QString& letter) {
        const WindowMarks::Mark mark = marks.marks.at(letter);
        WindowMover::raise({mark.id, mark.pid, {}});
    });
    press(kK);
    EXPECT_EQ(axLog(), (QStringList{"main 13", "raise 13"}));
    EXPECT_EQ(world->frontmostPID, 402);
    EXPECT_EQ(world->windows.front().id, 13u);
}

} // namespace
