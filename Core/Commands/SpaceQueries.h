#pragma once

#include "Core/Menus/MenuItem.h"
#include "Core/Spaces/SpaceModel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lumivast {

struct SavedSpace;

// What every front may read and nothing more: the Spaces as they stand,
// their names and the few facts the menus and outside doors show. Main thread only.
class SpaceQueries {
public:
    virtual ~SpaceQueries() = default;

    virtual const SpaceSnapshot& snapshot() const = 0;
    virtual QString displayName(const Space& space) const = 0;
    // Where "back" goes.
    virtual std::optional<Space> previousSpace() const = 0;
    // The exported state, as GET /spaces answers it.
    virtual QByteArray stateJSON() const = 0;
    // The local API's bearer token.
    virtual QString apiToken() const = 0;
    virtual QStringList profileNames() const = 0;
    virtual QStringList takenKeys() const = 0;
    virtual bool canUndoMinimize() const = 0;
    virtual std::vector<SavedSpace> savedSpaceRecords() const = 0;
    // Items other parts add to the status menu (the update item).
    virtual std::vector<MenuItem> extraMenuItems() const = 0;

    // The current Space's name, "" without one.
    QString currentName() const;
    // The current Space's desktop number, 0 without one or for a full-screen Space.
    qint64 currentNumber() const;
    // Every Space's name, one a line.
    QString allNames() const;
};

} // namespace lumivast
