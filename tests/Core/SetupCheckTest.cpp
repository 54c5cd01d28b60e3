#include "Core/Shell/SetupCheck.h"

#include "Platform/UserDefaults.h"
#include "tests/support/SimWorldTest.h"

#include <QUrl>

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

class SetupCheckTest : public SimWorldTest {
protected:
    UserDefaults& dock() { return world->preferenceDomain(SetupCheck::kDockDomain); }

    static const SetupCheck& row(const std::vector<SetupCheck>& rows, const QString& id)
    {
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const SetupCheck& r) { return r.id == id; });
        EXPECT_NE(it, rows.end()) << id.toStdString();
        return *it;
    }
    bool passed(const QString& id) { return row(SetupCheck::all(), id).passed; }
};

TEST_F(SetupCheckTest, FiveRowsInFixedOrderWithTheirTextsAndFixes)
{
    world->accessibilityTrusted = false;
    world->screenRecordingGranted = false;
    const std::vector<SetupCheck> rows = SetupCheck::all();

    struct Expected {
        const char* id;
        const char* title;
        const char* detail;
        const char* fixTitle;
    };
    const Expected expected[] = {
        {"ax", "Accessibility", "Needed to switch Spaces and move windows.", "Grant\u2026"},
        {"screen", "Screen Recording", "Needed for Space previews.", "Grant\u2026"},
        {"mru", "Spaces stay in order",
         "Turn off \"Automatically rearrange Spaces based on most recent use\" so numbers and names stay put.",
         "Open Settings\u2026"},
        {"swoosh", "No jumping on app switch",
         "Optional: turn off \"When switching to an application, switch to a Space with open windows\".", "Open Settings\u2026"},
        {"hotkeys", "Desktop shortcuts", "\"Switch to Desktop 1-4\" shortcuts in Keyboard settings back up instant switching.",
         "Open Settings\u2026"},
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(rows[i].id, QString::fromUtf8(expected[i].id));
        EXPECT_EQ(rows[i].title, QString::fromUtf8(expected[i].title));
        EXPECT_EQ(rows[i].detail, QString::fromUtf8(expected[i].detail));
        EXPECT_EQ(rows[i].fixTitle, QString::fromUtf8(expected[i].fixTitle));
        EXPECT_TRUE(rows[i].fix);
    }
    EXPECT_FALSE(rows[0].passed);
    EXPECT_FALSE(rows[1].passed);
}

TEST_F(SetupCheckTest, DockSettingsPassOnlyWhenStoredAsBooleanFalse)
{
    struct Case {
        const char* name;
        std::optional<QJsonValue> mru;
        std::optional<QJsonValue> swoosh;
        bool mruPasses;
        bool swooshPasses;
    };
    const Case cases[] = {
        {"untouched", std::nullopt, std::nullopt, false, false},
        {"mru off, swoosh on", QJsonValue(false), QJsonValue(true), true, false},
        {"both off", QJsonValue(false), QJsonValue(false), true, true},
        {"both on", QJsonValue(true), QJsonValue(true), false, false},
        {"not Booleans", QJsonValue(0), QJsonValue(QStringLiteral("false")), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dock().remove(SetupCheck::kMostRecentSpacesKey);
        dock().remove(SetupCheck::kAutoSwooshKey);
        if (c.mru)
            dock().set(SetupCheck::kMostRecentSpacesKey, *c.mru);
        if (c.swoosh)
            dock().set(SetupCheck::kAutoSwooshKey, *c.swoosh);
        EXPECT_EQ(passed("mru"), c.mruPasses);
        EXPECT_EQ(passed("swoosh"), c.swooshPasses);
    }
}

TEST_F(SetupCheckTest, DockSettingsComeFromTheWorldFile)
{
    install(worldFrom(R"({"preferenceDomains": {"com.apple.dock": {"mru-spaces": false, "workspaces-auto-swoosh": true}}})"));
    EXPECT_TRUE(passed("mru"));
    EXPECT_FALSE(passed("swoosh"));
    // The simulated system's preferences stay in memory; the program's own domain store is untouched.
    EXPECT_FALSE(UserDefaults::domainNamed(SetupCheck::kDockDomain).object(SetupCheck::kMostRecentSpacesKey));
}

TEST_F(SetupCheckTest, DesktopShortcutsNeedSwitchToDesktopOneToFourEnabled)
{
    EXPECT_TRUE(passed("hotkeys")); // the standard shortcuts enable Desktops 1-4

    install(worldFrom(R"({"hotKeys": [{"id": 120, "enabled": false}]})"));
    EXPECT_FALSE(passed("hotkeys"));

    install(worldFrom(R"({"hotKeys": [{"id": 121, "enabled": false}]})"));
    EXPECT_FALSE(passed("hotkeys"));

    install(worldFrom(R"({"unavailableFunctions": ["CGSIsSymbolicHotKeyEnabled"]})"));
    EXPECT_FALSE(passed("hotkeys"));
}

TEST_F(SetupCheckTest, BuildingTheListNeverPromptsOnlyFixesDo)
{
    world->accessibilityTrusted = false;
    world->screenRecordingGranted = false;
    for (int i = 0; i < 5; ++i)
        SetupCheck::all();
    EXPECT_EQ(world->accessibilityPrompts(), 0);
    EXPECT_EQ(world->screenCaptureRequests(), 0);
    EXPECT_TRUE(world->openedURLs().isEmpty());

    for (const SetupCheck& check : SetupCheck::all())
        check.fix();
    EXPECT_EQ(world->accessibilityPrompts(), 1);
    EXPECT_EQ(world->screenCaptureRequests(), 1);
    const QList<QUrl> expected = {
        QUrl("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"),
        QUrl("x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture"),
        QUrl("x-apple.systempreferences:com.apple.Desktop-Settings.extension"),
        QUrl("x-apple.systempreferences:com.apple.Desktop-Settings.extension"),
        QUrl("x-apple.systempreferences:com.apple.Keyboard-Settings.extension?Shortcuts"),
    };
    EXPECT_EQ(world->openedURLs(), expected);
}

} // namespace
