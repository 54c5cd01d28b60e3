#include "Core/Switching/EdgeTriggers.h"

#include "Core/Settings/Settings.h"
#include "Platform/Coordinates.h"
#include "Platform/Platform.h"

#include <cmath>

namespace lumivast {

namespace {

std::optional<HotCorner> configuredCorner()
{
    return fromRawValue<HotCorner>(Settings::defaults().string(Settings::Key::hotCorner).value_or(QString()));
}

bool inCorner(HotCorner corner, const QRectF& frame, const QPointF& p)
{
    const double inset = EdgeTriggers::kCornerInset;
    const double minX = frame.left(), maxX = frame.x() + frame.width();
    const double minY = frame.top(), maxY = frame.y() + frame.height();
    switch (corner) {
    case HotCorner::topLeft:
        return p.x() <= minX + inset && p.y() >= maxY - inset;
    case HotCorner::topRight:
        return p.x() >= maxX - inset && p.y() >= maxY - inset;
    case HotCorner::bottomLeft:
        return p.x() <= minX + inset && p.y() <= minY + inset;
    case HotCorner::bottomRight:
        return p.x() >= maxX - inset && p.y() <= minY + inset;
    case HotCorner::none:
        return false;
    }
    return false;
}

} // namespace

EdgeTriggers::EdgeTriggers(Scheduler& scheduler) : m_scheduler(scheduler) {}

EdgeTriggers::~EdgeTriggers()
{
    // The handlers guard themselves; removing the monitors just stops the calls.
    if (auto platform = m_monitorPlatform.lock()) {
        if (m_monitor)
            platform->mouse().removeMonitor(*m_monitor);
        if (m_localMonitor)
            platform->mouse().removeMonitor(*m_localMonitor);
    }
}

void EdgeTriggers::refresh()
{
    const auto corner = configuredCorner();
    const bool active = (corner && *corner != HotCorner::none) || Settings::defaults().boolValue(Settings::Key::notchHover);
    if (!active) {
        // The installed state is keyed on the global monitor alone.
        if (!m_monitor)
            return;
        if (auto platform = m_monitorPlatform.lock()) {
            platform->mouse().removeMonitor(*m_monitor);
            if (m_localMonitor)
                platform->mouse().removeMonitor(*m_localMonitor);
        }
        m_monitor.reset();
        m_localMonitor.reset();
        return;
    }
    if (m_monitor)
        return;
    auto platform = Platform::currentShared();
    Mouse& mouse = platform->mouse();
    const auto checkWhileAlive = m_lifetime.guard([this] { check(); });
    m_monitor = mouse.addGlobalMonitor(maskFor(MouseEventType::mouseMoved) | maskFor(MouseEventType::leftMouseDragged),
                                       [checkWhileAlive](const MouseEvent&) { checkWhileAlive(); });
    m_localMonitor = mouse.addLocalMonitor(maskFor(MouseEventType::mouseMoved), [checkWhileAlive](const MouseEvent& event) {
        checkWhileAlive();
        return std::optional<MouseEvent>(event);
    });
    m_monitorPlatform = platform;
}

QRectF EdgeTriggers::notchZone(const ScreenInfo& screen)
{
    const QRectF& frame = screen.frame;
    const double maxY = frame.y() + frame.height();
    if (screen.auxiliaryTopLeftArea && screen.auxiliaryTopRightArea) {
        const double left = screen.auxiliaryTopLeftArea->x() + screen.auxiliaryTopLeftArea->width();
        const double right = screen.auxiliaryTopRightArea->x();
        return QRectF(left, maxY - kNotchZoneHeight, right - left, kNotchZoneHeight);
    }
    return QRectF(frame.center().x() - kPlainZoneWidth / 2, maxY - kPlainZoneHeight, kPlainZoneWidth, kPlainZoneHeight);
}

void EdgeTriggers::reset()
{
    m_dwellKind.clear();
    m_dwellStart.reset();
    m_fired = false;
}

void EdgeTriggers::check()
{
    Platform& platform = Platform::current();
    const QPointF p = platform.screens().pointerLocation();
    std::optional<ScreenInfo> screen;
    for (const ScreenInfo& candidate : platform.screens().screens()) {
        if (Coordinates::mouseInRect(candidate.frame, p)) {
            screen = candidate;
            break;
        }
    }
    if (!screen) {
        reset();
        return;
    }

    QString zone;
    if (platform.mouse().pressedMouseButtons() == 0) {
        const auto corner = configuredCorner();
        if (corner && inCorner(*corner, screen->frame, p)) {
            zone = kCorner;
        } else if (Settings::defaults().boolValue(Settings::Key::notchHover)) {
            const QRectF rect = notchZone(*screen);
            const QRectF& frame = screen->frame;
            const bool inBand = p.y() >= frame.y() + frame.height() - kTopBand
                && std::abs(p.x() - frame.center().x()) < rect.width() / 2;
            if (Coordinates::containsHalfOpen(rect, p) || inBand)
                zone = kNotch;
        }
    }

    if (zone.isEmpty()) {
        reset();
        return;
    }
    if (zone != m_dwellKind) {
        m_dwellKind = zone;
        m_dwellStart = m_scheduler.now();
        m_fired = false;
        return;
    }
    if (m_fired || !m_dwellStart)
        return;
    const Duration threshold = zone == kCorner ? kCornerDwell : kNotchDwell;
    if (m_scheduler.now() - *m_dwellStart <= threshold)
        return;
    m_fired = true;
    if (zone == kCorner) {
        if (onHotCorner)
            onHotCorner();
    } else if (onNotchHover) {
        onNotchHover(*screen);
    }
}

} // namespace lumivast
