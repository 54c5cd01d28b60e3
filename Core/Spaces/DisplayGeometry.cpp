#include "Core/Spaces/DisplayGeometry.h"

#include "Platform/Coordinates.h"

#include "Platform/Platform.h"

#include <QUuid>

namespace lumivast::DisplayGeometry {

namespace {

std::optional<std::uint32_t> screenNumber(const ScreenInfo& screen)
{
    const PlistValue* value = screen.deviceDescription.value(QStringLiteral("NSScreenNumber"));
    const auto number = value ? value->integer() : std::nullopt;
    if (!number || *number < 0 || *number > 0xFFFFFFFFLL)
        return std::nullopt;
    return std::uint32_t(*number);
}

} // namespace

std::optional<std::uint32_t> directDisplayID(const QString& identifier)
{
    Screens& screens = Platform::current().screens();
    if (identifier == QLatin1String("Main"))
        return screens.mainDisplayID();
    const QUuid uuid = QUuid::fromString(identifier);
    if (uuid.isNull())
        return std::nullopt;
    const std::uint32_t id = screens.displayIDFromUUID(uuid);
    if (id == 0)
        return std::nullopt;
    return id;
}

bool screen(const ScreenInfo& info, std::uint32_t displayID)
{
    const auto number = screenNumber(info);
    return number && *number == displayID;
}

const DisplaySpaces* displayShownOn(const ScreenInfo& info, const SpaceSnapshot& snapshot)
{
    for (const DisplaySpaces& display : snapshot.displays) {
        const auto number = directDisplayID(display.id);
        if (number && screen(info, *number))
            return &display;
    }
    return nullptr;
}

std::optional<ScreenInfo> screen(const QString& identifier)
{
    const auto id = directDisplayID(identifier);
    if (!id)
        return std::nullopt;
    for (const ScreenInfo& info : Platform::current().screens().screens()) {
        if (screen(info, *id))
            return info;
    }
    return std::nullopt;
}

namespace {

std::optional<ScreenInfo> screenWithPointer(Screens& screens)
{
    const QPointF pointer = screens.pointerLocation();
    for (const ScreenInfo& info : screens.screens()) {
        if (Coordinates::containsHalfOpen(info.frame, pointer))
            return info;
    }
    return std::nullopt;
}

} // namespace

std::optional<ScreenInfo> screenUnderMouse()
{
    Screens& screens = Platform::current().screens();
    if (auto under = screenWithPointer(screens))
        return under;
    return screens.mainScreen();
}

std::optional<ScreenInfo> screenShowing(const QString& identifier)
{
    if (identifier == QLatin1String("Main")) {
        if (auto under = screenWithPointer(Platform::current().screens()))
            return under;
    }
    return screen(identifier);
}

} // namespace lumivast::DisplayGeometry
