#include "Platform/Sim/SimEvents.h"

#include "Platform/DockEvents.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimMissionControl.h"
#include "Platform/Sim/SimWorld.h"

#include <chrono>
#include <cstring>

namespace lumivast {

SimEvents::SimEvents(SimWorld& world) : m_world(world) {}

std::optional<InputEvent> SimEvents::createEvent()
{
    if (refuseEvents)
        return std::nullopt;
    InputEvent event;
    event.timestamp = zeroTimestamps ? 0 : hostTime();
    return event;
}

void SimEvents::post(EventTap tap, const InputEvent& event)
{
    m_posted.push_back({tap, event});
    if (event.type >= InputEvent::Type::mouseMoved)
        mouse(event);
    else
        m_world.dock().receive(tap, event);
}

void SimEvents::mouse(const InputEvent& event)
{
    const QPointF from = m_world.pointer;
    m_world.pointer = event.location;
    switch (event.type) {
    case InputEvent::Type::leftMouseDown:
        mouseButtons |= 1;
        m_world.heldWindow.reset();
        if (const auto id = m_world.titleBarWindowAt(event.location))
            m_world.heldWindow = *id;
        break;
    case InputEvent::Type::leftMouseDragged:
        if (m_world.heldWindow) {
            std::lock_guard lock(m_world.stateMutex());
            if (SimWorld::Window* w = m_world.window(*m_world.heldWindow))
                w->frame.translate(event.location - from);
        }
        break;
    case InputEvent::Type::leftMouseUp:
        mouseButtons &= ~quint32(1);
        m_world.heldWindow.reset();
        break;
    default:
        break;
    }
    m_world.missionControl().mouseEvent(event);
}

void SimEvents::postToProcess(std::int32_t pid, const InputEvent& event)
{
    // Applications are not modelled beyond their windows: the event is only recorded.
    m_postedToProcesses.emplace_back(pid, event);
}

std::optional<QByteArray> SimEvents::eventData(const InputEvent& event)
{
    return EventData::encode(event, dataVersion);
}

std::optional<InputEvent> SimEvents::eventFromData(const QByteArray& data)
{
    return EventData::decode(data);
}

bool SimEvents::warpPointer(const QPointF& point)
{
    m_warps.push_back(point);
    m_world.pointer = point;
    return true;
}

quint64 SimEvents::hostTime()
{
    if (fixedHostTime)
        return *fixedHostTime;
    using namespace std::chrono;
    return quint64(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

void SimEvents::clearLog()
{
    m_posted.clear();
    m_postedToProcesses.clear();
    m_warps.clear();
}

} // namespace lumivast
