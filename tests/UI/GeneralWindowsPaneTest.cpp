#include "Core/Automation/BrowserProfiles.h"
#include "Platform/Sim/SimLoginItem.h"
#include "Platform/Sim/SimServices.h"
#include "UI/Settings/GeneralPane.h"
#include "UI/Settings/WindowsPane.h"
#include "tests/UI/PaneTesting.h"
#include "tests/UI/SettingsWorld.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <QScopeGuard>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;
using test::findByText;
using test::shown;

namespace {

struct ToggleRow {
    const char* label;
    QString key;
    bool registeredDefault;
};

class GeneralPaneTest : public test::SettingsWorldTest {
protected:
    GeneralPane* open()
    {
        controller->show(SettingsTab::general);
        return pane<GeneralPane>();
    }
};

// Every bound toggle shows its default, writes its key when clicked, and follows
// an outside write (a junk value included) without writing back.
void checkToggles(QWidget* pane, UserDefaults& defaults, const std::vector<ToggleRow>& rows)
{
    for (const ToggleRow& row : rows) {
        SCOPED_TRACE(row.label);
        auto* toggle = findByText<SettingToggle>(pane, QString::fromUtf8(row.label));
        ASSERT_NE(toggle, nullptr);
        EXPECT_EQ(toggle->key(), row.key);
        EXPECT_EQ(toggle->isChecked(), row.registeredDefault);
        toggle->click();
        EXPECT_EQ(defaults.object(row.key), QJsonValue(!row.registeredDefault));
        int writes = 0;
        // Counts for this row only: the next row's clicks must not reach this row's counter.
        const QMetaObject::Connection counting = QObject::connect(
            &defaults, &UserDefaults::changed, toggle, [&](const QString& key) { writes += key == row.key; });
        const auto stopCounting = qScopeGuard([&] { QObject::disconnect(counting); });
        defaults.set(row.key, row.registeredDefault);
        EXPECT_EQ(toggle->isChecked(), row.registeredDefault);
        defaults.set(row.key, QStringLiteral("junk"));
        EXPECT_FALSE(toggle->isChecked());
        EXPECT_EQ(defaults.object(row.key), QJsonValue(QStringLiteral("junk")));
        EXPECT_EQ(writes, 2);
        defaults.remove(row.key);
        EXPECT_EQ(toggle->isChecked(), row.registeredDefault);
    }
}

TEST_F(GeneralPaneTest, EveryToggleWritesItsKeyAndFollowsOutsideWrites)
{
    GeneralPane* general = open();
    ASSERT_NE(general, nullptr);
    checkToggles(general, home.defaults(),
                 {{"Ask to name new Spaces", K::askToNameNewSpaces, true},
                  {"Show names in Mission Control", K::missionControlLabels, true},
                  {"Run Space automations", K::runAutomations, true},
                  {"Name unnamed Spaces after their main app", K::autoNameSpaces, false},
                  {"Four-finger tap on the trackpad opens the overview", K::fourFingerTap, false},
                  {"Let other apps on this Mac read and control Spaces", K::localAPI, false},
                  {"Follow a window after moving it to another Space", K::followMovedWindow, false},
                  {"Stay on this Space when clicking Dock icons", K::dockClickProtection, false}});
}

TEST_F(GeneralPaneTest, TheMethodPickerStoresRawValues)
{
    GeneralPane* general = open();
    auto* picker = general->findChild<SettingPicker*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->key(), K::switchMode);
    ASSERT_EQ(picker->count(), 2);
    EXPECT_EQ(picker->itemText(0), "Instant (no animation)");
    EXPECT_EQ(picker->itemText(1), "Classic (Mission Control shortcuts)");
    EXPECT_EQ(picker->currentIndex(), 0);
    home.defaults().set(K::switchMode, QStringLiteral("classic"));
    EXPECT_EQ(picker->currentIndex(), 1);
    picker->setCurrentIndex(0);
    EXPECT_EQ(home.defaults().string(K::switchMode), "instant");
}

