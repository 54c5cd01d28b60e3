#pragma once

#include "Platform/PanelWindows.h"

#include <optional>
#include <vector>

namespace lumivast {

// The simulated system has no window manager to tell: it records each panel
// it is handed, with its traits, in order.
class SimPanelWindows final : public PanelWindows {
public:
    struct Prepared {
        const QWindow* window = nullptr;
        PanelTraits traits;
    };

    void preparePanel(QWindow* window, const PanelTraits& traits) override { prepared.push_back({window, traits}); }

    // The traits the window was last shown with.
    std::optional<PanelTraits> traitsOf(const QWindow* window) const
    {
        for (auto it = prepared.rbegin(); it != prepared.rend(); ++it) {
            if (it->window == window)
                return it->traits;
        }
        return std::nullopt;
    }

    std::vector<Prepared> prepared;
};

} // namespace lumivast
