#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <QHash>
#include <QSet>
#include <QString>

namespace lumivast {

// Tells a Space that is gone from one whose display momentarily reports an
// empty row, or no row at all: only the first may lose what the user attached
// to it. Remembers the display each Space was last seen on. Main thread only.
class PruneScope {
public:
    // Whether records under `id` may be dropped for this snapshot: the Space is
    // not in it, and the display it was last seen on reports a non-empty row.
    // An id never seen in this run may go only while every display seen so far
    // reports Spaces.
    bool mayPrune(const QString& id, const SpaceSnapshot& snapshot) const;
    // Call after pruning with each snapshot.
    void remember(const SpaceSnapshot& snapshot);

private:
    QHash<QString, QString> m_displayOfSpace;
    QSet<QString> m_displays;
};

} // namespace lumivast
