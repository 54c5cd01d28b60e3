#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Lifetime.h"
#include "Platform/Mouse.h"
#include "Platform/RunningApplications.h"
#include "Platform/Scheduler.h"

#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

namespace lumivast {

class Platform;

// Dock click protection (setting "dockClickProtection"): a change of the
// active Space that follows a left click inside the Dock's item list within
// 0.8 s, to a Space other than the one current at the click, is reported as
// a bounce-back instead of being taken as the user's move. Main thread only.
class DockGuard final {
public:
    static constexpr Duration kClickWindow = 800ms;
    static inline const QString kDockBundleID = QStringLiteral("com.apple.dock");

    explicit DockGuard(Scheduler& scheduler);
    ~DockGuard();
    DockGuard(const DockGuard&) = delete;
    DockGuard& operator=(const DockGuard&) = delete;

    // Installs or removes the click monitor to match the setting, then
    // remembers `current` as the active Space.
    void refresh(const std::optional<Space>& current);
    // True when the change was reported as a bounce-back; the caller then
    // skips its other reactions to it.
    bool spaceChanged(const Space& to);

    // The Space to return to and the app that is frontmost after the switch.
    std::function<void(const Space& back, const RunningApplication& frontmost)> onBounceBack;

    // The frame of the Dock's item list (global, top-left origin), asked
    // afresh each time; none without Accessibility or a Dock that answers.
    static std::optional<QRectF> dockListFrame();

    bool monitorInstalled() const { return m_monitor.has_value(); }
    bool clickRecorded() const { return m_lastDockClick.has_value(); }

private:
    void mouseDown();

    Scheduler& m_scheduler;
    std::optional<MonitorToken> m_monitor;
    std::weak_ptr<Platform> m_monitorPlatform;
    std::optional<Duration> m_lastDockClick;
    std::optional<Space> m_spaceBeforeClick;
    std::optional<Space> m_currentSpace;
    Lifetime m_lifetime; // the monitor may outlive the guard
};

} // namespace lumivast
