#include "App/AppDelegate.h"
#include "Core/Settings/Settings.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/FakeStatusItem.h"
#include "tests/support/SimWorldTest.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

class DesktopNamesWiringTest : public test::SimWorldTest {
protected:
    DesktopNamesWiringTest()
    {
        home.defaults().set(Settings::Key::didShowOnboarding, true);
        delegate = std::make_unique<AppDelegate>(scheduler, alerts, statusItem, QStringList{"lumivast"});
        delegate->applicationDidFinishLaunching();
        scheduler.advance(500ms);
    }
    const std::vector<std::map<std::uint64_t, QString>>& received()
    {
        return static_cast<SimPlatform&>(Platform::current()).simDesktopNames().received;
    }

    test::FakeAlertService alerts;
    test::FakeStatusItem statusItem;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(DesktopNamesWiringTest, TheSystemReceivesTheStoredNamesByManagedNumber)
{
    ASSERT_FALSE(received().empty()); // the first snapshot already hands them over
    EXPECT_TRUE(received().back().empty());

    // The default world's second desktop is managed number 3.
    const Space second = delegate->watcher().snapshot().allSpaces().at(1);
    delegate->store().setName(QStringLiteral("Mail"), second.id);
    EXPECT_EQ(received().back(), (std::map<std::uint64_t, QString>{{3, "Mail"}}));

    // A new snapshot hands them over again; a name taken back is no longer among them.
    const std::size_t before = received().size();
    ASSERT_TRUE(world->switchSpace(world->displays[0].identifier, 4));
    scheduler.advance(500ms);
    EXPECT_GT(received().size(), before);
    EXPECT_EQ(received().back(), (std::map<std::uint64_t, QString>{{3, "Mail"}}));
    delegate->store().setName(std::nullopt, second.id);
    EXPECT_TRUE(received().back().empty());
}

} // namespace
