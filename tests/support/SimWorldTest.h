#pragma once

#include "Platform/Platform.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/TestEnv.h"

#include <QJsonDocument>

namespace lumivast::test {

// A fresh simulated world installed as the platform (which also drops the
// bridge's cached look-ups), a temporary home and a virtual clock.
class SimWorldTest : public TempHomeTest {
protected:
    SimWorldTest() { install(SimWorld::defaultWorld()); }

    void install(std::shared_ptr<SimWorld> w)
    {
        world = std::move(w);
        // The Dock's delays run on the test's clock.
        world->dock().setScheduler(scheduler);
        Platform::install(SimPlatform::create(world));
    }
    // A world from JSON text; fails the test when it does not load.
    std::shared_ptr<SimWorld> worldFrom(const char* json)
    {
        QString error;
        auto w = SimWorld::fromJson(QJsonDocument::fromJson(json).object(), &error);
        EXPECT_TRUE(w) << error.toStdString();
        return w ? w : SimWorld::defaultWorld();
    }

    std::shared_ptr<SimWorld> world;
    VirtualScheduler scheduler;
};

} // namespace lumivast::test
