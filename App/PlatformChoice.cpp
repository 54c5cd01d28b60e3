#include "App/PlatformChoice.h"

#include "Platform/Sim/SimPlatform.h"
#include "Platform/X11/X11Platform.h"

namespace lumivast {

namespace {

QString displayName(const QString& display)
{
    return display.isEmpty() ? QStringLiteral("(DISPLAY is not set)") : display;
}

} // namespace

std::shared_ptr<Platform> PlatformChoice::create() const
{
    if (!error.isEmpty())
        return nullptr;
    if (kind == Kind::x11)
        return X11Platform::create();
    return SimPlatform::create(world ? world : SimWorld::defaultWorld());
}

PlatformChoice choosePlatform(const QProcessEnvironment& environment)
{
    PlatformChoice choice;
    const QString asked = environment.value(QStringLiteral("LUMIVAST_PLATFORM"));
    const QString worldPath = environment.value(QStringLiteral("LUMIVAST_WORLD"));
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    if (!asked.isEmpty() && asked != QLatin1String("sim") && asked != QLatin1String("x11")) {
        choice.error = QStringLiteral("unknown platform \"%1\" in LUMIVAST_PLATFORM (it is sim or x11)").arg(asked);
        return choice;
    }
    if (asked == QLatin1String("x11")) {
        choice.kind = PlatformChoice::Kind::x11;
        // Asked for by name: without a server there is nothing to manage, so say so and stop.
        if (display.isEmpty() || X11Platform::probeDisplay(display.toLocal8Bit()) == X11Platform::DisplayState::unreachable) {
            choice.error = QStringLiteral("cannot open X display %1").arg(displayName(display));
            choice.displayUnreachable = true;
            return choice;
        }
        choice.reason = QStringLiteral("the X11 desktop on %1, as LUMIVAST_PLATFORM asks").arg(display);
        return choice;
    }
    if (!worldPath.isEmpty()) {
        QString worldError;
        choice.world = SimWorld::fromFile(worldPath, &worldError);
        if (!choice.world)
            choice.error = QStringLiteral("cannot load world %1: %2").arg(worldPath, worldError);
        choice.reason = QStringLiteral("the simulated desktop of %1").arg(worldPath);
        return choice;
    }
    if (asked == QLatin1String("sim")) {
        choice.reason = QStringLiteral("the built-in simulated desktop, as LUMIVAST_PLATFORM asks");
        return choice;
    }
    if (display.isEmpty()) {
        choice.reason = QStringLiteral("the built-in simulated desktop: DISPLAY is not set");
        return choice;
    }
    switch (X11Platform::probeDisplay(display.toLocal8Bit())) {
    case X11Platform::DisplayState::windowManager:
        choice.kind = PlatformChoice::Kind::x11;
        choice.reason = QStringLiteral("the X11 desktop on %1: its window manager follows EWMH").arg(display);
        break;
    case X11Platform::DisplayState::noWindowManager:
        choice.reason = QStringLiteral("the built-in simulated desktop: no EWMH window manager runs on %1").arg(display);
        break;
    case X11Platform::DisplayState::unreachable:
        choice.reason = QStringLiteral("the built-in simulated desktop: cannot open X display %1").arg(display);
        choice.displayUnreachable = true;
        break;
    }
    return choice;
}

} // namespace lumivast
