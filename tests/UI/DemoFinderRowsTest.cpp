#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "UI/Search/PanelSources.h"
#include "tests/support/SimWorldTest.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

constexpr const char* kMailInstalled = R"({
  "displays": [ { "uuid": "D1", "main": true, "frame": {"x": 0, "y": 0, "w": 1440, "h": 900}, "current": 1,
                  "spaces": [ {"managedID": 1, "uuid": "S1"} ] } ],
  "installed": [ {"path": "/System/Applications/Mail.app", "bundleID": "com.apple.mail"} ]
})";

class DemoFinderRowsTest : public test::SimWorldTest {
protected:
    void SetUp() override
    {
        DemoMode::resetForTesting();
        Settings::defaults().set(Settings::Key::demoMode, true);
        install(worldFrom(kMailInstalled));
    }
    void TearDown() override { DemoMode::resetForTesting(); }

    // Desktops 1 (active) to 9 on the main display, a full-screen Space between 4 and 5,
    // and desktop 10 active on a second display.
    static SpaceSnapshot nineDesktops()
    {
        DisplaySpaces main{"Main", {}, QString("S1"), true};
        int index = 0;
        for (int n = 1; n <= 9; ++n) {
            main.spaces.push_back(Space{QString("S%1").arg(n), n, "Main", n, index++, false, std::nullopt, n == 1});
            if (n == 4)
                main.spaces.push_back(Space{"F", 40, "Main", std::nullopt, index++, true, 77, false});
        }
        DisplaySpaces other{"EXT", {Space{"S10", 10, "EXT", 10, 0, false, std::nullopt, true}}, QString("S10"), false};
        return SpaceSnapshot{{main, other}, {}};
    }
};

} // namespace

TEST_F(DemoFinderRowsTest, SampleWindowsOfDesktopsOneToEight)
{
    std::vector<QString> went;
    const auto rows = WindowFinder::demoItems(nineDesktops(), true, [&](const Space& s) { went.push_back(s.id); });
    ASSERT_EQ(rows.size(), 14u); // 2+2+2+2+1+2+2+1; desktops 9 and 10 and the full-screen Space give none
    EXPECT_EQ(rows[0].id, "S1-0");
    EXPECT_EQ(rows[0].title, "Inbox (3 unread)");
    EXPECT_EQ(rows[0].subtitle, "Mail · Mail & Calendar");
    EXPECT_FALSE(rows[0].icon.isNull()); // Mail is installed
    EXPECT_TRUE(rows[1].icon.isNull());  // Calendar is not
    EXPECT_EQ(rows[13].id, "S8-0");
    EXPECT_EQ(rows[13].subtitle, "Messages · Chat");
    EXPECT_FALSE(rows[4].secondary); // nothing to bring here: Ctrl+Return does what Return does

    rows[0].primary(); // on the active desktop: nothing to switch to, nothing raised
    rows[2].primary();
    EXPECT_EQ(went, std::vector<QString>{"S2"});
}

TEST_F(DemoFinderRowsTest, CurrentScopeListsOnlyActiveSpaces)
{
    const auto rows = WindowFinder::demoItems(nineDesktops(), false, {});
    ASSERT_EQ(rows.size(), 2u); // desktop 1; desktop 10 is active but has no sample row
    EXPECT_EQ(rows[1].title, "Week of October 27");
}
