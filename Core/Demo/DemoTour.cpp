#include "Core/Demo/DemoTour.h"

#include <memory>

namespace lumivast::DemoTour {

std::vector<WorkItem> schedule(Scheduler& scheduler, Steps given)
{
    const auto steps = std::make_shared<const Steps>(std::move(given));
    std::vector<WorkItem> items;
    Duration at = 1200ms;
    const auto step = [&](Duration increment, std::function<void(const Steps&)> action) {
        at += increment;
        items.push_back(scheduler.after(at, [steps, action = std::move(action)] { action(*steps); }));
    };
    const auto move = [](int dx, int dy) {
        return [dx, dy](const Steps& s) {
            if (s.moveOverviewSelection)
                s.moveOverviewSelection(dx, dy);
        };
    };
    step(550ms, move(1, 0));
    step(550ms, move(1, 0));
    step(550ms, move(0, 1));
    step(550ms, move(-1, 0));
    step(550ms, move(-1, 0));
    step(800ms, [](const Steps&) {}); // a pause
    for (const QChar c : kOverviewSearch) {
        step(160ms, [c](const Steps& s) {
            if (s.typeIntoOverview)
                s.typeIntoOverview(c);
        });
    }
    step(1600ms, [](const Steps& s) {
        if (s.clearOverviewSearch)
            s.clearOverviewSearch();
    });
    step(1200ms, [](const Steps& s) {
        if (s.closeOverview)
            s.closeOverview();
    });
    step(800ms, [](const Steps& s) {
        if (s.showFinderOverAllSpaces)
            s.showFinderOverAllSpaces();
    });
    for (const QChar c : kFinderSearch) {
        step(220ms, [c](const Steps& s) {
            if (s.typeIntoFinder)
                s.typeIntoFinder(c);
        });
    }
    step(2000ms, [](const Steps& s) {
        if (s.closeFinder)
            s.closeFinder();
    });
    return items;
}

} // namespace lumivast::DemoTour
