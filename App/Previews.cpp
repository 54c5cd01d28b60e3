// The delegate's side of the previews: the refresh timer and the captures
// after launch. (The capture after each switch and the pruning on each
// snapshot are steps of the reactions in AppDelegate.cpp.)

#include "App/AppDelegate.h"

#include "Core/Settings/Settings.h"

#include <QPointer>

#include <algorithm>

namespace lumivast {

namespace {

constexpr double kShortestRefreshSeconds = 1.0;

// The interval the timer should run at: none (0) while previews are off.
double wantedRefreshInterval()
{
    if (!Settings::defaults().boolValue(Settings::Key::thumbnailsEnabled))
        return 0;
    return Settings::defaults().doubleValue(Settings::Key::thumbnailRefreshInterval);
}

} // namespace

void AppDelegate::startPreviews()
{
    startRefreshTimer();
    later(kFirstPreviewsDelay, [](AppDelegate& d) { d.m_thumbnails.captureActiveSpaces(d.m_watcher.snapshot(), Duration::zero()); });
}

void AppDelegate::startRefreshTimer()
{
    m_refreshTimer = WorkItem();
    if (!Settings::defaults().boolValue(Settings::Key::thumbnailsEnabled)) {
        m_refreshTimerInterval = 0;
        return;
    }
    const double interval = Settings::defaults().doubleValue(Settings::Key::thumbnailRefreshInterval);
    m_refreshTimerInterval = interval;
    // At 0 or below previews are taken only after switches.
    if (!(interval > 0))
        return;
    QPointer<AppDelegate> self(this);
    // A century is as good as never, and keeps an absurd setting within the clock's range; a
    // tiny interval from a file is held to a second, as no choice in the pane is shorter.
    const double bounded = std::clamp(interval, kShortestRefreshSeconds, 100.0 * 365 * 86400);
    m_refreshTimer = m_scheduler.every(
        seconds(bounded),
        [self] {
            // The overview's own window would be in the picture.
            if (self && !self->isOverviewOpen())
                self->m_thumbnails.captureActiveSpaces(self->m_watcher.snapshot(), Duration::zero());
        },
        seconds(bounded * 0.2));
}

void AppDelegate::previewSettingsChanged()
{
    // Only a new interval restarts the timer, so unrelated changes keep its phase.
    if (wantedRefreshInterval() != m_refreshTimerInterval)
        startRefreshTimer();
}

} // namespace lumivast
