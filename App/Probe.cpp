#include "App/Probe.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Platform/Platform.h"

namespace lumivast {

namespace {

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

QStringList probeReport(const Scheduler& clock)
{
    QStringList lines;
    const CGSBridgeHealth health = CGSBridgeProbe();
    lines << QStringLiteral("bridge health: 0b%1 healthy=%2").arg(QString::number(health.rawValue, 2), boolText(health.isHealthy()));

    const std::optional<SpaceSnapshot> snapshot = SpaceProvider::snapshot(clock);
    if (!snapshot) {
        lines << QStringLiteral("snapshot unavailable");
    } else {
        for (const DisplaySpaces& display : snapshot->displays) {
            const auto screen = DisplayGeometry::screen(display.id);
            lines << QStringLiteral("display %1 menuBar=%2 name=%3")
                         .arg(display.id, boolText(display.isMenuBarDisplay), screen ? screen->localizedName : QStringLiteral("Display"));
            for (const Space& space : display.spaces) {
                const QString kind = space.isFullscreen ? QStringLiteral("fullscreen pid=%1").arg(space.fullscreenPID.value_or(0))
                                                        : QStringLiteral("desktop %1").arg(space.desktopNumber.value_or(0));
                lines << QStringLiteral("  %1 [%2] %3 managed=%4 id=%5")
                             .arg(space.isActive ? QStringLiteral("*") : QStringLiteral(" "))
                             .arg(space.indexOnDisplay)
                             .arg(kind)
                             .arg(space.managedID)
                             .arg(space.id);
            }
        }
    }

    Trust& trust = Platform::current().trust();
    lines << QStringLiteral("accessibility=%1 screenRecording=%2")
                 .arg(boolText(trust.isAccessibilityTrusted(false)), boolText(trust.preflightScreenCaptureAccess()));
    return lines;
}

} // namespace lumivast
