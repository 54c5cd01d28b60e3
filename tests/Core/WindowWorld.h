#pragma once

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/Sim/SimAccessibility.h"
#include "Platform/Sim/SimEvents.h"
#include "tests/support/SimWorldTest.h"

#include <QCoreApplication>

namespace lumivast::test {

// Main: desktops S1 (1, current), S2 (2), S3 (3) and the full-screen F4 (4)
// of the video player. EXT: desktops S5 (5, current) and S6 (6).
// Editor has two windows on S2, the browser one on S1, the terminal one on
// S3; the notes app (405) is the scratchpad candidate; the player (406) is
// installed but not running.
inline const char* kWindowWorld = R"({
  "displays": [ { "identifier": "Main", "main": true, "current": 1, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982},
                  "spaces": [ {"managedID": 1, "uuid": "S1"}, {"managedID": 2, "uuid": "S2"}, {"managedID": 3, "uuid": "S3"},
                              {"managedID": 4, "uuid": "F4", "type": "fullscreen", "pid": 404} ] },
                { "uuid": "E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B", "current": 5, "frame": {"x": 1512, "y": 0, "w": 1920, "h": 1080},
                  "spaces": [ {"managedID": 5, "uuid": "S5"}, {"managedID": 6, "uuid": "S6"} ] } ],
  "apps": [ {"pid": 401, "bundleID": "org.example.browser", "name": "Browser"},
            {"pid": 402, "bundleID": "org.example.editor", "name": "Editor"},
            {"pid": 403, "bundleID": "org.example.terminal", "name": "Terminal"},
            {"pid": 404, "bundleID": "org.example.video", "name": "Video"},
            {"pid": 405, "bundleID": "org.example.notes", "name": "Notes"},
            {"pid": 406, "bundleID": "org.example.player", "name": "Player", "running": false} ],
  "windows": [ {"id": 11, "pid": 401, "title": "Start", "frame": {"x": 100, "y": 50, "w": 600, "h": 400}, "spaces": [1]},
               {"id": 12, "pid": 402, "title": "a.txt", "frame": {"x": 200, "y": 120, "w": 800, "h": 600}, "spaces": [2]},
               {"id": 13, "pid": 402, "title": "b.txt", "frame": {"x": 260, "y": 160, "w": 800, "h": 600}, "spaces": [2]},
               {"id": 14, "pid": 403, "title": "shell", "frame": {"x": 300, "y": 200, "w": 700, "h": 450}, "spaces": [3]},
               {"id": 15, "pid": 404, "title": "Movie", "frame": {"x": 0, "y": 0, "w": 1512, "h": 982}, "spaces": [4]},
               {"id": 16, "pid": 405, "title": "Scratch", "frame": {"x": 400, "y": 300, "w": 500, "h": 400}, "spaces": [3]} ],
  "frontmost": 401,
  "pointer": {"x": 700, "y": 400}
})";

inline const QString kExtDisplay = QStringLiteral("E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B");

class WindowWorldTest : public SimWorldTest {
protected:
    WindowWorldTest()
    {
        install(worldFrom(kWindowWorld));
        Settings::registerDefaults();
    }

    SpaceSnapshot snapshot() { return *SpaceProvider::snapshot(scheduler); }
    Space space(const char* id) { return *snapshot().space(QString::fromLatin1(id)); }

    SimWorld::Window& window(std::uint32_t id) { return *world->window(id); }
    std::vector<std::uint64_t> spacesOf(std::uint32_t id) { return world->window(id)->spaces; }
    std::uint64_t current(const QString& display = QStringLiteral("Main"))
    {
        for (const SimWorld::Display& d : world->displays) {
            if (d.identifier == display)
                return d.current;
        }
        return 0;
    }
    // A window in front of all others.
    void addFrontWindow(std::uint32_t id, std::int32_t pid, QRectF frame, std::vector<std::uint64_t> spaces)
    {
        SimWorld::Window w;
        w.id = id;
        w.pid = pid;
        w.frame = frame;
        w.spaces = std::move(spaces);
        world->windows.insert(world->windows.begin(), w);
    }
    // Switches Spaces the way the system does it, with its notifications.
    void showSpace(std::uint64_t managedID, const QString& display = QStringLiteral("Main"))
    {
        ASSERT_TRUE(world->switchSpace(display, managedID));
    }

    // One pass of the window contents: the delay, the reading, the publishing.
    void readContents()
    {
        contents.refresh();
        scheduler.advance(SpaceContents::kPassDelay);
        contents.waitForReading();
        scheduler.runPending();
    }

    // This process as a running application of the world.
    std::int32_t addOwnApp()
    {
        const auto pid = std::int32_t(QCoreApplication::applicationPid());
        SimWorld::App own;
        own.pid = pid;
        own.bundleID = QStringLiteral("org.lumivast.app");
        own.name = QStringLiteral("Lumivast");
        world->apps.push_back(own);
        return pid;
    }

    QStringList axLog() { return world->accessibility().log(); }

    SpaceSwitcher switcher{scheduler};
    SpaceContents contents{scheduler};
};

} // namespace lumivast::test
