#include "UI/Settings/TimeRows.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/HexColor.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Time/TimeTracker.h"
#include "UI/MenuBar/BrandIcon.h"

#include <QCoreApplication>

#include <algorithm>

namespace lumivast::TimeRows {

namespace {

// The system's grey, as the Space colours' own grey.
const QColor kRemovedSpaceColor(0x8E, 0x8E, 0x93);

} // namespace

double barWidth(double seconds, double total)
{
    return std::max(kShortestBar, kBarAreaWidth * seconds / std::max(total, 1.0));
}

QString name(const QString& id, const SpaceSnapshot& snapshot, const SpaceStore& store)
{
    if (const Space* space = snapshot.space(id))
        return store.displayName(*space);
    if (const auto stored = store.meta(id).name)
        return *stored;
    return QCoreApplication::translate("StatsPane", "Removed Space");
}

QColor color(const QString& id, const SpaceSnapshot& snapshot, const SpaceStore& store)
{
    const Space* space = snapshot.space(id);
    if (!space)
        return kRemovedSpaceColor;
    std::optional<QColor> chosen;
    if (const DemoMode::Sample* sample = DemoMode::sample(*space))
        chosen = colorFromHex(sample->colorHex);
    else if (const auto hex = store.meta(id).colorHex)
        chosen = colorFromHex(*hex);
    return chosen ? *chosen : BrandIcon::autoColor(*space);
}

std::vector<TimeRow> load(TimeTracker& tracker, int days, const SpaceSnapshot& snapshot, const SpaceStore& store)
{
    std::map<QString, double> totals = tracker.totals(days);
    // The Space being timed is on the list from its first moment, right after
    // a reset too, when the interval just closed was too short to count.
    if (tracker.currentID() && Settings::defaults().boolValue(Settings::Key::timeTracking) && days > 0)
        totals.try_emplace(*tracker.currentID(), 0.0);
    std::vector<std::pair<QString, double>> pairs(totals.begin(), totals.end());
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<TimeRow> rows;
    rows.reserve(pairs.size());
    for (const auto& [id, seconds] : pairs)
        rows.push_back({name(id, snapshot, store), seconds, color(id, snapshot, store)});
    return rows;
}

} // namespace lumivast::TimeRows
