#include "Core/Switching/DockSwipe.h"

#include "Platform/Platform.h"

#include <QtEndian>

#include <atomic>
#include <cstdlib>

namespace lumivast::DockSwipe {

namespace {

// Gesture event fields.
constexpr int kEventType = 55;        // 30: a Dock control event
constexpr int kGestureType = 110;     // 23: Dock swipe; also in the payload's second block
constexpr int kHorizontal = 123;      // 1
constexpr int kDirection = 124;       // +1.0 or -1.0
constexpr int kProgress = 125;        // augmented only: 0.1
constexpr int kProgressY = 126;       // never set; read into the payload
constexpr int kVelocity = 129;        // direction x 9999
constexpr int kVelocityY = 130;       // augmented only: 0.0
constexpr int kPhase = 132;
constexpr int kPhaseAgain = 134;      // augmented only
constexpr int kFingers = 138;         // augmented only: 3.0
constexpr int kHostTime = 169;        // augmented only

// 0 unknown, 1 no, 2 yes; dropped when another platform is installed.
std::atomic<int>& payloadCache()
{
    static std::atomic<int> cache{0};
    static const bool hooked = [] {
        Platform::addResetHook([] { cache = 0; });
        return true;
    }();
    (void)hooked;
    return cache;
}

void putU32(QByteArray& out, int offset, quint32 value)
{
    qToLittleEndian(value, reinterpret_cast<uchar*>(out.data()) + offset);
}

void putI32(QByteArray& out, int offset, qint32 value)
{
    qToLittleEndian(value, reinterpret_cast<uchar*>(out.data()) + offset);
}

} // namespace

bool requiresIOHIDPayload()
{
    std::atomic<int>& cache = payloadCache();
    if (cache == 0)
        cache = Platform::current().system().operatingSystemMajorVersion() > 26 ? 2 : 1;
    return cache == 2;
}

bool naturalScrollingEnabled()
{
    const auto value = Platform::current().system().globalPreference(QStringLiteral("com.apple.swipescrolldirection"));
    if (!value)
        return true;
    if (const auto b = value->boolean())
        return *b;
    if (const auto i = value->integer())
        return *i != 0;
    return true;
}

std::int32_t fixed(double x)
{
    const double product = x * 65536.0;
    if (product >= 2147483647.0)
        return 2147483647;
    if (product <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<std::int32_t>(product); // truncates toward zero
}

QByteArray iohidPayload(const InputEvent& event, std::int64_t phase, double velocity)
{
    QByteArray out(kPayloadSize, '\0');
    quint64 timestamp = event.timestamp;
    if (timestamp == 0)
        timestamp = Platform::current().events().hostTime();
    qToLittleEndian(timestamp, reinterpret_cast<uchar*>(out.data()));
    // Bytes 8 to 23 stay zero.
    putU32(out, 24, 2);
    putU32(out, 28, 40); // length of the second block
    putU32(out, 32, 23);
    putU32(out, 36, quint32(phase) << 24);
    putU32(out, 40, 0);
    putI32(out, 44, fixed(event.doubleField(kProgress)));
    putI32(out, 48, fixed(event.doubleField(kProgressY)));
    // Bytes 52 to 59 stay zero.
    putU32(out, 60, 0x00030001);
    putI32(out, 64, fixed(-event.doubleField(kDirection)));
    putU32(out, 68, 28); // length of the third block
    putU32(out, 72, 9);
    putU32(out, 76, 0);
    putU32(out, 80, 1);
    putI32(out, 84, fixed(-velocity));
    // Bytes 88 to 95 stay zero.
    return out;
}

std::optional<InputEvent> withIOHIDPayload(const InputEvent& event, std::int64_t phase, double velocity)
{
    EventPoster& events = Platform::current().events();
    std::optional<QByteArray> data = events.eventData(event);
    if (!data || !data->startsWith(QByteArray("\x00\x00\x00\x02", 4)))
        return std::nullopt;
    const QByteArray payload = iohidPayload(event, phase, velocity);
    const auto length = quint16(std::min<qsizetype>(payload.size(), 0xFFFF));
    data->append(char(length >> 8));
    data->append(char(length & 0xFF));
    data->append(char(0x10));
    data->append(char(0x6D));
    data->append(payload);
    return events.eventFromData(*data);
}

bool postPlainSwipe(int steps)
{
    if (steps == 0)
        return false;
    EventPoster& events = Platform::current().events();
    std::optional<InputEvent> event = events.createEvent();
    if (!event)
        return false;
    const double direction = steps > 0 ? 1.0 : -1.0;
    event->setIntegerField(kEventType, 30);
    event->setIntegerField(kGestureType, 23);
    event->setIntegerField(kHorizontal, 1);
    event->setDoubleField(kDirection, direction);
    event->setDoubleField(kVelocity, direction * kSpeed);
    for (int i = 0; i < std::abs(steps); ++i) {
        event->setIntegerField(kPhase, kPhaseBegan);
        events.post(EventTap::session, *event);
        event->setIntegerField(kPhase, kPhaseEnded);
        events.post(EventTap::session, *event);
    }
    return true;
}

bool postAugmentedSwipe(int steps)
{
    if (steps == 0)
        return false;
    const bool natural = naturalScrollingEnabled();
    const bool positive = (steps <= 0) != natural;
    const double direction = positive ? 1.0 : -1.0;
    const double velocity = positive ? kSpeed : -kSpeed;
    EventPoster& events = Platform::current().events();
    for (int i = 0; i < std::abs(steps); ++i) {
        for (std::int64_t phase : {kPhaseBegan, kPhaseChanged, kPhaseEnded}) {
            std::optional<InputEvent> event = events.createEvent();
            if (!event)
                return false;
            event->setIntegerField(kEventType, 30);
            event->setIntegerField(kGestureType, 23);
            event->setIntegerField(kPhase, phase);
            event->setDoubleField(kDirection, direction);
            event->setIntegerField(kHorizontal, 1);
            event->setDoubleField(kVelocity, velocity);
            event->setDoubleField(kVelocityY, 0.0);
            event->setIntegerField(kPhaseAgain, phase);
            event->setDoubleField(kFingers, 3.0);
            event->setDoubleField(kHostTime, double(events.hostTime()));
            event->setDoubleField(kProgress, 0.1);
            const std::optional<InputEvent> augmented = withIOHIDPayload(*event, phase, velocity);
            if (!augmented)
                return false;
            events.post(EventTap::session, *augmented);
        }
    }
    return true;
}

bool postSwipe(int steps)
{
    if (requiresIOHIDPayload())
        return postAugmentedSwipe(steps);
    return postPlainSwipe(steps);
}

} // namespace lumivast::DockSwipe
