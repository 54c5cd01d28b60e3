#include "Core/Windows/SpaceLock.h"

#include "Core/Settings/Settings.h"
#include "Platform/Platform.h"

#include <QCoreApplication>

namespace lumivast {

void SpaceLock::start()
{
    if (m_started)
        return;
    m_started = true;
    m_observer = Platform::current().workspace().observeApplications(
        WorkspaceEvent::DidActivateApplication,
        [this](const RunningApplication& app) { m_lastActivation = Activation{app.pid, m_scheduler.now()}; });
}

bool SpaceLock::spaceChanged(const std::optional<Space>& from, const Space& to, bool initiatedByLumivast)
{
    if (!Settings::defaults().boolValue(Settings::Key::spaceLock) || initiatedByLumivast || !from
        || from->displayID != to.displayID || !m_lastActivation)
        return false;
    if (m_scheduler.now() - m_lastActivation->at >= kPullWindow)
        return false;
    if (m_lastActivation->pid == std::int32_t(QCoreApplication::applicationPid()))
        return false;
    const auto app = Platform::current().runningApplications().runningApplication(m_lastActivation->pid);
    if (!app)
        return false;
    m_lastActivation.reset();
    const Space pulledFrom = *from; // the handler may change what `from` refers to
    if (onPulledAway)
        onPulledAway(pulledFrom, *app);
    return true;
}

} // namespace lumivast
