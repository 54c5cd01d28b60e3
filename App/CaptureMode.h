#pragma once

#include "Platform/Scheduler.h"

#include <QString>

#include <functional>

namespace lumivast {

// The "--capture" diagnostic: takes a preview of the Space shown on each
// display with a preview service of its own on the data folder and reports,
// per Space, the picture now held or why there is none. Returns the exit
// code: 0, or 1 when the Spaces cannot be read.
struct CaptureModeIO {
    std::function<void(const QString& line)> print;
    // Serves the main loop for this long.
    std::function<void(Duration)> wait;
};

// How long the mode waits for the captures before it reports what it has.
inline constexpr Duration kCaptureModeLimit = 30000ms;

int runCaptureMode(Scheduler& scheduler, const CaptureModeIO& io);

} // namespace lumivast
