#pragma once

#include <QStringList>

namespace lumivast {

class Scheduler;

// The --probe report: bridge health, every display and Space the bridge sees,
// and the permission states. One string per line.
QStringList probeReport(const Scheduler& clock);

} // namespace lumivast
