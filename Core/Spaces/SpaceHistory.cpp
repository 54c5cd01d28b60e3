#include "Core/Spaces/SpaceHistory.h"

namespace lumivast {

void SpaceHistory::visit(const Space& space)
{
    m_recent.removeAll(space.id);
    m_recent.prepend(space.id);
    if (m_recent.size() > limit)
        m_recent.resize(limit);
}

std::optional<Space> SpaceHistory::previous(const SpaceSnapshot& snapshot) const
{
    const Space* current = snapshot.currentSpace();
    const std::vector<Space> all = snapshot.allSpaces();
    for (const QString& id : m_recent) {
        if (current && id == current->id)
            continue;
        // Entries of Spaces that are gone are skipped, not removed.
        for (const Space& space : all) {
            if (space.id == id)
                return space;
        }
    }
    return std::nullopt;
}

void SpaceHistory::prune(const QSet<QString>& keeping)
{
    m_recent.removeIf([&](const QString& id) { return !keeping.contains(id); });
}

} // namespace lumivast
