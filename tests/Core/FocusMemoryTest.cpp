#include "Core/Windows/FocusMemory.h"
#include "Core/Windows/SpaceLock.h"

#include "tests/Core/WindowWorld.h"

using namespace lumivast;
using lumivast::test::WindowWorldTest;

namespace {

class FocusMemoryTest : public WindowWorldTest {
protected:
    // The user works in the editor's second window on S2.
    void workInSecondEditorWindow()
    {
        showSpace(2);
        world->frontmostPID = 402;
        world->app(402)->focusedWindow = 13;
        memory.leaving(space("S2"));
    }
    // ... then goes to S1, where the browser comes to the front, and back.
    void leaveAndComeBack()
    {
        showSpace(1);
        world->frontmostPID = 401;
        showSpace(2);
        readContents();
        world->accessibility().clearLog();
        memory.entered(space("S2"), contents);
    }

    FocusMemory memory{scheduler};
};

TEST_F(FocusMemoryTest, RecordsTheFocusedWindowOfTheFrontmostApplication)
{
    workInSecondEditorWindow();
    EXPECT_EQ(memory.lastWindow().at("S2"), (FocusMemory::Entry{13, 402}));

    // Nothing focused to read: the earlier entry stays.
    world->app(402)->unresponsive = true;
    memory.leaving(space("S2"));
    EXPECT_EQ(memory.lastWindow().at("S2"), (FocusMemory::Entry{13, 402}));

    world->frontmostPID.reset();
    memory.leaving(space("S3"));
    EXPECT_FALSE(memory.lastWindow().contains("S3"));
}

// An activation is recorded for the Space it happened on once the app has settled, not at once.
TEST_F(FocusMemoryTest, AnActivationIsRecordedAfterItSettles)
{
    showSpace(2);
    world->frontmostPID = 402;
    world->app(402)->focusedWindow = 13;
    memory.applicationActivated(space("S2"));
    scheduler.advance(149ms);
    EXPECT_FALSE(memory.lastWindow().contains("S2"));
    scheduler.advance(1ms);
    EXPECT_EQ(memory.lastWindow().at("S2"), (FocusMemory::Entry{13, 402}));
}

TEST_F(FocusMemoryTest, OwnWindowsAreNeverRecorded)
{
    const std::int32_t own = addOwnApp();
    addFrontWindow(40, own, QRectF(0, 0, 400, 300), {1});
    world->frontmostPID = own;
    memory.leaving(space("S1"));
    EXPECT_TRUE(memory.lastWindow().empty());
}

TEST_F(FocusMemoryTest, ReturningToASpaceRaisesItsWindowAfterTheDelay)
{
    workInSecondEditorWindow();
    leaveAndComeBack();
    scheduler.advance(FocusMemory::kRestoreDelay - 1ms);
    EXPECT_TRUE(axLog().isEmpty());
    scheduler.advance(1ms);
    EXPECT_EQ(axLog(), (QStringList{"main 13", "raise 13"}));
    EXPECT_EQ(world->frontmostPID, 402);
    EXPECT_TRUE(memory.lastWindow().contains("S2")); // kept
}

TEST_F(FocusMemoryTest, NothingIsRaisedWhenTheUserAlreadyWorksOnThatSpace)
{
    workInSecondEditorWindow();
    leaveAndComeBack();
    // By the time the delay is over the editor is in front with its first window.
    world->frontmostPID = 402;
    world->app(402)->focusedWindow = 12;
    scheduler.advance(FocusMemory::kRestoreDelay);
    EXPECT_TRUE(axLog().isEmpty());
}

TEST_F(FocusMemoryTest, RaisesWhenTheFrontmostApplicationsFocusCannotBeRead)
{
    workInSecondEditorWindow();
    leaveAndComeBack();
    world->frontmostPID = 402;
    world->app(402)->focusedWindow = 12;
    world->accessibilityTrusted = false; // the read fails, and so does the raise
    scheduler.advance(FocusMemory::kRestoreDelay);
    EXPECT_TRUE(axLog().isEmpty());
    world->accessibilityTrusted = true;
    // The same with an application that does not answer while the raise goes to another.
    world->frontmostPID = 401;
    addFrontWindow(41, 401, QRectF(0, 0, 400, 300), {2});
    readContents();
    world->app(401)->unresponsive = true;
    memory.entered(space("S2"), contents);
    scheduler.advance(FocusMemory::kRestoreDelay);
    EXPECT_EQ(axLog(), (QStringList{"main 13", "raise 13"}));
}

TEST_F(FocusMemoryTest, NoRestoreWhenSwitchedOffForgottenOrGone)
{
    workInSecondEditorWindow();
    home.defaults().set(Settings::Key::restoreFocus, false);
    leaveAndComeBack();
    scheduler.advance(1s);
    EXPECT_TRUE(axLog().isEmpty());

    home.defaults().set(Settings::Key::restoreFocus, true);
    memory.entered(space("S3"), contents); // nothing remembered there
    window(13).spaces = {3};             // moved away
    readContents();
    memory.entered(space("S2"), contents);
    scheduler.advance(1s);
    EXPECT_TRUE(axLog().isEmpty());
}

class SpaceLockTest : public WindowWorldTest {
protected:
    SpaceLockTest()
    {
        home.defaults().set(Settings::Key::spaceLock, true);
        world->activationFollowsWindows = false;
        lock.start();
        lock.onPulledAway = [this](const Space& from, const RunningApplication& app) {
            pulls.push_back({from.id, app.pid});
        };
    }
    bool change(const char* from, const char* to, bool ours = false)
    {
        return lock.spaceChanged(space(from), space(to), ours);
    }
    // Activates the application; its notification arrives from the main queue, as the system sends it.
    void activate(std::int32_t pid)
    {
        world->windowList().activate(pid);
        scheduler.runPending();
    }

