#include "Core/Spaces/SpaceProvider.h"

#include "CGSBridge/CGSBridge.h"
#include "Platform/Log.h"
#include "Platform/Scheduler.h"

#include <limits>

namespace lumivast {

namespace {

// Every element a dictionary with string keys.
bool isListOfDisplays(const PlistValue& list)
{
    const PlistValue::Array* items = list.array();
    if (!items)
        return false;
    for (const PlistValue& item : *items) {
        if (!item.isStringKeyedDict())
            return false;
    }
    return true;
}

// An array whose elements are all dictionaries.
const PlistValue::Array* arrayOfDicts(const PlistValue* value)
{
    const PlistValue::Array* items = value ? value->array() : nullptr;
    if (!items)
        return nullptr;
    for (const PlistValue& item : *items) {
        if (!item.dict())
            return nullptr;
    }
    return items;
}

std::optional<int> managedNumber(const PlistValue& space)
{
    const PlistValue* value = space.value(QStringLiteral("ManagedSpaceID"));
    const auto number = value ? value->integer() : std::nullopt;
    if (!number || *number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(*number);
}

} // namespace

std::optional<SpaceSnapshot> SpaceProvider::snapshot(const Scheduler& clock)
{
    const PlistValue list = CGSBridgeCopyManagedDisplaySpaces();
    if (list.isNull() || !isListOfDisplays(list))
        return snapshot(list, {}, clock.wallNow());
    return snapshot(list, CGSBridgeCopyActiveMenuBarDisplayIdentifier(), clock.wallNow());
}

std::optional<SpaceSnapshot> SpaceProvider::snapshot(const PlistValue& list, const PlistValue& menuBarDisplay, const QDateTime& timestamp)
{
    if (!isListOfDisplays(list)) {
        qCCritical(lcSpaceProvider) << "CGSCopyManagedDisplaySpaces returned nothing";
        return std::nullopt;
    }
    const QString* named = menuBarDisplay.string();
    const QString menuBarID = named ? *named : QStringLiteral("Main");

    SpaceSnapshot result;
    result.timestamp = timestamp;
    int desktopCounter = 0;
    for (const PlistValue& entry : *list.array()) {
        if (entry.dict()->empty())
            continue;
        const PlistValue* identifierValue = entry.value(QStringLiteral("Display Identifier"));
        const QString* identifier = identifierValue ? identifierValue->string() : nullptr;
        const PlistValue::Array* spaces = arrayOfDicts(entry.value(QStringLiteral("Spaces")));
        if (!identifier || !spaces)
            continue;

        std::optional<int> current;
        if (const PlistValue* currentSpace = entry.value(QStringLiteral("Current Space")); currentSpace && currentSpace->dict())
            current = managedNumber(*currentSpace);

        DisplaySpaces display;
        display.id = *identifier;
        std::optional<std::size_t> activeIndex;
        for (std::size_t i = 0; i < spaces->size(); ++i) {
            const PlistValue& item = (*spaces)[i];
            if (item.dict()->empty())
                continue;
            const std::optional<int> managed = managedNumber(item);
            if (!managed)
                continue;

            Space space;
            space.managedID = *managed;
            space.displayID = *identifier;
            space.indexOnDisplay = int(i);
            const PlistValue* type = item.value(QStringLiteral("type"));
            const PlistValue* tiles = item.value(QStringLiteral("TileLayoutManager"));
            space.isFullscreen = (type && type->integer() == 4) || (tiles && tiles->dict());
            const PlistValue* uuid = item.value(QStringLiteral("uuid"));
            if (uuid && uuid->string() && !uuid->string()->isEmpty())
                space.id = *uuid->string();
            else
                space.id = QStringLiteral("managed-") + QString::number(*managed);
            if (space.isFullscreen) {
                if (const PlistValue* pid = item.value(QStringLiteral("pid")))
                    space.fullscreenPID = pid->int32();
            } else {
                space.desktopNumber = ++desktopCounter;
            }
            if (current && *current == *managed) {
                display.activeSpaceID = space.id;
                activeIndex = display.spaces.size();
            }
            display.spaces.push_back(std::move(space));
        }
        // A managed number listed twice: only the Space that activeSpaceID names
        // (the last match) is active, never two on one display.
        if (activeIndex)
            display.spaces[*activeIndex].isActive = true;
        display.isMenuBarDisplay = display.id == menuBarID;
        result.displays.push_back(std::move(display));
    }
    if (result.displays.empty())
        return std::nullopt;
    bool anyMenuBar = false;
    for (const DisplaySpaces& display : result.displays)
        anyMenuBar = anyMenuBar || display.isMenuBarDisplay;
    if (!anyMenuBar)
        result.displays.front().isMenuBarDisplay = true;
    return result;
}

} // namespace lumivast
