#include "Platform/Events.h"

#include <cmath>
#include <limits>

namespace lumivast {

void InputEvent::setIntegerField(int field, qint64 value)
{
    m_doubles.erase(field);
    m_integers[field] = value;
}

void InputEvent::setDoubleField(int field, double value)
{
    m_integers.erase(field);
    m_doubles[field] = value;
}

qint64 InputEvent::integerField(int field) const
{
    if (auto it = m_integers.find(field); it != m_integers.end())
        return it->second;
    if (auto it = m_doubles.find(field); it != m_doubles.end()) {
        const double d = it->second;
        // Out-of-range and NaN values saturate instead of being undefined.
        if (std::isnan(d))
            return 0;
        if (d >= 9223372036854775807.0)
            return std::numeric_limits<qint64>::max();
        if (d <= -9223372036854775808.0)
            return std::numeric_limits<qint64>::min();
        return static_cast<qint64>(d);
    }
    return 0;
}

double InputEvent::doubleField(int field) const
{
    if (auto it = m_doubles.find(field); it != m_doubles.end())
        return it->second;
    if (auto it = m_integers.find(field); it != m_integers.end())
        return static_cast<double>(it->second);
    return 0.0;
}

std::optional<InputEvent> EventPoster::createKeyboardEvent(quint16 keyCode, bool keyDown)
{
    auto event = createEvent();
    if (event) {
        event->type = keyDown ? InputEvent::Type::keyDown : InputEvent::Type::keyUp;
        event->keyCode = keyCode;
    }
    return event;
}

std::optional<InputEvent> EventPoster::createMouseEvent(MouseEventType type, const QPointF& location)
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

} // namespace lumivast
