#include "Core/Gestures/TouchGestures.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Settings/Settings.h"

#include <cmath>

namespace lumivast {

TouchGestures::TouchGestures(Scheduler& scheduler) : m_lifetime(scheduler) {}

TouchGestures::~TouchGestures() = default;

void TouchGestures::refresh()
{
    const bool on = Settings::defaults().boolValue(Settings::Key::fourFingerTap);
    m_enabled.store(on, std::memory_order_relaxed);
    if (!on || m_started)
        return;
    // The monitor cannot be stopped, so its context lasts for the process (never freed);
    // frames after the detector went are dropped, and its end waits for a frame in progress.
    if (!m_frames)
        m_frames = new FrameHandler(m_lifetime.guard([this](int fingers, QPointF mean, double t) { frame(fingers, mean, t); }));
    m_started = CGSBridgeStartTouchMonitor(&TouchGestures::contactFrame, m_frames);
}

void TouchGestures::contactFrame(std::int32_t fingers, void* context, float x, float y, double timestamp)
{
    if (const auto* handler = static_cast<const FrameHandler*>(context))
        (*handler)(fingers, QPointF(x, y), timestamp);
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
    m_lifetime.post([this] {
        // Our own copy: the handler may end the detector.
        if (const std::function<void()> handler = onFourFingerTap)
            handler();
    });
}

} // namespace lumivast
