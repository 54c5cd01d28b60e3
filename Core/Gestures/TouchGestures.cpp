#include "Core/Gestures/TouchGestures.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Settings/Settings.h"

#include <cmath>
#include <mutex>

namespace lumivast {

// What the trackpad monitor holds as its context. The monitor cannot be
// stopped, so once handed out the relay outlives the detector and only
// forgets it.
struct TouchGestures::Relay {
    std::mutex mutex;
    TouchGestures* target = nullptr;
};

TouchGestures::TouchGestures(Scheduler& scheduler) : m_scheduler(scheduler), m_relay(new Relay)
{
    m_relay->target = this;
}

TouchGestures::~TouchGestures()
{
    {
        std::lock_guard lock(m_relay->mutex);
        m_relay->target = nullptr;
    }
    if (!m_relayHandedOut)
        delete m_relay;
}

void TouchGestures::refresh()
{
    const bool on = Settings::defaults().boolValue(Settings::Key::fourFingerTap);
    m_enabled.store(on, std::memory_order_relaxed);
    if (!on || m_started)
        return;
    m_relayHandedOut = true;
    m_started = CGSBridgeStartTouchMonitor(&TouchGestures::contactFrame, m_relay);
}

void TouchGestures::contactFrame(std::int32_t fingers, void* context, float x, float y, double timestamp)
{
    auto* relay = static_cast<Relay*>(context);
    if (!relay)
        return;
    std::lock_guard lock(relay->mutex);
    if (relay->target)
        relay->target->frame(fingers, QPointF(x, y), timestamp);
}

void TouchGestures::frame(int fingers, QPointF mean, double t)
{
    if (!m_enabled.load(std::memory_order_relaxed))
        return;
    if (fingers > 0) {
        if (m_maxFingers == 0) {
            m_downAt = t;
            m_moved = false;
        }
        if (fingers > m_maxFingers) {
            // Each added finger restarts the drift measure.
            m_maxFingers = fingers;
            m_startPoint = mean;
        }
        const QPointF d = mean - m_startPoint;
        if (std::hypot(d.x(), d.y()) > kMaxDrift)
            m_moved = true;
        return;
    }
    if (fingers < 0 || m_maxFingers == 0)
        return;
    const bool tap = m_maxFingers == kFingers && !m_moved && t - m_downAt < kMaxDuration;
    m_maxFingers = 0;
    if (!tap)
        return;
    Relay* relay = m_relay;
    m_scheduler.post([relay] {
        std::function<void()> handler;
        {
            std::lock_guard lock(relay->mutex);
            if (relay->target)
                handler = relay->target->onFourFingerTap;
        }
        if (handler)
            handler();
    });
}

} // namespace lumivast
