#include "Platform/DockEvents.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <cmath>

namespace lumivast {

namespace {

// Dock swipe events: event type 30 with sub-type 23; 123 = 1 marks a horizontal swipe.
constexpr int kTypeField = 55;
constexpr int kSubtypeField = 110;
constexpr int kAxisField = 123;
constexpr int kDirectionField = 124;
constexpr int kProgressField = 125;
constexpr int kVelocityField = 129;
constexpr int kPhaseField = 132;
constexpr qint64 kPhaseBegan = 1, kPhaseChanged = 2, kPhaseEnded = 4;

constexpr int kPayloadSize = 96;

std::int32_t fixed(double x)
{
    const double v = x * 65536.0;
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return std::int32_t(v);
}

} // namespace

std::optional<std::int32_t> DockEventReader::matchingHotKey(const InputEvent& event,
                                                            const std::map<std::int32_t, SymbolicHotKey>& hotKeys)
{
    for (const auto& [number, key] : hotKeys) {
        if (key.enabled && key.keyCode == event.keyCode && key.modifiers == event.flags)
            return number;
    }
    return std::nullopt;
}

std::optional<DockRequest> DockEventReader::read(const InputEvent& event, const Context& context, QStringList& log)
{
    if (event.type == InputEvent::Type::keyUp)
        return std::nullopt;
    if (event.type == InputEvent::Type::keyDown)
        return keyDown(event, context, log);
    return swipe(event, context, log);
}

std::optional<DockRequest> DockEventReader::keyDown(const InputEvent& event, const Context& context, QStringList& log)
{
    for (const auto& [number, key] : context.hotKeys) {
        if (!key.enabled || key.keyCode != event.keyCode || key.modifiers != event.flags)
            continue;
        const QString cause = QStringLiteral("hot key %1").arg(number);
        if (number == 79 || number == 81)
            return DockRequest{DockRequest::Kind::step, number == 79 ? -1 : 1, cause, false};
        if (number >= 118 && number <= 133)
            return DockRequest{DockRequest::Kind::desktop, number - 117, cause, false};
    }
    log << QStringLiteral("ignored key %1 flags 0x%2: no enabled hot key").arg(event.keyCode).arg(event.flags, 0, 16);
    return std::nullopt;
}

std::optional<DockRequest> DockEventReader::swipe(const InputEvent& event, const Context& context, QStringList& log)
{
    if (event.integerField(kTypeField) != 30 || event.integerField(kSubtypeField) != 23) {
        log << QStringLiteral("ignored event: not a Dock swipe");
        return std::nullopt;
    }
    const auto reject = [this, &log](const QString& why) -> std::optional<DockRequest> {
        m_swipeDirection.reset();
        log << QStringLiteral("ignored swipe: ") + why;
        return std::nullopt;
    };
    if (event.integerField(kAxisField) != 1)
        return reject(QStringLiteral("field 123 is not 1"));
    const double direction = event.doubleField(kDirectionField);
    const double velocity = event.doubleField(kVelocityField);
    if (direction == 0 || std::isnan(direction) || !(velocity * direction > 0))
        return reject(QStringLiteral("direction and velocity disagree"));
    const qint64 phase = event.integerField(kPhaseField);
    if (context.osMajorVersion >= 27) {
        if (auto problem = payloadProblem(event, phase))
            return reject(*problem);
    }
    const double sign = direction > 0 ? 1.0 : -1.0;
    if (phase == kPhaseBegan) {
        m_swipeDirection = sign;
        return std::nullopt;
    }
    if (phase != kPhaseChanged && phase != kPhaseEnded)
        return reject(QStringLiteral("unknown phase %1").arg(phase));
    if (m_swipeDirection != sign)
        return reject(QStringLiteral("phase %1 without a beginning").arg(phase));
    if (phase == kPhaseChanged)
        return std::nullopt;
    m_swipeDirection.reset();
    // Newer systems read the direction through the user's scrolling preference.
    const bool right = context.osMajorVersion >= 27 ? (sign > 0) == context.naturalScrolling : sign > 0;
    return DockRequest{DockRequest::Kind::step, right ? 1 : -1, QStringLiteral("swipe"), true};
}

std::optional<QString> DockEventReader::payloadProblem(const InputEvent& event, std::int64_t phase)
{
    const QByteArray& data = event.trailingData;
    if (data.isEmpty())
        return QStringLiteral("no payload");
    if (data.size() != 4 + kPayloadSize || quint8(data[0]) != 0x00 || quint8(data[1]) != kPayloadSize
        || quint8(data[2]) != 0x10 || quint8(data[3]) != 0x6D)
        return QStringLiteral("payload header");
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + 4;
    auto u32 = [p](int offset) { return qFromLittleEndian<quint32>(p + offset); };
    auto i32 = [p](int offset) { return qFromLittleEndian<qint32>(p + offset); };
    const bool layout = qFromLittleEndian<quint64>(p) != 0 && u32(24) == 2 && u32(28) == 40 && u32(32) == 23
        && u32(60) == 0x00030001 && u32(68) == 28 && u32(72) == 9 && u32(80) == 1;
    if (!layout)
        return QStringLiteral("payload layout");
    if (u32(36) != quint32(phase) << 24 || i32(44) != fixed(event.doubleField(kProgressField))
        || i32(64) != fixed(-event.doubleField(kDirectionField)) || i32(84) != fixed(-event.doubleField(kVelocityField)))
        return QStringLiteral("payload disagrees with the event");
    return std::nullopt;
}

// The serialised form, all big-endian: the version word, then type (u8),
// location (two doubles), key code (u16), flags (u64), timestamp (u64), the integer fields as a count
// (u16) and (number u32, value i64) pairs, the double fields likewise with
// IEEE doubles. Whatever follows belongs to nobody and is kept as trailing data.
QByteArray EventData::encode(const InputEvent& event, quint32 version)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::BigEndian);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    out << version << quint8(event.type) << event.location.x() << event.location.y() << event.keyCode << event.flags << event.timestamp;
    out << quint16(event.integerFields().size());
    for (const auto& [field, value] : event.integerFields())
        out << quint32(field) << qint64(value);
    out << quint16(event.doubleFields().size());
    for (const auto& [field, value] : event.doubleFields())
        out << quint32(field) << value;
    data.append(event.trailingData);
    return data;
}

std::optional<InputEvent> EventData::decode(const QByteArray& data)
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

} // namespace lumivast
