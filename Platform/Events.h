#pragma once

#include "Platform/Mouse.h"

#include <QByteArray>
#include <QPointF>
#include <QtGlobal>

#include <cstdint>
#include <map>
#include <optional>

namespace lumivast {

// Where a synthetic event enters the system: the HID tap (as if from the
// keyboard or mouse) or the session tap (after the system's own input handling).
enum class EventTap { hid, session };

// One synthetic input event before it is posted: a type, the key code and
// modifier flags of keyboard events, a timestamp in host-time units, and
// numbered fields the system reads as integers or doubles. A field holds one
// value; reading it as the other kind converts.
class InputEvent {
public:
    enum class Type { null, keyDown, keyUp, mouseMoved, leftMouseDown, leftMouseUp, leftMouseDragged };

    Type type = Type::null;
    // Mouse events: where the event happens, global, top-left origin.
    QPointF location;
    quint16 keyCode = 0;
    quint64 flags = 0;
    quint64 timestamp = 0; // 0: the system gave the event no time

    void setIntegerField(int field, qint64 value);
    void setDoubleField(int field, double value);
    // 0 for a field that was never set.
    qint64 integerField(int field) const;
    double doubleField(int field) const;
    bool hasField(int field) const { return m_integers.contains(field) || m_doubles.contains(field); }

    // Bytes that came with the event's serialised form after the part the
    // event itself describes; kept so the data round-trips unchanged.
    QByteArray trailingData;

    const std::map<int, qint64>& integerFields() const { return m_integers; }
    const std::map<int, double>& doubleFields() const { return m_doubles; }

    bool operator==(const InputEvent&) const = default;

private:
    std::map<int, qint64> m_integers;
    std::map<int, double> m_doubles;
};

// Makes and posts synthetic input: keyboard and gesture events, pointer
// warps. Making an event can fail (the system may refuse); callers check.
class EventPoster {
public:
    virtual ~EventPoster() = default;

    // An event of no particular kind, from no source; fields are set by number.
    virtual std::optional<InputEvent> createEvent() = 0;
    // Keyboard and mouse events are plain events with their kind filled in:
    // they fail where createEvent() does.
    std::optional<InputEvent> createKeyboardEvent(quint16 keyCode, bool keyDown);
    // A left-button or plain move event at `location` (global, top-left
    // origin), made as from the HID system state. Right-button types give nothing.
    std::optional<InputEvent> createMouseEvent(MouseEventType type, const QPointF& location);
    virtual void post(EventTap tap, const InputEvent& event) = 0;
    // Delivers the event straight to one process, past the system's input handling.
    virtual void postToProcess(std::int32_t pid, const InputEvent& event) = 0;

    // The event's serialised form, and an event read back from such data.
    virtual std::optional<QByteArray> eventData(const InputEvent& event) = 0;
    virtual std::optional<InputEvent> eventFromData(const QByteArray& data) = 0;

    // Moves the pointer without a mouse event. Global, origin top left.
    virtual bool warpPointer(const QPointF& point) = 0;
    // Bit 0 is the left button, bit 1 the right one.
    virtual quint32 pressedMouseButtons() = 0;
    // The monotonic host clock that event timestamps use.
    virtual quint64 hostTime() = 0;
};

} // namespace lumivast
