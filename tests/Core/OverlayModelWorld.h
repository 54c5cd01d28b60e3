#pragma once

#include "Core/Demo/DemoMode.h"
#include "Core/Overview/OverlayViewModel.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "tests/support/SimWorldTest.h"

#include <memory>

namespace lumivast::test {

// The overview's model over the Space services it reads, on a world of the
// test's choosing; default settings, demo mode off.
class OverlayModelWorldTest : public SimWorldTest {
protected:
    OverlayModelWorldTest()
    {
        Settings::registerDefaults();
        DemoMode::resetForTesting();
    }
    ~OverlayModelWorldTest() override
    {
        DemoMode::resetForTesting();
        Settings::defaults().remove(Settings::Key::demoMode);
    }

    // Installs the world in `json` with new services and a new model on it; the watcher has started.
    void useWorld(const char* json)
    {
        model.reset();
        install(worldFrom(json));
        watcher = std::make_unique<SpaceWatcher>(scheduler);
        store = std::make_unique<SpaceStore>(scheduler, home.path("spaces.json"));
        thumbnails = std::make_unique<ThumbnailService>(scheduler, home.path("Thumbnails"));
        contents = std::make_unique<SpaceContents>(scheduler);
        model = std::make_unique<OverlayViewModel>(scheduler, *watcher, *store, *thumbnails, *contents);
        watcher->start();
    }

    std::unique_ptr<SpaceWatcher> watcher;
    std::unique_ptr<SpaceStore> store;
    std::unique_ptr<ThumbnailService> thumbnails;
    std::unique_ptr<SpaceContents> contents;
    std::unique_ptr<OverlayViewModel> model;
};

} // namespace lumivast::test
