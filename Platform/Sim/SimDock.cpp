#include "Platform/Sim/SimDock.h"

#include "Platform/QtScheduler.h"
#include "Platform/Sim/SimMissionControl.h"
#include "Platform/Sim/SimWorld.h"

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

SimDock::SimDock(SimWorld& world) : m_world(world) {}

SimDock::~SimDock() = default;

Scheduler& SimDock::scheduler()
{
    if (m_scheduler)
        return *m_scheduler;
    if (!m_ownScheduler)
        m_ownScheduler = std::make_unique<QtScheduler>();
    return *m_ownScheduler;
}

void SimDock::receive(EventTap tap, const InputEvent& event)
{
    if (event.type == InputEvent::Type::keyUp)
        return;
    // Escape from the keyboard closes Mission Control.
    if (tap == EventTap::hid && event.type == InputEvent::Type::keyDown && event.keyCode == SimMissionControl::kEscapeKeyCode
        && m_world.missionControl().escape())
        return;
    if (m_world.screenLocked) {
        m_log << QStringLiteral("ignored: screen locked");
        return;
    }
    if (event.type == InputEvent::Type::keyDown)
        keyDown(event);
    else
        swipe(event);
}

void SimDock::keyDown(const InputEvent& event)
{
    for (const auto& [number, key] : m_world.hotKeys) {
        if (!key.enabled || key.keyCode != event.keyCode || key.modifiers != event.flags)
            continue;
        const QString cause = QStringLiteral("hot key %1").arg(number);
        if (number == 79 || number == 81) {
            step(displayUnderPointer(), number == 79 ? -1 : 1, cause, false);
            return;
        }
        if (number >= 118 && number <= 133) {
            std::uint64_t managed = 0;
            const int display = displayShowingDesktop(number - 117, &managed);
            if (display < 0)
                m_log << QStringLiteral("ignored %1: no Desktop %2").arg(cause).arg(number - 117);
            else
                request(display, managed, cause, false);
            return;
        }
    }
    m_log << QStringLiteral("ignored key %1 flags 0x%2: no enabled hot key").arg(event.keyCode).arg(event.flags, 0, 16);
}

void SimDock::swipe(const InputEvent& event)
{
    if (event.integerField(kTypeField) != 30 || event.integerField(kSubtypeField) != 23) {
        m_log << QStringLiteral("ignored event: not a Dock swipe");
        return;
    }
    const auto reject = [this](const QString& why) {
        m_swipeDirection.reset();
        m_log << QStringLiteral("ignored swipe: ") + why;
    };
    if (event.integerField(kAxisField) != 1)
        return reject(QStringLiteral("field 123 is not 1"));
    const double direction = event.doubleField(kDirectionField);
    const double velocity = event.doubleField(kVelocityField);
    if (direction == 0 || std::isnan(direction) || !(velocity * direction > 0))
        return reject(QStringLiteral("direction and velocity disagree"));
    const qint64 phase = event.integerField(kPhaseField);
    if (m_world.osMajorVersion >= 27) {
        if (auto problem = payloadProblem(event, phase))
            return reject(*problem);
    }
    const double sign = direction > 0 ? 1.0 : -1.0;
    if (phase == kPhaseBegan) {
        m_swipeDirection = sign;
        return;
    }
    if (phase != kPhaseChanged && phase != kPhaseEnded)
        return reject(QStringLiteral("unknown phase %1").arg(phase));
    if (m_swipeDirection != sign)
        return reject(QStringLiteral("phase %1 without a beginning").arg(phase));
    if (phase == kPhaseChanged)
        return;
    m_swipeDirection.reset();
    // Newer systems read the direction through the user's scrolling preference.
    const bool right = m_world.osMajorVersion >= 27 ? (sign > 0) == naturalScrolling() : sign > 0;
    step(displayUnderPointer(), right ? 1 : -1, QStringLiteral("swipe"), true);
}

std::optional<QString> SimDock::payloadProblem(const InputEvent& event, std::int64_t phase) const
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

bool SimDock::naturalScrolling() const
{
    const auto it = m_world.globalPreferences.find(QStringLiteral("com.apple.swipescrolldirection"));
    if (it == m_world.globalPreferences.end())
        return true;
    if (auto b = it->second.boolean())
        return *b;
    if (auto i = it->second.integer())
        return *i != 0;
    return true;
}

