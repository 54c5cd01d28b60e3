#pragma once

#include "UI/HUD/HUDController.h"

namespace lumivast::test {

// What the HUD shows now: the title of its last presentation.
inline QString lastHudTitle(const HUDController& hud)
{
    const auto& last = hud.lastPresentation();
    return last ? last->view.title : QString();
}

inline bool lastHudIsError(const HUDController& hud)
{
    const auto& last = hud.lastPresentation();
    return last && last->view.symbol == HUDController::errorSymbol;
}

} // namespace lumivast::test