TEST_F(GeneralPaneTest, TheLocalAPIRowsShowOnlyWhileTheAPIIsOnAndTheTokenIsCopiedNotShown)
{
    services->apiToken = [] { return QStringLiteral("s3cret"); };
    GeneralPane* general = open();
    EXPECT_FALSE(shown(general->addressRow(), general));
    EXPECT_FALSE(shown(general->copyTokenButton(), general));
    EXPECT_FALSE(shown(general->apiCaption(), general));
    home.defaults().set(K::localAPI, true);
    EXPECT_TRUE(shown(general->addressRow(), general));
    EXPECT_TRUE(shown(general->copyTokenButton(), general));
    EXPECT_TRUE(shown(general->apiCaption(), general));
    auto* address = general->addressRow()->findChildren<QLabel*>().back();
    EXPECT_EQ(address->text(), "http://127.0.0.1:57301");

    world->pasteboard().text = QStringLiteral("older");
    general->copyTokenButton()->click();
    EXPECT_EQ(world->pasteboard().clears, 1);
    EXPECT_EQ(world->pasteboard().text, QStringLiteral("s3cret"));
    for (QLabel* label : general->findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains(QStringLiteral("s3cret")));
}

TEST_F(GeneralPaneTest, LaunchAtLoginActsOnlyOnTheUsersChangeAndShowsTheRealStateAfterARefusal)
{
    world->loginItem().enabled = true;
    GeneralPane* general = open();
    EXPECT_TRUE(general->launchAtLogin()->isChecked());
    EXPECT_TRUE(world->loginItem().calls.isEmpty());
    general->launchAtLogin()->click();
    EXPECT_EQ(world->loginItem().calls, QStringList{"disable"});
    EXPECT_FALSE(world->loginItem().enabled);

    world->loginItem().refuses = true;
    general->launchAtLogin()->click();
    EXPECT_EQ(world->loginItem().calls, (QStringList{"disable", "enable"}));
    EXPECT_FALSE(general->launchAtLogin()->isChecked());
    EXPECT_FALSE(world->loginItem().enabled);
}

TEST_F(GeneralPaneTest, AboutShowsTheVersionAndAFreshBridgeHealth)
{
    EXPECT_EQ(GeneralPane::versionText(BundleInfo{}), "dev");
    EXPECT_EQ(GeneralPane::versionText(BundleInfo{QStringLiteral("2.1.0"), std::nullopt}), "2.1.0");
    GeneralPane* general = open();
    EXPECT_EQ(general->versionLabel()->text(), GeneralPane::versionText(BundleInfo::main()));
    EXPECT_EQ(general->bridgeLabel()->text(), "Healthy");
    // The next draw probes again.
    world->spacesListOverride = PlistValue(PlistValue::Array{});
    general->bridgeLabel()->grab();
    EXPECT_EQ(general->bridgeLabel()->text(), "Degraded");
}

// ---- Windows ----

class WindowsPaneTest : public test::SettingsWorldTest {
protected:
    WindowsPane* open()
    {
        controller->show(SettingsTab::windows);
        return pane<WindowsPane>();
    }
};

TEST_F(WindowsPaneTest, EveryToggleWritesItsKeyAndFollowsOutsideWrites)
{
    WindowsPane* windows = open();
    ASSERT_NE(windows, nullptr);
    checkToggles(windows, home.defaults(),
                 {{"Return focus to the last window when you come back to a Space", K::restoreFocus, true},
                  {"Space Lock: when an app pulls me to another Space, bring its window here instead", K::spaceLock, false},
                  {"Apply \"Apps that belong here\" rules to new windows", K::applyAppRules, true},
                  {"Remember where every window is (every 5 minutes)", K::autoSaveLayout, true},
                  {"Put windows back when an external display is reconnected", K::restoreOnDisplayReconnect, true},
                  {"Show a small dock with only this Space's apps", K::spaceDock, false}});
}

