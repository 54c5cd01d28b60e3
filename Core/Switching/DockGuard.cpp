#include "Core/Switching/DockGuard.h"

#include "Core/Settings/Settings.h"
#include "Platform/Coordinates.h"
#include "Platform/Platform.h"

namespace lumivast {

namespace {

bool protectionOn()
{
    return Settings::defaults().boolValue(Settings::Key::dockClickProtection);
}

} // namespace

DockGuard::DockGuard(Scheduler& scheduler) : m_scheduler(scheduler) {}

DockGuard::~DockGuard()
{
    if (auto platform = m_monitorPlatform.lock(); platform && m_monitor)
        platform->mouse().removeMonitor(*m_monitor);
}

void DockGuard::refresh(const std::optional<Space>& current)
{
    const bool on = protectionOn();
    if (on && !m_monitor) {
        auto platform = Platform::currentShared();
        m_monitor = platform->mouse().addGlobalMonitor(maskFor(MouseEventType::leftMouseDown),
                                                       m_lifetime.guard([this](const MouseEvent&) { mouseDown(); }));
        m_monitorPlatform = platform;
    } else if (!on && m_monitor) {
        if (auto platform = m_monitorPlatform.lock())
            platform->mouse().removeMonitor(*m_monitor);
        m_monitor.reset();
    }
    m_currentSpace = current;
}

void DockGuard::mouseDown()
{
    const QPointF location = Platform::current().mouse().eventLocation().value_or(QPointF(0, 0));
    const auto frame = dockListFrame();
    if (!frame)
        return;
    if (Coordinates::containsHalfOpen(*frame, location)) {
        m_lastDockClick = m_scheduler.now();
        m_spaceBeforeClick = m_currentSpace;
    }
}

std::optional<QRectF> DockGuard::dockListFrame()
{
    Platform& platform = Platform::current();
    // Where there is no Dock, asking every running application for it at each click finds nothing.
    if (!platform.parts().has(SystemParts::Part::dock) || !platform.trust().isAccessibilityTrusted(false))
        return std::nullopt;
    std::optional<RunningApplication> dock;
    for (const RunningApplication& app : platform.runningApplications().runningApplications()) {
        if (app.bundleID == kDockBundleID) {
            dock = app;
            break;
        }
    }
    if (!dock)
        return std::nullopt;
    AXElements& ax = platform.accessibilityElements();
    const auto children = ax.copyAttributeValue(ax.applicationElement(dock->pid), QStringLiteral("AXChildren"));
    if (!children)
        return std::nullopt;
    const auto* elements = std::get_if<std::vector<sysfn::AXElementRef>>(&*children);
    if (!elements || elements->empty())
        return std::nullopt;
    const sysfn::AXElementRef list = elements->front();
    const auto position = ax.copyAttributeValue(list, QStringLiteral("AXPosition"));
    if (!position)
        return std::nullopt;
    const auto size = ax.copyAttributeValue(list, QStringLiteral("AXSize"));
    if (!size)
        return std::nullopt;
    const QPointF* point = std::get_if<QPointF>(&*position);
    const QSizeF* extent = std::get_if<QSizeF>(&*size);
    return QRectF(point ? *point : QPointF(0, 0), extent ? *extent : QSizeF(0, 0));
}

bool DockGuard::spaceChanged(const Space& to)
{
    if (protectionOn() && m_lastDockClick && m_scheduler.now() - *m_lastDockClick < kClickWindow && m_spaceBeforeClick
        && m_spaceBeforeClick->id != to.id) {
        if (const auto frontmost = Platform::current().runningApplications().frontmostApplication()) {
            m_lastDockClick.reset();
            const Space back = *m_spaceBeforeClick; // the handler may click again
            if (onBounceBack)
                onBounceBack(back, *frontmost);
            m_currentSpace = to;
            return true;
        }
    }
    m_currentSpace = to;
    return false;
}

} // namespace lumivast
