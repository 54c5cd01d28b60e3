#pragma once

#include "Platform/Lifetime.h"
#include "Platform/Mouse.h"
#include "Platform/Scheduler.h"
#include "Platform/Screens.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace lumivast {

class Platform;

// Turns a pointer resting at a screen edge into a trigger: the hot corner
// (the configured corner of every screen, setting "hotCorner") and notch
// hover (the middle of a screen's top edge, setting "notchHover"). Works
// entirely in the mouse monitors' handlers: a trigger fires on the first
// pointer event after its dwell time, once per stay. Main thread only.
class EdgeTriggers final {
public:
    static constexpr Duration kCornerDwell = 250ms;
    static constexpr Duration kNotchDwell = 350ms;
    static constexpr double kCornerInset = 3;
    static constexpr double kNotchZoneHeight = 6;
    static constexpr double kPlainZoneWidth = 200; // screens without a camera housing
    static constexpr double kPlainZoneHeight = 4;
    static constexpr double kTopBand = 2;

    static inline const QString kCorner = QStringLiteral("corner");
    static inline const QString kNotch = QStringLiteral("notch");

    explicit EdgeTriggers(Scheduler& scheduler);
    ~EdgeTriggers();
    EdgeTriggers(const EdgeTriggers&) = delete;
    EdgeTriggers& operator=(const EdgeTriggers&) = delete;

    // Installs or removes the monitors to match the settings; idempotent.
    void refresh();

    // Read when the trigger fires; when unset the stay still counts as fired.
    std::function<void()> onHotCorner;
    std::function<void(const ScreenInfo& screen)> onNotchHover;

    bool monitorsInstalled() const { return m_monitor.has_value(); }
    const QString& dwellKind() const { return m_dwellKind; }

    // The notch zone of a screen (bottom-left coordinates, like its frame).
    static QRectF notchZone(const ScreenInfo& screen);

private:
    void check();
    void reset();

    Scheduler& m_scheduler;
    std::optional<MonitorToken> m_monitor;
    std::optional<MonitorToken> m_localMonitor;
    std::weak_ptr<Platform> m_monitorPlatform;
    std::optional<Duration> m_dwellStart;
    QString m_dwellKind;
    bool m_fired = false;
    Lifetime m_lifetime; // the monitors may outlive the triggers
};

} // namespace lumivast