TEST_F(WindowsPaneTest, TheScratchpadRowShowsAnAppTheWorkspaceFinds)
{
    WindowsPane* windows = open();
    EXPECT_FALSE(shown(windows->scratchpadIcon(), windows));
    EXPECT_FALSE(shown(windows->removeButton(), windows));
    EXPECT_TRUE(shown(windows->chooseButton(), windows));

    // Cancelled: nothing changes.
    windows->chooseButton()->click();
    ASSERT_EQ(panels.opened.size(), 1u);
    EXPECT_EQ(panels.opened[0].allowedKinds, std::vector<FileKind>{FileKind::application});
    EXPECT_FALSE(panels.opened[0].allowsMultipleSelection);
    EXPECT_EQ(panels.opened[0].directory, "/Applications");
    EXPECT_EQ(home.defaults().string(K::scratchpadApp), "");

    panels.openAnswers.push_back(QStringList{"/Applications/Editor.app"});
    windows->chooseButton()->click();
    EXPECT_EQ(home.defaults().string(K::scratchpadApp), "org.example.editor");
    EXPECT_TRUE(shown(windows->scratchpadIcon(), windows));
    EXPECT_EQ(windows->scratchpadIcon()->pixmap().deviceIndependentSize(), QSizeF(18, 18));
    EXPECT_EQ(windows->scratchpadName()->text(), "Editor");
    EXPECT_TRUE(shown(windows->removeButton(), windows));

    // A choice without a bundle identifier changes nothing.
    panels.openAnswers.push_back(QStringList{"/Applications/Nothing.app"});
    windows->chooseButton()->click();
    EXPECT_EQ(home.defaults().string(K::scratchpadApp), "org.example.editor");

    windows->removeButton()->click();
    EXPECT_EQ(home.defaults().string(K::scratchpadApp), "");
    EXPECT_FALSE(shown(windows->removeButton(), windows));

    // An app the workspace cannot find shows as nothing, and the value stays.
    home.defaults().set(K::scratchpadApp, QStringLiteral("org.example.gone"));
    EXPECT_FALSE(shown(windows->scratchpadName(), windows));
    EXPECT_FALSE(shown(windows->removeButton(), windows));
    EXPECT_EQ(home.defaults().string(K::scratchpadApp), "org.example.gone");
}

TEST_F(WindowsPaneTest, TheAltTabSectionFollowsTheInstallationAndItsMessageGoesWithThePane)
{
    WindowsPane* windows = open();
    EXPECT_FALSE(shown(windows->altTabSection(), windows));
    EXPECT_EQ(windows->outcome(), std::nullopt);

    world->installed.push_back({QStringLiteral("/Applications/AltTab.app"), AltTabSetup::kBundleID, QStringLiteral("AltTab")});
    services->snapshots.send();
    ASSERT_TRUE(shown(windows->altTabSection(), windows));
    windows->altTabButton()->click();
    EXPECT_EQ(windows->outcome(), QStringLiteral("AltTab now shows windows of the visible Space only."));
    EXPECT_EQ(world->preferenceDomain(AltTabSetup::kBundleID).string(QStringLiteral("spacesToShow")), "1");

    // Another tab and back: a new pane without the message.
    clickTab(SettingsTab::general);
    clickTab(SettingsTab::windows);
    WindowsPane* again = pane<WindowsPane>();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->outcome(), std::nullopt);
    EXPECT_TRUE(shown(again->altTabSection(), again));
}

TEST_F(WindowsPaneTest, APaneIsBuiltAnewOnEveryTabChangeAndTheOldOneDestroyed)
{
    WindowsPane* first = open();
    QPointer<QWidget> old(first);
    clickTab(SettingsTab::general);
    EXPECT_TRUE(old.isNull());
    ASSERT_NE(pane<GeneralPane>(), nullptr);
    QPointer<QWidget> general(window().pane());
    clickTab(SettingsTab::stats);
    EXPECT_TRUE(general.isNull());
    EXPECT_NE(window().pane(), nullptr);
    // Closing and opening again keeps the pane as it was.
    clickTab(SettingsTab::windows);
    QPointer<QWidget> kept(window().pane());
    window().close();
    controller->show();
    EXPECT_EQ(window().pane(), kept.data());
}

} // namespace
