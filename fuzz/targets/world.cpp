// World files (LUMIVAST_WORLD): the simulated desktop, its displays, Spaces, apps and windows.
#include "Core/Spaces/SpaceProvider.h"
#include "Platform/Platform.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/Sim/SimWorld.h"
#include "Platform/VirtualScheduler.h"
#include "fuzz/FuzzSupport.h"

#include <QJsonDocument>

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureApplication();
    const QJsonDocument document = QJsonDocument::fromJson(fuzz::bytes(data, size));
    if (!document.isObject())
        return 0;
    QString error;
    const std::shared_ptr<SimWorld> world = SimWorld::fromJson(document.object(), &error);
    if (!world) {
        fuzz::check(!error.isEmpty(), "a refused world says why");
        return 0;
    }
    // A world that loads can be asked about its Spaces.
    VirtualScheduler scheduler;
    Platform::install(SimPlatform::create(world));
    (void)SpaceProvider::snapshot(scheduler);
    return 0;
}
