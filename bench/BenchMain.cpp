#include "Platform/PlatformFallback.h"
#include "Platform/Sim/SimPlatform.h"

#include <QApplication>

#include <malloc.h>

#include <benchmark/benchmark.h>

// One main for every benchmark file in this folder; Qt objects (widgets among them) need an application.
int main(int argc, char** argv)
{
    // The tray image and the menus are redrawn from fresh buffers of a few
    // hundred kilobytes; keep freed heap instead of handing it back to the
    // system and faulting it in again on every redraw.
    mallopt(M_TRIM_THRESHOLD, 8 * 1024 * 1024);
    // Widgets measured offscreen, at device pixel ratio 2.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    // A benchmark that installs nothing measures the built-in simulated world.
    lumivast::setFallbackPlatform([] { return lumivast::SimPlatform::create(lumivast::SimWorld::defaultWorld()); });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
