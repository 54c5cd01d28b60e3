#pragma once

#include "Platform/Compositing.h"

namespace lumivast {

// The simulated desktop's compositing manager: one for every screen, or none
// (the world file's "compositingManager").
class SimCompositing final : public Compositing {
public:
    bool running = true;
    bool isActive(const ScreenInfo&) override { return running; }
};

} // namespace lumivast
