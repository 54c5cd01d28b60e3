#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Platform/Sim/SimServices.h"
#include "Platform/UserDefaults.h"
#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

class DiagnosticsTest : public SimWorldTest {
protected:
    DiagnosticsTest()
    {
        QString error;
        auto fixtureWorld = SimWorld::fromFile(test::fixture("worlds/two-displays-fullscreen.json"), &error);
        EXPECT_TRUE(fixtureWorld) << error.toStdString();
        install(fixtureWorld);
        Settings::registerDefaults();
        world->preferenceDomain(QStringLiteral("com.apple.dock")).set(QStringLiteral("mru-spaces"), false);
    }

    SpaceSnapshot snapshot() { return SpaceProvider::snapshot(scheduler).value_or(SpaceSnapshot{}); }
    QStringList lines(const QStringList& failures = {}, const BundleInfo& bundle = {QStringLiteral("2.1"), QStringLiteral("214")})
    {
        return SettingsTransfer::diagnostics(snapshot(), failures, bundle).split(QLatin1Char('\n'));
    }
};

TEST_F(DiagnosticsTest, ReportForTwoDisplays)
{
    const QString text = SettingsTransfer::diagnostics(snapshot(), {QStringLiteral("Alt+Tab")},
                                                       {QStringLiteral("2.1"), QStringLiteral("214")});
    EXPECT_EQ(text,
              "Lumivast 2.1 (214)\n"
              "macOS Version 15\n"
              "Bridge health: 0b1111111 healthy=true\n"
              "Accessibility: false\n"
              "Screen Recording: true\n"
              "Switch mode: instant\n"
              "Displays: 2, Spaces: 6\n"
              "Check Accessibility: needs attention\n"
              "Check Screen Recording: ok\n"
              "Check Spaces stay in order: ok\n"
              "Check No jumping on app switch: needs attention\n"
              "Check Desktop shortcuts: ok\n"
              "Shortcuts taken by other apps: Alt+Tab");
}

TEST_F(DiagnosticsTest, TakenShortcutsLineOnlyWhenThereAreAny)
{
    const QStringList none = lines();
    ASSERT_EQ(none.size(), 12);
    EXPECT_EQ(none.last(), "Check Desktop shortcuts: ok");

    const QStringList three = lines({"Alt+Tab", "Ctrl+Alt+1", "Alt+`"});
    ASSERT_EQ(three.size(), 13);
    EXPECT_EQ(three.last(), "Shortcuts taken by other apps: Alt+Tab, Ctrl+Alt+1, Alt+`");
}

TEST_F(DiagnosticsTest, BridgeHealthLine)
{
    struct Case {
        const char* world;
        const char* line;
    };
    const Case cases[] = {
        {R"({"connection": 0, "unavailableFunctions": ["SLSCopyManagedDisplaySpaces", "SLSCopyActiveMenuBarDisplayIdentifier",
              "SLSGetActiveSpace", "SLSRegisterConnectionNotifyProc", "CGSSetSymbolicHotKeyEnabled"]})",
         "Bridge health: 0b0 healthy=false"},
        {R"({"unavailableFunctions": ["SLSCopyActiveMenuBarDisplayIdentifier", "SLSGetActiveSpace",
              "SLSRegisterConnectionNotifyProc", "CGSSetSymbolicHotKeyEnabled"]})",
         "Bridge health: 0b1000011 healthy=true"},
        {R"({"managedDisplaySpaces": []})", "Bridge health: 0b111111 healthy=false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.world);
        install(worldFrom(c.world));
        EXPECT_EQ(lines().at(2), QString::fromUtf8(c.line));
    }
}

TEST_F(DiagnosticsTest, FallbacksAndSettings)
{
    Settings::defaults().set(Settings::Key::switchMode, QStringLiteral("classic"));
    const QStringList report = SettingsTransfer::diagnostics(SpaceSnapshot{}, {}, BundleInfo{QStringLiteral("0.1.0"), std::nullopt})
                                   .split(QLatin1Char('\n'));
    ASSERT_EQ(report.size(), 12);
    EXPECT_EQ(report[0], "Lumivast 0.1.0 (?)");
    EXPECT_EQ(report[5], "Switch mode: classic");
    EXPECT_EQ(report[6], "Displays: 0, Spaces: 0");
    EXPECT_EQ(SettingsTransfer::diagnostics(SpaceSnapshot{}, {}, BundleInfo{}).split(QLatin1Char('\n'))[0], "Lumivast ? (?)");
    EXPECT_TRUE(BundleInfo::main().shortVersion.has_value());
}

TEST_F(DiagnosticsTest, CopyingReplacesThePasteboardWithTheReport)
{
    world->pasteboard().setString(QStringLiteral("older"));
    SettingsTransfer::copyDiagnostics(snapshot(), {});
    EXPECT_EQ(world->pasteboard().clears, 1);
    ASSERT_TRUE(world->pasteboard().text);
    EXPECT_EQ(world->pasteboard().text->split(QLatin1Char('\n')).size(), 12);
    EXPECT_TRUE(world->pasteboard().text->startsWith(QStringLiteral("Lumivast ")));
}

} // namespace
