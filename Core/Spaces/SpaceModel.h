#pragma once

#include <QDateTime>
#include <QHashFunctions>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumivast {

// One Space as the window server reports it.
struct Space {
    QString id; // the system's Space UUID, or "managed-<managedID>"
    int managedID = 0;
    QString displayID; // "Main" or a display UUID
    std::optional<int> desktopNumber; // ordinary Spaces only, counted from 1 across displays
    int indexOnDisplay = 0;
    bool isFullscreen = false;
    std::optional<std::int32_t> fullscreenPID;
    bool isActive = false;

    bool operator==(const Space&) const = default;
};

// One display's row of Spaces.
struct DisplaySpaces {
    QString id; // "Main" or a display UUID
    std::vector<Space> spaces; // in the window server's order
    std::optional<QString> activeSpaceID;
    bool isMenuBarDisplay = false;

    const Space* activeSpace() const;

    bool operator==(const DisplaySpaces&) const = default;
};

// All displays at one moment. Built only by SpaceProvider.
struct SpaceSnapshot {
    std::vector<DisplaySpaces> displays;
    QDateTime timestamp;

    std::vector<Space> allSpaces() const;
    std::vector<Space> activeSpaces() const;
    // The flagged display, else the first; null when there are none.
    const DisplaySpaces* menuBarDisplay() const;
    const Space* space(const QString& id) const;
    const DisplaySpaces* display(const Space& space) const;
    // The current Space in the watcher's sense: the menu-bar display's active Space.
    const Space* currentSpace() const;

    static const SpaceSnapshot& empty();

    bool operator==(const SpaceSnapshot&) const = default;
};

size_t qHash(const Space& space, size_t seed = 0);

} // namespace lumivast
