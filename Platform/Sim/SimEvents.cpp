#include "Platform/Sim/SimEvents.h"

#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimMissionControl.h"
#include "Platform/Sim/SimWorld.h"

#include <QDataStream>
#include <QIODevice>

#include <chrono>
#include <cstring>

namespace lumivast {

// The serialised form, all big-endian: the version word, then type (u8),
// location (two doubles), key code (u16), flags (u64), timestamp (u64), the integer fields as a count
// (u16) and (number u32, value i64) pairs, the double fields likewise with
// IEEE doubles. Whatever follows belongs to nobody and is kept as trailing data.

SimEvents::SimEvents(SimWorld& world) : m_world(world) {}

std::optional<InputEvent> SimEvents::createEvent()
{
    if (refuseEvents)
        return std::nullopt;
    InputEvent event;
    event.timestamp = zeroTimestamps ? 0 : hostTime();
    return event;
}

std::optional<InputEvent> SimEvents::createKeyboardEvent(quint16 keyCode, bool keyDown)
{
    auto event = createEvent();
    if (event) {
        event->type = keyDown ? InputEvent::Type::keyDown : InputEvent::Type::keyUp;
        event->keyCode = keyCode;
    }
    return event;
}

std::optional<InputEvent> SimEvents::createMouseEvent(MouseEventType type, const QPointF& location)
{
    InputEvent::Type kind;
    switch (type) {
    case MouseEventType::mouseMoved: kind = InputEvent::Type::mouseMoved; break;
    case MouseEventType::leftMouseDown: kind = InputEvent::Type::leftMouseDown; break;
    case MouseEventType::leftMouseUp: kind = InputEvent::Type::leftMouseUp; break;
    case MouseEventType::leftMouseDragged: kind = InputEvent::Type::leftMouseDragged; break;
    default: return std::nullopt;
    }
    auto event = createEvent();
    if (event) {
        event->type = kind;
        event->location = location;
    }
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
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::BigEndian);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    out << dataVersion << quint8(event.type) << event.location.x() << event.location.y() << event.keyCode << event.flags << event.timestamp;
    out << quint16(event.integerFields().size());
    for (const auto& [field, value] : event.integerFields())
        out << quint32(field) << qint64(value);
    out << quint16(event.doubleFields().size());
    for (const auto& [field, value] : event.doubleFields())
        out << quint32(field) << value;
    data.append(event.trailingData);
    return data;
}

std::optional<InputEvent> SimEvents::eventFromData(const QByteArray& data)
{
    QDataStream in(data);
    in.setByteOrder(QDataStream::BigEndian);
    in.setFloatingPointPrecision(QDataStream::DoublePrecision);
    quint32 version = 0;
    quint8 type = 0;
    double x = 0, y = 0;
    InputEvent event;
    in >> version >> type >> x >> y >> event.keyCode >> event.flags >> event.timestamp;
    if (in.status() != QDataStream::Ok || version != 2 || type > quint8(InputEvent::Type::leftMouseDragged))
        return std::nullopt;
    event.location = QPointF(x, y);
    event.type = InputEvent::Type(type);
    quint16 count = 0;
    in >> count;
    for (quint16 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        quint32 field = 0;
        qint64 value = 0;
        in >> field >> value;
        event.setIntegerField(int(field), value);
    }
    in >> count;
    for (quint16 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        quint32 field = 0;
        double value = 0;
        in >> field >> value;
        event.setDoubleField(int(field), value);
    }
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    event.trailingData = data.mid(int(in.device()->pos()));
    return event;
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
