#include "Platform/Sim/SimMouse.h"

#include "Platform/Sim/SimWorld.h"

#include <vector>

namespace lumivast {

void SimMouse::moveTo(QPointF topLeft, Target target)
{
    m_world.pointer = topLeft;
    deliver(m_buttons & 1 ? MouseEventType::leftMouseDragged : MouseEventType::mouseMoved, target);
}

void SimMouse::press(int button, Target target)
{
    m_buttons |= 1u << button;
    if (button == 0)
        deliver(MouseEventType::leftMouseDown, target);
    else if (button == 1)
        deliver(MouseEventType::rightMouseDown, target);
}

void SimMouse::release(int button, Target target)
{
    m_buttons &= ~(1u << button);
    if (button == 0)
        deliver(MouseEventType::leftMouseUp, target);
    else if (button == 1)
        deliver(MouseEventType::rightMouseUp, target);
}

void SimMouse::click(QPointF topLeft, Target target)
{
    moveTo(topLeft, target);
    press(0, target);
    release(0, target);
}

int SimMouse::globalMonitorCount() const
{
    int count = 0;
    for (const auto& [token, monitor] : m_monitors)
        count += monitor.global ? 1 : 0;
    return count;
}

int SimMouse::localMonitorCount() const
{
    return int(m_monitors.size()) - globalMonitorCount();
}

std::optional<MonitorToken> SimMouse::addGlobalMonitor(std::uint64_t mask, GlobalHandler handler)
{
    if (refuseMonitors || !handler)
        return std::nullopt;
    const MonitorToken token = m_nextToken++;
    m_monitors[token] = Monitor{true, mask, std::move(handler), {}};
    return token;
}

std::optional<MonitorToken> SimMouse::addLocalMonitor(std::uint64_t mask, LocalHandler handler)
{
    if (refuseMonitors || !handler)
        return std::nullopt;
    const MonitorToken token = m_nextToken++;
    m_monitors[token] = Monitor{false, mask, {}, std::move(handler)};
    return token;
}

void SimMouse::removeMonitor(MonitorToken token)
{
    m_monitors.erase(token);
}

std::optional<QPointF> SimMouse::eventLocation()
{
    if (eventCreationFails)
        return std::nullopt;
    return m_world.pointer;
}

void SimMouse::deliver(MouseEventType type, Target target)
{
    const MouseEvent event{type, m_world.pointerLocation()};
    const bool global = target == Target::otherApplication;
    // Handlers may add or remove monitors; deliver to the ones present now.
    std::vector<MonitorToken> tokens;
    for (const auto& [token, monitor] : m_monitors) {
        if (monitor.global == global && (monitor.mask & maskFor(type)))
            tokens.push_back(token);
    }
    for (MonitorToken token : tokens) {
        auto it = m_monitors.find(token);
        if (it == m_monitors.end())
            continue;
        if (global) {
            auto handler = it->second.globalHandler;
            handler(event);
        } else {
            auto handler = it->second.localHandler;
            if (!handler(event))
                return; // swallowed: later local monitors do not see it
        }
    }
}

} // namespace lumivast