    SpaceLock lock{scheduler};
    std::vector<std::pair<QString, std::int32_t>> pulls;
};

TEST_F(SpaceLockTest, AChangeSoonAfterAnActivationIsAPull)
{
    struct Row {
        Duration after;
        bool pull;
    };
    for (const Row row : {Row{690ms, true}, Row{699ms, true}, Row{700ms, false}}) {
        pulls.clear();
        activate(402);
        scheduler.advance(row.after);
        EXPECT_EQ(change("S1", "S2"), row.pull) << row.after.count();
        EXPECT_EQ(pulls.size(), row.pull ? 1u : 0u);
    }
    activate(402);
    ASSERT_TRUE(change("S1", "S2"));
    EXPECT_EQ(pulls.back(), (std::pair<QString, std::int32_t>{"S1", 402}));
}

TEST_F(SpaceLockTest, OnlyChangesOnOneDisplayThatWeDidNotStartCount)
{
    activate(402);
    EXPECT_FALSE(change("S1", "S5"));                           // across displays
    EXPECT_FALSE(lock.spaceChanged(std::nullopt, space("S2"), false)); // no previous Space
    EXPECT_FALSE(change("S1", "S2", true));                     // our own switch
    home.defaults().set(Settings::Key::spaceLock, false);
    EXPECT_FALSE(change("S1", "S2"));
    EXPECT_TRUE(pulls.empty());
    EXPECT_TRUE(lock.lastActivation()); // none of these used it up
}

TEST_F(SpaceLockTest, OneActivationPullsAtMostOnce)
{
    activate(402);
    EXPECT_TRUE(change("S1", "S2"));
    EXPECT_FALSE(change("S2", "S1"));
    EXPECT_FALSE(lock.lastActivation());
    activate(403);
    EXPECT_TRUE(change("S1", "S3"));
    EXPECT_EQ(pulls.size(), 2u);
}

TEST_F(SpaceLockTest, OwnActivationsAndVanishedApplicationsAreNotPulls)
{
    const std::int32_t own = addOwnApp();
    activate(own);
    EXPECT_FALSE(change("S1", "S2"));

    activate(403);
    std::erase_if(world->apps, [](const SimWorld::App& a) { return a.pid == 403; }); // quit meanwhile
    EXPECT_FALSE(change("S1", "S3"));
    EXPECT_TRUE(pulls.empty());
}

TEST_F(SpaceLockTest, ARealPullIsRecognisedWithoutAHandler)
{
    // The system takes the display to the editor's Space when it is activated.
    world->activationFollowsWindows = true;
    lock.onPulledAway = nullptr;
    const Space from = space("S1");
    world->windowList().activate(402);
    scheduler.advance(world->dock().delay);
    ASSERT_EQ(current(), 2u);
    EXPECT_TRUE(lock.spaceChanged(from, space("S2"), false));
}

} // namespace
