#include "CGSBridge/CGSBridge.h"
#include "Core/Profiles/ProfileStore.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/DataFile.h"
#include "tests/App/DelegateWiringTest.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

class ProfilesAndTimeTest : public test::DelegateWiringTest {
protected:
    void launch()
    {
        DelegateWiringTest::launch();
        settle();
    }
    void settle(Duration by = 600ms) { scheduler.advance(by); }
    void switchTo(int number)
    {
        delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(number)));
        settle(300ms);
    }
    QString hudSymbol() const { return delegate->hud().lastPresentation()->view.symbol; }
    std::map<QString, double> today() { return delegate->tracker().days().at(delegate->tracker().dayKey(scheduler.wallNow())); }
    QString path(const char* name) const { return AppPaths::file(QString::fromLatin1(name)); }
    void seedProfiles(std::vector<SpaceProfile> list) { ASSERT_TRUE(DataFile::write(path("profiles.json"), ProfileStore::encode(list))); }
    QDateTime savedAt() const { return QDateTime(QDate(2025, 3, 1), QTime(8, 30), QTimeZone::utc()); }
};

} // namespace

TEST_F(ProfilesAndTimeTest, EveryChangeIsTimedAndQuittingWritesTheRecordAtOnce)
{
    launch();
    switchTo(2);
    settle(1700ms);
    switchTo(3);
    settle(1s);
    delegate->applicationWillTerminate();
    const auto saved = TimeTracker::decode([&] {
        QFile file(path("stats.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }());
    ASSERT_TRUE(saved);
    const auto& day = saved->at(delegate->tracker().dayKey(scheduler.wallNow()));
    EXPECT_GT(day.at("S1"), 0.0);
    EXPECT_NEAR(day.at("S2"), 2.0, 0.3);
    EXPECT_NEAR(day.at("S3"), 1.3, 0.3); // up to the quit
    EXPECT_FALSE(delegate->tracker().isSavePending());
}

TEST_F(ProfilesAndTimeTest, SleepingScreensAddNothingAndWakingTimesTheCurrentSpaceAgain)
{
    launch();
    settle(10s);
    world->postWorkspaceEvent(WorkspaceEvent::ScreensDidSleep);
    scheduler.runPending(); // the notification arrives
    const double before = today().at("S1");
    settle(1h);
    delegate->tracker().flush();
    EXPECT_DOUBLE_EQ(today().at("S1"), before);
    world->postWorkspaceEvent(WorkspaceEvent::ScreensDidWake);
    settle(30s);
    delegate->tracker().flush();
    EXPECT_DOUBLE_EQ(today().at("S1"), before + 30);
}

TEST_F(ProfilesAndTimeTest, ProfileCommandLoadsTheProfileByAnyCase)
{
    seedProfiles({{"Home", {{"S1", SpaceMeta{.name = "Sofa"}}, {"S2", SpaceMeta{.name = "Kitchen"}}}, savedAt()}});
    launch();
    delegate->commands().perform(SpaceCommand::profile("home"));
    EXPECT_EQ(lastToast(), "Profile: home");
    EXPECT_FALSE(lastToastIsError());
    EXPECT_EQ(hudSymbol(), "person.crop.rectangle.stack");
    EXPECT_EQ(Settings::defaults().string(K::activeProfile), "Home");
    EXPECT_EQ(delegate->store().displayName(space("S2")), "Kitchen");

    // The status menu lists the saved profiles, the active one ticked.
    statusItem.click();
    ASSERT_FALSE(statusItem.menus.empty());
    std::function<const MenuItem*(const std::vector<MenuItem>&)> find = [&](const std::vector<MenuItem>& items) -> const MenuItem* {
        for (const MenuItem& item : items) {
            if (item.title == "Profile")
                return &item;
            if (const MenuItem* inner = find(item.children))
                return inner;
        }
        return nullptr;
    };
    const MenuItem* profileMenu = find(statusItem.menus.back());
    ASSERT_TRUE(profileMenu);
    ASSERT_EQ(profileMenu->children.size(), 1u);
    EXPECT_EQ(profileMenu->children[0].title, "Home");
    EXPECT_EQ(profileMenu->children[0].state, MenuItem::State::on);

    delegate->commands().perform(SpaceCommand::profile("Office"));
    EXPECT_EQ(lastToast(), "No profile is called Office");
    EXPECT_TRUE(lastToastIsError());
}

TEST_F(ProfilesAndTimeTest, BrokenProfilesFileFindsNothingAndIsKeptBeside)
{
    const QByteArray broken = "[{\"name\": \"Home\"";
    ASSERT_TRUE(DataFile::write(path("profiles.json"), broken));
    launch();
    delegate->commands().perform(SpaceCommand::profile("home"));
    EXPECT_EQ(lastToast(), "No profile is called home");
    const QStringList aside = QDir(AppPaths::supportDirectory()).entryList({"profiles.json.unreadable-*"});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(AppPaths::supportDirectory() + "/" + aside.front());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), broken);
}

TEST_F(ProfilesAndTimeTest, ProfileBoundToANewDisplaySetupIsActivatedOnceWithItsToast)
{
    seedProfiles({{"Laptop", {{"S1", SpaceMeta{.name = "Solo"}}}, savedAt()}});
    home.defaults().set(K::profileByDisplaySetup, QJsonObject{{"Main", "Laptop"}});
    launch();
    const SimWorld::Display external = world->displays.back();
    world->displays.pop_back();
    world->announceChange(kSpaceEvents[0], false);
    settle();
    EXPECT_EQ(lastToast(), "Profile: Laptop");
    EXPECT_EQ(delegate->store().displayName(space("S1")), "Solo");

    // Back and away again: "Laptop" is already the active profile, so nothing is shown.
    world->displays.push_back(external);
    world->announceChange(kSpaceEvents[0], false);
    settle();
    delegate->hud().toast("marker", HUDController::defaultToastSymbol, false);
    world->displays.pop_back();
    world->announceChange(kSpaceEvents[0], false);
    settle();
    EXPECT_EQ(lastToast(), "marker");
}

TEST_F(ProfilesAndTimeTest, TemplateOnTooFewDesktopsOffersToAddTheRestAndAlwaysReportsTheApplication)
{
    launch();
    alerts.answers.push_back({1, {}, false}); // "Not Now"
    delegate->commands().perform(SpaceCommand::template_("student"));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].messageText, "Student needs 1 more desktop");
    EXPECT_EQ(alerts.shown[0].informativeText, "Lumivast set up 3 desktops. Add the rest now? Mission Control will open briefly.");
    EXPECT_EQ(alerts.shown[0].buttons, (QStringList{"Add Desktops", "Not Now"}));
    EXPECT_EQ(lastToast(), "Applied the Student template");
    EXPECT_EQ(hudSymbol(), "square.grid.2x2");
    EXPECT_EQ(delegate->store().displayName(space("S3")), "Writing");

    alerts.answers.push_back({1, {}, false});
    delegate->commands().perform(SpaceCommand::template_("DEVELOPER"));
    EXPECT_EQ(alerts.shown[1].messageText, "Developer needs 2 more desktops");

    delegate->commands().perform(SpaceCommand::template_("Gardener"));
    EXPECT_EQ(lastToast(), "No template is called Gardener");
    EXPECT_TRUE(lastToastIsError());
    EXPECT_EQ(alerts.shown.size(), 2u);
}

TEST_F(ProfilesAndTimeTest, ImportedTemplatesAreFoundAfterTheBuiltInOnes)
{
    ASSERT_TRUE(DataFile::write(path("templates.json"),
                                R"([{"name":"student","summary":"","slots":[]},{"name":"Tiny","summary":"","slots":[{"name":"One","apps":[],"urls":[]}]}])"));
    launch();
    delegate->commands().perform(SpaceCommand::template_("tiny"));
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(lastToast(), "Applied the Tiny template");
    EXPECT_EQ(delegate->store().displayName(space("S1")), "One");

    alerts.answers.push_back({1, {}, false});
    delegate->commands().perform(SpaceCommand::template_("Student")); // the built-in one wins
    EXPECT_EQ(lastToast(), "Applied the Student template");
    EXPECT_EQ(delegate->store().displayName(space("S1")), "Class");
}

TEST_F(ProfilesAndTimeTest, DemoTourNeedsDemoMode)
{
    launch();
    delegate->commands().perform(SpaceCommand::demoTour());
    EXPECT_EQ(lastToast(), "Turn on demo mode first");
    EXPECT_TRUE(lastToastIsError());
}
