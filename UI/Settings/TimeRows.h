#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <QColor>
#include <QString>

#include <vector>

namespace lumivast {

class SpaceStore;
class TimeTracker;

// One line of the Time pane: a Space's time over the chosen period.
struct TimeRow {
    QString name;
    double seconds = 0;
    QColor color;
};

// What the Time pane shows, worked out from the tracker, the Spaces now and
// the store: names and colours as they resolve at the moment of the call.
namespace TimeRows {

// The width of the bar area; a row's bar is its share of it.
constexpr double kBarAreaWidth = 140;
// Even a sliver of time shows as a bar this wide.
constexpr double kShortestBar = 4;

// max(4, 140 × seconds ÷ max(total, 1)).
double barWidth(double seconds, double total);

// The Space's name now; a Space that is gone goes by its last stored name, else "Removed Space".
QString name(const QString& id, const SpaceSnapshot& snapshot, const SpaceStore& store);
// Grey for a Space that is gone; else the demo sample's, the stored or the automatic colour.
QColor color(const QString& id, const SpaceSnapshot& snapshot, const SpaceStore& store);

// The last `days` days (today counts as one), longest first. Closes the running interval.
std::vector<TimeRow> load(TimeTracker& tracker, int days, const SpaceSnapshot& snapshot, const SpaceStore& store);

} // namespace TimeRows

} // namespace lumivast
