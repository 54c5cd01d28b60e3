#pragma once

#include "Platform/Scheduler.h"

#include <QString>

#include <functional>

namespace lumivast {

// The "--switch N [classic]" diagnostic: switches to Desktop N with a switcher
// of its own and checks, after 0.2, 0.5, 1.0 and 2.0 s more, whether Desktop N
// became the menu-bar display's active Space. Returns the exit code: 0 when it
// did, 2 when it did not in time, 1 when there is no Desktop N.
struct SwitchModeIO {
    std::function<void(const QString& line)> print;
    // Serves the main loop for this long (a person at a terminal waits in real time).
    std::function<void(Duration)> wait;
};

int runSwitchMode(qint64 desktop, bool classic, Scheduler& scheduler, const SwitchModeIO& io);

} // namespace lumivast
