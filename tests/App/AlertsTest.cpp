#include "App/Alerts.h"
#include "Core/Settings/Settings.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/OtherSystemParts.h"
#include "tests/support/SimWorldTest.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

class AlertsTest : public test::SimWorldTest {
protected:
    void SetUp() override { Settings::registerDefaults(); }
    test::FakeAlertService alerts;
};

TEST_F(AlertsTest, DegradedModeAlertIsOneWarningWithOK)
{
    Alerts::presentDegradedAlert(alerts);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0],
              (Alert{.style = Alert::Style::warning,
                     .messageText = "This version of macOS is not fully supported",
                     .informativeText = "Lumivast could not read the Spaces list from the system. It will keep "
                                        "running, but space detection may not work.",
                     .buttons = {"OK"}}));
}

TEST_F(AlertsTest, OnboardingNamesTheOverviewShortcut)
{
    EXPECT_EQ(Alerts::onboardingText(QString("F13"), SystemParts()),
              QString::fromUtf8(
                  "Lumivast lives in your menu bar. Press F13 to open the Space overview.\n\nTwo permissions make it "
                  "work:\n\u2022 Accessibility, to switch spaces.\n\u2022 Screen Recording, to capture a preview of each "
                  "space.\n\nmacOS will ask for each one now. You can change them later in System Settings."));

    struct Case {
        QJsonValue stored; // undefined: nothing stored
        const char* shortcut;
    };
    const Case cases[] = {
        {"optionTab", "Alt+Tab"},
        {"controlOptionSpace", "Ctrl+Alt+Space"},
        {"optionBacktick", "Alt+`"},
        {"commandOptionSpace", "Meta+Alt+Space"},
        {"f13", "F13"},
        {"F13", "Alt+Tab"},
        {"hyperSpace", "Alt+Tab"},
        {42, "Alt+Tab"},
        {QJsonValue::Undefined, "Alt+Tab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shortcut);
        Settings::defaults().remove(Settings::Key::didShowOnboarding);
        if (c.stored.isUndefined())
            Settings::defaults().remove(Settings::Key::overlayHotKey);
        else
            Settings::defaults().set(Settings::Key::overlayHotKey, c.stored);
        alerts.shown.clear();
        Alerts::runOnboardingIfNeeded(alerts, true);
        ASSERT_EQ(alerts.shown.size(), 1u);
        EXPECT_EQ(alerts.shown[0].messageText, "Welcome to Lumivast");
        EXPECT_EQ(alerts.shown[0].style, Alert::Style::standard);
        EXPECT_EQ(alerts.shown[0].buttons, (QStringList{"Continue", "Later"}));
        EXPECT_EQ(alerts.shown[0].informativeText, Alerts::onboardingText(QString::fromUtf8(c.shortcut), SystemParts()));
    }
}

TEST_F(AlertsTest, OnboardingRunsOnceAndIsMarkedBeforeItShows)
{
    world->accessibilityTrusted = false;
    world->screenRecordingGranted = false;
    alerts.answers = {AlertAnswer{1}}; // "Later"
    bool markedWhileShown = false;
    alerts.whileShown = [&](const Alert&) {
        markedWhileShown = Settings::defaults().boolValue(Settings::Key::didShowOnboarding);
    };
    Alerts::runOnboardingIfNeeded(alerts, true);
    EXPECT_TRUE(markedWhileShown);
    EXPECT_EQ(world->accessibilityPrompts(), 0);
    EXPECT_EQ(world->screenCaptureRequests(), 0);

    // The next launch, whichever button was pressed: nothing.
    const auto next = home.reopenDefaults();
    EXPECT_TRUE(next->boolValue(Settings::Key::didShowOnboarding));
    Alerts::runOnboardingIfNeeded(alerts, true);
    EXPECT_EQ(alerts.shown.size(), 1u);

    // Removing the mark brings it back; "Continue" asks for both permissions.
    Settings::defaults().remove(Settings::Key::didShowOnboarding);
    alerts.answers = {AlertAnswer{0}};
    Alerts::runOnboardingIfNeeded(alerts, true);
    EXPECT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(world->accessibilityPrompts(), 1);
    EXPECT_EQ(world->screenCaptureRequests(), 1);
}

TEST_F(AlertsTest, ContinueDoesNotAskForScreenRecordingAlreadyGranted)
{
    world->accessibilityTrusted = false;
    world->screenRecordingGranted = true;
    Alerts::runOnboardingIfNeeded(alerts, true);
    EXPECT_EQ(world->accessibilityPrompts(), 1);
    EXPECT_EQ(world->screenCaptureRequests(), 0);
}

TEST_F(AlertsTest, OnAnotherSystemTheWelcomeNamesItsTrayAndItsFreeKeyAndAsksForNothing)
{
    world->systemParts = std::make_shared<test::OtherSystemParts>();
    world->accessibilityTrusted = false;
    world->screenRecordingGranted = false;
    Settings::registerDefaults(); // Alt+Tab belongs to the desktop there
    Alerts::runOnboardingIfNeeded(alerts, true);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].informativeText,
              "Lumivast lives in your system tray. Press Ctrl+Alt+Space to open the Space overview.");
    EXPECT_EQ(alerts.shown[0].buttons, QStringList{"OK"});
    EXPECT_EQ(world->accessibilityPrompts(), 0);
    EXPECT_EQ(world->screenCaptureRequests(), 0);

    Alerts::presentDegradedAlert(alerts);
    EXPECT_EQ(alerts.shown.back().messageText, "This version of Debian GNU/Linux is not fully supported");
}

TEST_F(AlertsTest, AWelcomeNamesNoKeyThatWasNotRegistered)
{
    Alerts::runOnboardingIfNeeded(alerts, false);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_TRUE(alerts.shown[0].informativeText.startsWith(
        "Lumivast lives in your menu bar. Open the Space overview from its menu.\n\nTwo permissions"));
    EXPECT_FALSE(alerts.shown[0].informativeText.contains("Alt+Tab"));
}

TEST_F(AlertsTest, TakenShortcutsAreNamedWithWhereToChangeThem)
{
    Alerts::reportTakenShortcuts(alerts, {});
    EXPECT_TRUE(alerts.shown.empty());
    Alerts::reportTakenShortcuts(alerts, {"Overview (Alt+Tab)", "Ctrl+Alt+Left"});
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].messageText, "Some shortcuts are taken");
    EXPECT_EQ(alerts.shown[0].informativeText,
              QString::fromUtf8("Another program already uses these keys: Overview (Alt+Tab), Ctrl+Alt+Left. Choose other "
                                "keys in Settings \u203A Shortcuts."));
}

} // namespace
