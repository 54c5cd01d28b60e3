#pragma once

#include "Platform/Lifetime.h"

#include <QPointF>

#include <atomic>
#include <cstdint>
#include <functional>

namespace lumivast {

// Recognises a short tap of four fingers on a trackpad: at most four contacts
// at once and exactly four at some moment, the mean position never more than
// 0.04 (normalised) from where it stood when the count last rose, and no
// contact left less than 0.3 s after the first one arrived. Contact frames
// arrive on the trackpads' own thread, where the detector lives; a tap is
// handed to the main thread through the scheduler. The trackpad monitor,
// once started, runs for the life of the process; with the setting off its
// frames are ignored.
class TouchGestures final {
public:
    static constexpr double kMaxDrift = 0.04;
    static constexpr double kMaxDuration = 0.3; // seconds, on the frames' own clock
    static constexpr int kFingers = 4;

    explicit TouchGestures(Scheduler& scheduler);
    ~TouchGestures();
    TouchGestures(const TouchGestures&) = delete;
    TouchGestures& operator=(const TouchGestures&) = delete;

    // What a tap does; read on the main thread when a tap arrives.
    std::function<void()> onFourFingerTap;

    // Main thread, after every settings change: follows "fourFingerTap", and
    // starts the monitor when the setting is on and it has not started yet
    // (a failed start is tried again next time).
    void refresh();
    bool isStarted() const { return m_started; }

private:
    using FrameHandler = std::function<void(int fingers, QPointF mean, double timestamp)>;
    static void contactFrame(std::int32_t fingers, void* context, float x, float y, double timestamp);
    void frame(int fingers, QPointF mean, double timestamp);

    bool m_started = false;
    FrameHandler* m_frames = nullptr; // the monitor's context, once handed out
    // The setting as the frames' thread sees it.
    std::atomic<bool> m_enabled{false};

    // The detector: touched only on the frames' thread.
    double m_downAt = 0;
    int m_maxFingers = 0;
    QPointF m_startPoint;
    bool m_moved = false;

    Lifetime m_lifetime; // last: ends first
};

} // namespace lumivast
