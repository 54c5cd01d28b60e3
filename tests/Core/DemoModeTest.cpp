#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

class DemoModeTest : public test::TempHomeTest {
protected:
    void SetUp() override { DemoMode::resetForTesting(); }
    void TearDown() override
    {
        DemoMode::resetForTesting();
        DemoMode::setLaunchArgumentsProvider(nullptr);
    }
    static Space desktop(std::optional<int> number)
    {
        return Space{"X", 1, "Main", number, 0, false, std::nullopt, false};
    }
};

} // namespace

TEST_F(DemoModeTest, OnFromTheSettingOrTheExactLaunchArgument)
{
    struct Case {
        bool setting;
        QStringList arguments;
        bool on;
    };
    const std::vector<Case> cases{
        {false, {"lumivast"}, false},
        {true, {"lumivast"}, true},
        {false, {"lumivast", "--demo"}, true},
        {false, {"lumivast", "--demo=1"}, false},
        {false, {"lumivast", "--DEMO"}, false},
    };
    for (const Case& c : cases) {
        DemoMode::resetForTesting();
        Settings::defaults().set(Settings::Key::demoMode, c.setting);
        DemoMode::setLaunchArgumentsProvider([args = c.arguments] { return args; });
        EXPECT_EQ(DemoMode::isOn(), c.on) << c.arguments.join(' ').toStdString();
    }
}

TEST_F(DemoModeTest, FixedAtFirstUse)
{
    EXPECT_FALSE(DemoMode::isOn());
    Settings::defaults().set(Settings::Key::demoMode, true);
    EXPECT_FALSE(DemoMode::isOn());
}

TEST_F(DemoModeTest, SamplesCycleOverNumberedDesktops)
{
    ASSERT_EQ(DemoMode::samples().size(), 8u);
    EXPECT_EQ(DemoMode::sample(desktop(1)), nullptr); // off

    DemoMode::resetForTesting();
    Settings::defaults().set(Settings::Key::demoMode, true);
    const auto& s = DemoMode::samples();
    for (const auto& [number, index] : std::vector<std::pair<int, int>>{{1, 0}, {8, 7}, {9, 0}, {16, 7}, {17, 0}})
        EXPECT_EQ(DemoMode::sample(desktop(number)), &s[index]) << number;
    EXPECT_EQ(DemoMode::sample(desktop(std::nullopt)), nullptr);
    EXPECT_EQ(DemoMode::sample(desktop(0)), nullptr);
    Space full = desktop(std::nullopt);
    full.isFullscreen = true;
    EXPECT_EQ(DemoMode::sample(full), nullptr);

    EXPECT_EQ(s[0].name, "Mail & Calendar");
    EXPECT_EQ(s[0].colorHex, "#5B8DEF");
    EXPECT_EQ(s[1].name, QString::fromUtf8("Lumivast \u00B7 Xcode"));
    EXPECT_TRUE(s[2].name.startsWith("Client: "));
    EXPECT_EQ(s[2].symbol, "briefcase");
    EXPECT_EQ(s[6].symbol, "books.vertical");
    EXPECT_EQ(s[7].symbol, "bubble.left.and.bubble.right");
    EXPECT_EQ(s[7].colorHex, "#8B7CFF");
}
