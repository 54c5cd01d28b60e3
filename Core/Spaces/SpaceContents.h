#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"
#include "Platform/SerialQueue.h"
#include "Platform/Workspace.h"

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace lumivast {

// The ordinary windows of other applications and, per managed Space number,
// the applications with windows on it. The window list is read on a worker
// ("lumivast.contents") at most once at a time, 0.15 s after the first
// request, and published on the main thread only when it differs.
class SpaceContents final : public QObject {
    Q_OBJECT
public:
    struct WindowInfo {
        std::uint32_t id = 0;
        std::int32_t pid = 0;
        std::optional<QString> bundleID;
        QString appName;
        QString title;
        QRectF frame; // as the window list gives it: global, top-left origin
        int spaceID = 0; // managed Space number
        bool operator==(const WindowInfo&) const = default;
    };

    struct AppOnSpace {
        std::int32_t pid = 0; // negative: an application that is not running (demo placeholders)
        std::optional<QString> bundleID;
        QString name;
        std::vector<std::uint32_t> windowIDs; // in window-list order
        bool operator==(const AppOnSpace&) const = default;

        // Looked up on every read: the running application's icon, or for a
        // placeholder the installed application's; null when there is none.
        QImage icon() const;
    };

    using AppsBySpace = std::map<int, std::vector<AppOnSpace>>;

    struct Reading {
        AppsBySpace appsBySpace;
        std::vector<WindowInfo> windows;
    };

    static constexpr Duration kPassDelay = 150ms;
    static constexpr Duration kRefreshInterval = 4000ms;
    static constexpr Duration kRefreshTolerance = 1000ms;
    static constexpr double kMinimumSide = 60.0;
    static constexpr double kMinimumAlpha = 0.01;

    explicit SpaceContents(Scheduler& scheduler, QObject* parent = nullptr);
    ~SpaceContents() override;

    // Refreshes now, on application launch, quit and activation, on every
    // active-Space change and every 4 s. Only the first call counts.
    void start();
    // Asks for a pass; requests made while one is scheduled or running are
    // dropped. Main thread only.
    void refresh();

    const AppsBySpace& appsBySpace() const { return m_appsBySpace; }
    // No app shows a window on `space` (as of the last pass).
    bool isEmpty(const Space& space) const;
    const std::vector<WindowInfo>& windows() const { return m_windows; }
    std::vector<WindowInfo> windows(int onManagedSpace) const;

    // The windows that appeared since the previous pass (never those present
    // at the first one). Main thread.
    std::function<void(const std::vector<WindowInfo>&)> onNewWindows;

    // Reads the window list and groups it; touches no instance. Any thread.
    static Reading readWindowList();

    // Blocks until the reading already handed to the worker has finished;
    // its results are then waiting in the scheduler.
    void waitForReading() { m_queue.waitUntilIdle(); }

signals:
    void appsBySpaceChanged();
    void windowsChanged();
    // Once per publication that changed either list, after both signals above.
    void changed();

private:
    void publish(Reading reading);

    Scheduler& m_scheduler;
    AppsBySpace m_appsBySpace;
    std::vector<WindowInfo> m_windows;
    std::set<std::uint32_t> m_seenWindowIDs; // only grows
    bool m_firstPass = true;
    bool m_pending = false;
    bool m_started = false;
    WorkItem m_scheduledPass;
    WorkItem m_timer;
    std::vector<Subscription> m_observers;
    Lifetime m_lifetime{m_scheduler};
    SerialQueue m_queue{QStringLiteral("lumivast.contents")}; // last: joined first on destruction
};

} // namespace lumivast
