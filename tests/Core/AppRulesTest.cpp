#include "Core/Windows/AppRules.h"

#include "Core/Spaces/SpaceStore.h"

#include "tests/Core/WindowWorld.h"

#include <QLoggingCategory>

using namespace lumivast;
using lumivast::test::WindowWorldTest;

namespace {

QStringList g_ruleLog;
void captureRuleLog(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QByteArray(context.category) == "lumivast.AppRules")
        g_ruleLog << message;
}

class AppRulesTest : public WindowWorldTest {
protected:
    AppRulesTest()
    {
        g_ruleLog.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("lumivast.AppRules.info=true"));
        m_previous = qInstallMessageHandler(captureRuleLog);
    }
    ~AppRulesTest() override
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }

    void pin(const char* spaceID, QStringList bundleIDs)
    {
        SpaceAutomation automation;
        automation.pinnedApps = std::move(bundleIDs);
        store.setAutomation(automation, QString::fromLatin1(spaceID));
    }
    // A window that has just opened, as the window contents report it.
    SpaceContents::WindowInfo opened(std::uint32_t id, std::int32_t pid, const char* bundleID, int spaceID)
    {
        if (!world->window(id))
            addFrontWindow(id, pid, QRectF(50, 50, 500, 400), {std::uint64_t(spaceID)});
        return SpaceContents::WindowInfo{id, pid, QString::fromLatin1(bundleID), {}, {}, QRectF(50, 50, 500, 400), spaceID};
    }

    SpaceStore store{scheduler, home.path("spaces.json")};
    WindowMover mover{switcher, scheduler};
    AppRules rules{store, mover};
    QtMessageHandler m_previous = nullptr;
};

TEST_F(AppRulesTest, TheLaterSpaceWinsAndFullScreenSpacesHaveNoRules)
{
    pin("S1", {"org.example.editor", "org.example.browser"});
    pin("S3", {"org.example.editor"});
    pin("F4", {"org.example.terminal"});
    const auto table = rules.rules(snapshot());
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at("org.example.editor").id, "S3");
    EXPECT_EQ(table.at("org.example.browser").id, "S1");
}

TEST_F(AppRulesTest, ANewWindowOfAPinnedAppIsMovedOnceAndNeverAgain)
{
    pin("S3", {"org.example.editor"});
    const auto editor = opened(50, 402, "org.example.editor", 1);
    rules.apply({editor, opened(51, 401, "org.example.browser", 1)}, snapshot());
    scheduler.advance(WindowMover::kVerifyDelay);
    EXPECT_EQ(spacesOf(50), std::vector<std::uint64_t>{3});
    EXPECT_EQ(spacesOf(51), std::vector<std::uint64_t>{1});
    EXPECT_EQ(rules.placed(), std::set<std::uint32_t>{50});

    // The user puts it back; a later report of the same window changes nothing.
    window(50).spaces = {1};
    rules.apply({editor}, snapshot());
    scheduler.advance(1s);
    EXPECT_EQ(spacesOf(50), std::vector<std::uint64_t>{1});
    EXPECT_TRUE(g_ruleLog.isEmpty());
}

TEST_F(AppRulesTest, AWindowThatOpenedOnItsSpaceIsRecordedAndLeftAlone)
{
    pin("S3", {"org.example.editor"});
    rules.apply({opened(52, 402, "org.example.editor", 3)}, snapshot());
    EXPECT_EQ(rules.placed(), std::set<std::uint32_t>{52});
    window(52).spaces = {2};
    rules.apply({opened(52, 402, "org.example.editor", 2)}, snapshot());
    scheduler.advance(1s);
    EXPECT_EQ(spacesOf(52), std::vector<std::uint64_t>{2});
}

TEST_F(AppRulesTest, SwitchedOffNothingIsRecorded)
{
    pin("S2", {"org.example.terminal"});
    home.defaults().set(Settings::Key::applyAppRules, false);
    const auto early = opened(53, 403, "org.example.terminal", 1);
    rules.apply({early}, snapshot());
    EXPECT_TRUE(rules.placed().empty());

    home.defaults().set(Settings::Key::applyAppRules, true);
    rules.apply({opened(54, 403, "org.example.terminal", 1)}, snapshot());
    scheduler.advance(WindowMover::kVerifyDelay);
    EXPECT_EQ(spacesOf(53), std::vector<std::uint64_t>{1});
    EXPECT_EQ(spacesOf(54), std::vector<std::uint64_t>{2});
}

TEST_F(AppRulesTest, WindowsWithoutARuleOrBundleAreNotRecorded)
{
    rules.apply({opened(55, 402, "org.example.editor", 1)}, snapshot()); // no rules at all
    pin("S2", {"org.example.Editor"});                                    // matched exactly
    auto nameless = opened(56, 402, "x", 1);
    nameless.bundleID.reset();
    rules.apply({opened(55, 402, "org.example.editor", 1), nameless}, snapshot());
    EXPECT_TRUE(rules.placed().empty());
}

TEST_F(AppRulesTest, AFailedMoveIsLoggedAndNotTriedAgain)
{
    pin("S2", {"org.example.terminal"});
    world->windowMoves = SimWorld::WindowMoves::ignore;
    const auto terminal = opened(57, 403, "org.example.terminal", 1);
    rules.apply({terminal}, snapshot());
    scheduler.advance(WindowMover::kVerifyDelay);
    EXPECT_EQ(g_ruleLog, QStringList{"rule move failed: macOS did not move the window."});
    EXPECT_TRUE(world->events().posted().empty()); // no drag for rules

    world->windowMoves = SimWorld::WindowMoves::obey;
    rules.apply({terminal}, snapshot());
    scheduler.advance(1s);
    EXPECT_EQ(spacesOf(57), std::vector<std::uint64_t>{1});
    EXPECT_EQ(g_ruleLog.size(), 1);
}

} // namespace
