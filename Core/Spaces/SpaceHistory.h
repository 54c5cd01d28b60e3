#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <QString>
#include <QSet>
#include <QStringList>

#include <optional>

namespace lumivast {

// The Spaces the user has been on, most recent first, for "back" and
// back-and-forth. Ids only, resolved against the snapshot at use; not saved.
class SpaceHistory final {
public:
    static constexpr int limit = 20;

    // Records that `space` is now shown.
    void visit(const Space& space);
    // The most recent Space still in `snapshot` that is not the menu-bar
    // display's active one; nothing when there is none.
    std::optional<Space> previous(const SpaceSnapshot& snapshot) const;

    const QStringList& recent() const { return m_recent; }
    // Forgets the Spaces that are gone; the rest keep their order.
    void prune(const QSet<QString>& keeping);

private:
    QStringList m_recent;
};

} // namespace lumivast
