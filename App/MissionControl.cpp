// The delegate's side of Mission Control and the trackpad: the labels over
// its desktop buttons and the four-finger tap.

#include "App/AppDelegate.h"

#include <QPointer>

namespace lumivast {

void AppDelegate::startMissionControlLabels()
{
    m_missionControlLabels = std::make_unique<MissionControlLabels>(m_watcher, m_store, m_scheduler);
    m_missionControlLabels->start();
}

void AppDelegate::wireFourFingerTap()
{
    QPointer<AppDelegate> self(this);
    // The tap does what the overview shortcut does.
    m_touch.onFourFingerTap = [self] {
        if (self)
            self->commands().overviewHotKey();
    };
    m_touch.refresh();
}

} // namespace lumivast
