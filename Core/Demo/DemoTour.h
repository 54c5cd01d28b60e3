#pragma once

#include "Platform/Scheduler.h"

#include <QString>

#include <functional>
#include <vector>

// The scripted demo tour: a fixed timeline of actions on the overview and the
// window finder. Every step is scheduled at once, each at its own time from
// the start; nothing is cancelled, so a second tour overlaps the first.
namespace lumivast::DemoTour {

inline const QString kOverviewSearch = QStringLiteral("figma");
inline const QString kFinderSearch = QStringLiteral("north");

struct Steps {
    std::function<void(int dx, int dy)> moveOverviewSelection;
    // The overview's query gains one more character.
    std::function<void(QChar)> typeIntoOverview;
    std::function<void()> clearOverviewSearch;
    std::function<void()> closeOverview;
    std::function<void()> showFinderOverAllSpaces;
    // The finder's query gains one more character, then its selection goes back to the first row.
    std::function<void(QChar)> typeIntoFinder;
    std::function<void()> closeFinder;
};

// Schedules the timeline (1.75 s to 12.25 s after now). The work items run
// the steps; the caller keeps them for as long as the steps may run.
std::vector<WorkItem> schedule(Scheduler& scheduler, Steps steps);

} // namespace lumivast::DemoTour
