#pragma once

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "tests/support/SimWorldTest.h"

#include <QDir>
#include <QImage>
#include <QStandardPaths>

#include <memory>

namespace lumivast::test {

// Three desktops (Desktop 2 named "Work"), three apps and six windows; the
// pointer rests on the second of two screens.
inline const char* const kPanelWorld = R"({
  "displays": [
    {"uuid": "11111111-1111-4111-8111-111111111111", "main": true, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982},
     "current": 1, "spaces": [ {"managedID": 1}, {"managedID": 2}, {"managedID": 3} ]},
    {"uuid": "22222222-2222-4222-8222-222222222222", "frame": {"x": 1512, "y": 0, "w": 1920, "h": 1080},
     "spaces": [ {"managedID": 7} ]}
  ],
  "apps": [ {"pid": 401, "bundleID": "org.example.browser", "name": "Browser"},
            {"pid": 402, "bundleID": "org.example.editor", "name": "Editor"},
            {"pid": 403, "bundleID": "org.example.mail", "name": "Mail"} ],
  "windows": [ {"id": 11, "pid": 401, "title": "Safe Harbour", "spaces": [1]},
               {"id": 12, "pid": 402, "title": "New York notes", "spaces": [2]},
               {"id": 13, "pid": 401, "title": "", "spaces": [3]},
               {"id": 14, "pid": 403, "title": "Inbox", "spaces": [1]},
               {"id": 15, "pid": 402, "title": "caf\u00e9.txt", "spaces": [3]},
               {"id": 16, "pid": 401, "title": "Docs", "spaces": [2]} ],
  "pointer": {"x": 2000, "y": 500}
})";

class PanelWorldTest : public SimWorldTest {
protected:
    void SetUp() override
    {
        install(worldFrom(kPanelWorld));
        Settings::registerDefaults();
        DemoMode::resetForTesting();
        watcher = std::make_unique<SpaceWatcher>(scheduler);
        contents = std::make_unique<SpaceContents>(scheduler);
        store = std::make_unique<SpaceStore>(scheduler, AppPaths::file(QStringLiteral("spaces.json")));
        watcher->start();
        readContents();
        store->setName(QStringLiteral("Work"), space(2).id);
    }
    void TearDown() override { DemoMode::resetForTesting(); }

    void readContents() { readContents(*contents); }
    void readContents(SpaceContents& of)
    {
        of.refresh();
        scheduler.advance(SpaceContents::kPassDelay);
        of.waitForReading();
        scheduler.runPending();
    }

    // Switches the main display and lets the watcher and the contents catch up.
    void switchTo(int managedID)
    {
        world->switchSpace(world->displays.front().identifier, std::uint64_t(managedID));
        scheduler.advance(SpaceWatcher::kDebounce);
        readContents();
    }

    Space space(int managedID) const
    {
        for (const Space& s : watcher->snapshot().allSpaces()) {
            if (s.managedID == managedID)
                return s;
        }
        ADD_FAILURE() << "no Space " << managedID;
        return {};
    }

    // Saves a grab for people who want to look, when LUMIVAST_SCREENSHOT_DIR names a folder.
    static void keep(const QImage& image, const QString& name)
    {
        const QString dir = qEnvironmentVariable("LUMIVAST_SCREENSHOT_DIR");
        if (!dir.isEmpty() && QDir().mkpath(dir))
            image.save(QDir(dir).filePath(name + QStringLiteral(".png")));
    }

    std::unique_ptr<SpaceWatcher> watcher;
    std::unique_ptr<SpaceContents> contents;
    std::unique_ptr<SpaceStore> store;
};

} // namespace lumivast::test
