// The real desktop's own parts: its words, the parts it lacks, and the keys its window manager holds.
#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Core/Spaces/SpaceModel.h"
#include "Core/Switching/GlobalHotKey.h"
#include "Core/Switching/ShortcutManager.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

class X11PartsTest : public SharedDesktopTest {};

TEST_F(X11PartsTest, TheDesktopNamesItsOwnPartsAndHasOnlyItsPagersNames)
{
    const SystemParts::Words words = platform->parts().words();
    const SystemParts::Words first;
    EXPECT_EQ(words.computer, "computer");
    EXPECT_EQ(words.fileManager, "the file manager");
    EXPECT_EQ(words.systemSettings, "system settings");
    EXPECT_EQ(words.statusArea, "system tray");
    EXPECT_FALSE(words.system.isEmpty());
    EXPECT_NE(words.system, first.system);
    EXPECT_FALSE(words.system.contains(QRegularExpression("\\d"))) << "the name, not the version";
    using P = SystemParts::Part;
    for (P part : {P::dock, P::missionControl, P::trackpadGestures, P::shortcutsTool, P::appleScript, P::checkableSettings,
                   P::permissionPrompts, P::desktopShortcuts, P::altTabIsFree})
        EXPECT_FALSE(platform->parts().has(part)) << int(part);
    EXPECT_TRUE(platform->parts().has(P::desktopNames)) << "the window manager's pager shows them";
}

TEST_F(X11PartsTest, TheOverviewKeyIsFreeAndTakenKeysShowInDiagnostics)
{
    Settings::registerDefaults();
    EXPECT_EQ(Settings::overlayHotKey(), OverlayHotKeyPreset::controlOptionSpace);
    GlobalHotKeys hotKeys(platform->hotKeys(), scheduler);
    {
        ShortcutManager shortcuts(hotKeys, {});
        shortcuts.refresh();
        // openbox leaves it free (icewm keeps it for its address bar, and then it is reported like any other).
        if (WindowManager::chosen() == "openbox")
            EXPECT_FALSE(shortcuts.takenKeys().contains("Ctrl+Alt+Space"));
        const QString report = SettingsTransfer::diagnostics(SpaceSnapshot::empty(), shortcuts.failures());
        const QStringList lines = report.split('\n');
        ASSERT_GE(lines.size(), 2);
        EXPECT_TRUE(lines[1].startsWith(platform->parts().words().system)) << lines[1].toStdString();
        EXPECT_FALSE(report.contains("macOS"));
        EXPECT_FALSE(report.contains("Accessibility:"));
        EXPECT_FALSE(report.contains("Desktop shortcuts"));
        // Whatever this window manager holds is named, and the check says so.
        EXPECT_EQ(report.contains("Check Shortcuts: needs attention"), !shortcuts.takenKeys().isEmpty());
        for (const QString& taken : shortcuts.failures())
            EXPECT_TRUE(report.contains(taken)) << taken.toStdString();
    }
    if (WindowManager::chosen() != "openbox")
        return;
    // Alt+Tab is openbox's own switcher.
    Settings::defaults().set(Settings::Key::overlayHotKey, QStringLiteral("optionTab"));
    ShortcutManager shortcuts(hotKeys, {});
    shortcuts.refresh();
    EXPECT_TRUE(shortcuts.takenKeys().contains("Alt+Tab"));
    EXPECT_TRUE(shortcuts.failures().contains("Overview (Alt+Tab)"));
}

} // namespace
