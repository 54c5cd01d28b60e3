#pragma once

#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Scheduler.h"
#include "Platform/Screens.h"
#include "Platform/SystemFunctions.h"
#include "Platform/Workspace.h"
#include "UI/MissionControl/LabelPanel.h"

#include <QObject>
#include <QRectF>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace lumivast {

// Puts a pill with each Space's name, symbol and colour over the buttons of
// Mission Control's Spaces Bars. Mission Control is noticed by its broadcast
// and, once a second, by looking for its bars in the Dock's Accessibility
// tree; while it is open the tree is read sixty times a second, the buttons
// are paired left to right with the Spaces of their display, and each
// display's panel gets the list. A tick that finds no bar, or bars that rose
// by more than 2 pt (Mission Control closing), ends the run and clears every
// panel at once. Needs Accessibility trust and never asks for it. Main thread only.
class MissionControlLabels final : public QObject {
    Q_OBJECT
public:
    static constexpr Duration kIdleInterval = 1000ms;
    static constexpr Duration kTickInterval = 17ms; // 60 a second at the scheduler's resolution
    static constexpr double kRiseToEnd = 2.0;
    static constexpr double kExpandedAbove = 58;

    MissionControlLabels(SpaceWatcher& watcher, SpaceStore& store, Scheduler& scheduler, QObject* parent = nullptr);
    ~MissionControlLabels() override;

    // Once, at launch: listens for Mission Control and starts the idle look-out.
    void start();

    bool isTracking() const { return m_trackTimer.isPending(); }
    // The panel of a display ("Main" or its UUID) once it has had a bar.
    LabelPanel* panel(const QString& displayID) const;

    // One step of a run (the tracking timer's work; public for the benchmark).
    void tick();

private:
    struct Bar {
        QRectF frame;               // global, origin top left
        std::vector<QRectF> buttons; // in walk order
    };

    void beginTracking();
    void endTracking();
    std::vector<Bar> spacesBars();
    std::vector<LabelPanel::Label> labelsFor(const Bar& bar, const DisplaySpaces& display, const ScreenInfo& screen,
                                             double primaryHeight) const;
    const DisplaySpaces* displayOf(const ScreenInfo& screen, const SpaceSnapshot& snapshot,
                                   const std::vector<ScreenInfo>& screens) const;

    SpaceWatcher& m_watcher;
    SpaceStore& m_store;
    Scheduler& m_scheduler;
    std::map<QString, std::unique_ptr<LabelPanel>> m_panels;
    WorkItem m_trackTimer;
    WorkItem m_idleTimer;
    Subscription m_awakeObserver;
    std::optional<double> m_lastBarTop;
    std::optional<sysfn::AXElementRef> m_dock;
};

} // namespace lumivast