int SimDock::displayUnderPointer() const
{
    const auto& displays = m_world.displays;
    const SimWorld::Display* main = m_world.mainDisplay();
    int mainIndex = -1;
    for (int i = 0; i < int(displays.size()); ++i) {
        if (&displays[std::size_t(i)] == main)
            mainIndex = i;
    }
    if (!m_world.displaysHaveSeparateSpaces)
        return mainIndex;
    const QPointF p = m_world.pointer;
    for (int i = 0; i < int(displays.size()); ++i) {
        const QRectF& f = displays[std::size_t(i)].frame;
        if (p.x() >= f.x() && p.x() < f.x() + f.width() && p.y() >= f.y() && p.y() < f.y() + f.height())
            return i;
    }
    return mainIndex;
}

int SimDock::displayShowingDesktop(int number, std::uint64_t* managedID) const
{
    int counted = 0;
    for (int i = 0; i < int(m_world.displays.size()); ++i) {
        const SimWorld::Display& display = m_world.displays[std::size_t(i)];
        if (!m_world.displaysHaveSeparateSpaces && &display != m_world.mainDisplay())
            continue;
        for (const SimWorld::SimSpace& space : display.spaces) {
            if (!space.fullscreen && ++counted == number) {
                *managedID = space.managedID;
                return i;
            }
        }
    }
    return -1;
}

void SimDock::step(int displayIndex, int delta, const QString& cause, bool gesture)
{
    if (displayIndex < 0) {
        m_log << QStringLiteral("ignored %1: no display").arg(cause);
        return;
    }
    const SimWorld::Display& display = m_world.displays[std::size_t(displayIndex)];
    // Steps taken before the last one landed count from where that one is going.
    const auto pending = m_landings.find(display.identifier);
    const std::uint64_t from = pending != m_landings.end() ? pending->second.target : display.current;
    int index = -1;
    for (int i = 0; i < int(display.spaces.size()); ++i) {
        if (display.spaces[std::size_t(i)].managedID == from)
            index = i;
    }
    const int next = index + delta;
    if (index < 0 || next < 0 || next >= int(display.spaces.size())) {
        m_log << QStringLiteral("ignored %1: no Space %2 of %3").arg(cause, delta < 0 ? "left" : "right", display.identifier);
        return;
    }
    request(displayIndex, display.spaces[std::size_t(next)].managedID, cause, gesture);
}

void SimDock::request(int displayIndex, std::uint64_t target, const QString& cause, bool gesture)
{
    const QString identifier = m_world.displays[std::size_t(displayIndex)].identifier;
    m_log << QStringLiteral("request %1 -> %2 by %3").arg(identifier).arg(target).arg(cause);
    Landing& landing = m_landings[identifier];
    landing.target = target;
    landing.gesture = landing.gesture || gesture;
    landing.work = scheduler().after(delay, [this, identifier] { land(identifier); });
}

void SimDock::land(const QString& identifier)
{
    const auto it = m_landings.find(identifier);
    if (it == m_landings.end())
        return;
    const std::uint64_t target = it->second.target;
    const bool gesture = it->second.gesture;
    WorkItem finished = std::move(it->second.work); // keeps the running work alive until it returns
    m_landings.erase(it);

    std::uint64_t origin = 0;
    for (const SimWorld::Display& display : m_world.displays) {
        if (display.identifier == identifier)
            origin = display.current;
    }
    if (!m_world.switchSpace(identifier, target)) {
        m_log << QStringLiteral("ignored landing on %1: Space %2 is gone").arg(identifier).arg(target);
        return;
    }
    m_log << QStringLiteral("landed %1 %2").arg(identifier).arg(target);
    if (gesture && bounceNext > 0 && origin != target) {
        --bounceNext;
        m_bounces.push_back(scheduler().after(bounceAfter, [this, identifier, origin] {
            if (m_world.switchSpace(identifier, origin))
                m_log << QStringLiteral("bounced %1 back to %2").arg(identifier).arg(origin);
        }));
    }
}

} // namespace lumivast
