#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <cstdint>
#include <vector>

namespace lumivast {

class SpaceContents;

// Minimises every window of one Space through the Accessibility interface
// and can undo exactly the last such action. Main thread only.
class SpaceMinimizer final {
public:
    struct Minimized {
        std::uint32_t id = 0;
        std::int32_t pid = 0;
        bool operator==(const Minimized&) const = default;
    };

    // Returns how many windows were minimised; an earlier action can no longer be undone.
    int minimizeAll(const Space& space, const SpaceContents& contents);
    // Restores the windows of the last minimizeAll (those still there) and forgets them.
    void undo();

    // In the order they were minimised; the status menu offers undo while it is not empty.
    const std::vector<Minimized>& lastMinimized() const { return m_lastMinimized; }

private:
    std::vector<Minimized> m_lastMinimized;
};

} // namespace lumivast
