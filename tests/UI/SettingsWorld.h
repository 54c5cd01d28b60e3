#pragma once

#include "Core/Previews/ThumbnailService.h"
#include "Core/Time/TimeTracker.h"
#include "Platform/SerialQueue.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Settings/SpaceEditor.h"
#include "tests/UI/PanelWorld.h"
#include "tests/support/FakeFilePanels.h"

#include <QApplication>
#include <QListWidget>

namespace lumivast::test {

// The panel world with everything the settings window is given, and its controller.
class SettingsWorldTest : public PanelWorldTest {
protected:
    void SetUp() override
    {
        PanelWorldTest::SetUp();
        tracker = std::make_unique<TimeTracker>(scheduler, AppPaths::file(QStringLiteral("stats.json")));
        thumbnails = std::make_unique<ThumbnailService>(scheduler, home.path(QStringLiteral("thumbs")));
        services = std::make_unique<SettingsServices>(*watcher, *store, *tracker, *thumbnails, scheduler, panels);
        controller = std::make_unique<SettingsWindowController>(*services);
    }
    void TearDown() override
    {
        controller.reset();
        // No shortcut listing may outlive the test's world and clock.
        SpaceEditor::shortcutQueue().waitUntilIdle();
        services.reset();
        thumbnails.reset();
        tracker.reset();
        PanelWorldTest::TearDown();
    }

    SettingsWindow& window() { return *controller->window(); }
    // The pane on show, as the type the tab builds.
    template <typename Pane>
    Pane* pane()
    {
        return controller->window() ? qobject_cast<Pane*>(controller->window()->pane()) : nullptr;
    }
    // Picks a tab with the sidebar, as a click would.
    void clickTab(SettingsTab tab)
    {
        QListWidget* sidebar = window().sidebar();
        sidebar->setCurrentRow(int(std::find(allSettingsTabs().begin(), allSettingsTabs().end(), tab) - allSettingsTabs().begin()));
    }

    FakeFilePanels panels;
    std::unique_ptr<TimeTracker> tracker;
    std::unique_ptr<ThumbnailService> thumbnails;
    std::unique_ptr<SettingsServices> services;
    std::unique_ptr<SettingsWindowController> controller;
};

} // namespace lumivast::test
