#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/FileWatcher.h"
#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"
#include "Platform/Workspace.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumivast {

// The single source of truth for which Spaces exist and which is active.
// Every signal that the Spaces may have changed (window-server events, the
// workspace's active-Space notification, screen changes, wake, writes to the
// system's Spaces preferences) requests a refresh; a burst of them yields one
// refresh 40 ms after the last. A new snapshot is published only when its
// displays differ. Lives on the main thread.
class SpaceWatcher final : public QObject {
    Q_OBJECT
public:
    static constexpr Duration kDebounce = 40ms;
    static constexpr Duration kReopenDelay = 2000ms;
    static constexpr Duration kRearmDelay = 200ms;

    // `preferencesPath` empty: the installed platform's Spaces preferences file.
    explicit SpaceWatcher(Scheduler& scheduler, QString preferencesPath = {}, QObject* parent = nullptr);
    ~SpaceWatcher() override;

    // Starts watching and refreshes synchronously. Only the first call counts.
    void start();

    const SpaceSnapshot& snapshot() const { return m_snapshot; }

    // Called after every publish.
    std::function<void(const SpaceSnapshot&)> onSnapshot;
    // Called after a publish when the menu-bar display's active Space changed.
    std::function<void(const std::optional<Space>& from, const Space& to)> onActiveSpaceChange;

signals:
    // The snapshot was replaced.
    void changed();

private:
    static void windowServerEvent(std::uint32_t event, void* context);

    void requestRefresh(const QString& reason);
    void refresh();
    void watchPlist();

    Scheduler& m_scheduler;
    QString m_preferencesPath;
    SpaceSnapshot m_snapshot = SpaceSnapshot::empty();
    WorkItem m_pendingRefresh;
    WorkItem m_plistRetry;
    std::unique_ptr<FileWatch> m_plistSource;
    std::vector<Subscription> m_observers;
    bool m_started = false;
    Lifetime m_lifetime; // last: ends first
};

} // namespace lumivast
