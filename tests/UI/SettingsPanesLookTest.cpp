#include "Core/Profiles/ProfileStore.h"
#include "UI/Settings/PaneKit.h"
#include "tests/UI/SettingsWorld.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

class SettingsPanesLookTest : public test::SettingsWorldTest {
protected:
    // Lays the window out as its first frame would.
    void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
};

// Each of the seven panes at the window's first size: nothing cut off
// sideways, every single-line text and every button as wide as its text.
TEST_F(SettingsPanesLookTest, EveryPaneFitsTheWindowWithoutClippingItsTexts)
{
    ProfileStore(*store, scheduler, AppPaths::file("profiles.json")).saveCurrent("Home");
    ProfileStore(*store, scheduler, AppPaths::file("profiles.json")).saveCurrent("Work");
    tracker->track(space(2).id);
    scheduler.advance(4000s);
    tracker->track(space(1).id);
    scheduler.advance(1300s);
    tracker->track(space(3).id);
    scheduler.advance(200s);
    services->shortcutFailures = [] { return QStringList{"Ctrl+Alt+3", "Ctrl+Alt+Shift+3"}; };
    world->accessibilityTrusted = false;
    Settings::defaults().set(K::floatingToolbar, true);
    Settings::defaults().set(K::desktopLabel, true);

    const std::pair<SettingsTab, const char*> tabs[] = {
        {SettingsTab::profiles, "profiles"}, {SettingsTab::shortcuts, "shortcuts"}, {SettingsTab::appearance, "appearance"},
        {SettingsTab::overview, "overview"}, {SettingsTab::stats, "time"},          {SettingsTab::setup, "setup"},
        {SettingsTab::backup, "backup"}};
    for (const auto& [tab, name] : tabs) {
        SCOPED_TRACE(name);
        controller->show(tab);
        settle();
        auto* pane = qobject_cast<PaneForm*>(window().pane());
        ASSERT_NE(pane, nullptr);
        EXPECT_FALSE(pane->horizontalScrollBar()->isVisible());
        for (QLabel* label : pane->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(pane) || label->wordWrap() || label->text().isEmpty() || !label->pixmap().isNull())
                continue;
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << label->text().toStdString();
        }
        for (QAbstractButton* button : pane->findChildren<QAbstractButton*>()) {
            if (button->isVisibleTo(pane))
                EXPECT_GE(button->width(), button->minimumSizeHint().width()) << button->text().toStdString();
        }
        for (QComboBox* picker : pane->findChildren<QComboBox*>()) {
            if (picker->isVisibleTo(pane))
                EXPECT_GE(picker->width(), picker->minimumSizeHint().width()) << picker->currentText().toStdString();
        }
        keep(window().grab().toImage(), QStringLiteral("settings-") + QString::fromLatin1(name));
        keep(pane->content()->grab().toImage(), QStringLiteral("settings-") + QString::fromLatin1(name) + QStringLiteral("-whole"));
    }
}

} // namespace
