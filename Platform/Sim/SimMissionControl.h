#pragma once

#include "Platform/AXElements.h"
#include "Platform/DistributedNotifications.h"
#include "Platform/Events.h"
#include "Platform/Scheduler.h"

#include <QRectF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

namespace lumivast {

class SimWorld;

// Broadcast notifications in the simulated system: each post reaches the
// observers of its name through the world's scheduler, so handlers run on the
// main thread after the poster has returned. Main thread only.
class SimDistributedNotifications final : public DistributedNotifications {
public:
    explicit SimDistributedNotifications(SimWorld& world);

    Subscription observe(const QString& name, std::function<void()> handler) override;
    void post(const QString& name);
    // Every name posted, in order.
    const QStringList& posted() const { return m_posted; }

private:
    struct Observers;
    SimWorld& m_world;
    std::shared_ptr<Observers> m_observers;
    QStringList m_posted;
};

// Mission Control, a mode of the simulated Dock. The Dock notification
// "com.apple.expose.awake" starts it opening (the broadcast of the same name
// goes out at once, the Spaces Bars appear `openDelay` later); Escape, or a
// click on a Space's button, closes it, the bars rising 0.5 pt per ms for
// `closeSlide` before they are gone. While the bars show, the Dock's
// Accessibility tree carries them, derived from the world's Spaces at every
// read: a group "Mission Control", one group per display with a "Spaces Bar"
// along its top edge, in it a list of one button per Space in row order and
// the "add desktop" button. A posted mouse move hovers a desktop's button,
// which then shows its "remove desktop" button (on a display with more than
// one desktop). Frames are global, origin top left. Main thread only.
class SimMissionControl {
public:
    enum class State { closed, opening, open, closing };
    enum class DesktopButtons { title, exitDescription };

    static inline const QString kAwakeNotification = QStringLiteral("com.apple.expose.awake");
    static constexpr quint16 kEscapeKeyCode = 53;
    static constexpr double kButtonHeight = 26;
    static constexpr double kExpandedButtonHeight = 96;
    static constexpr double kRemoveButtonSide = 20;
    static constexpr double kRisePerMs = 0.5;

    explicit SimMissionControl(SimWorld& world);
    ~SimMissionControl();
    SimMissionControl(const SimMissionControl&) = delete;
    SimMissionControl& operator=(const SimMissionControl&) = delete;

    // ---- knobs ----
    Duration openDelay = 300ms;
    Duration closeSlide = 100ms;
    bool expanded = false;
    DesktopButtons desktopButtons = DesktopButtons::title;
    bool closeButtonHidden = false; // the remove button is left out of the tree; clicks on its place still work
    bool addButtonMissing = false;  // tests: a Mission Control without its "add desktop" button
    bool buttonsListedBackwards = false; // tests: the tree lists a bar's buttons right to left, as nothing promises an order

    State state() const { return m_state; }
    // Whether the Spaces Bars exist (open, or rising while closing).
    bool barsShown() const { return m_state == State::open || m_state == State::closing; }

    // Starts opening as the Dock does on request; nothing while the Dock does not run.
    void beginOpening();
    // Tests: open at once (no broadcast), or start closing.
    void openNow();
    void close();
    // The Dock quits and comes back under a new process id; Mission Control is closed.
    void restartDock();

    // ---- from the rest of the world ----
    void dockNotification(const QString& name);
    // True when the key was Mission Control's (it was opening or open).
    bool escape();
    void mouseEvent(const InputEvent& event);

    // ---- the Dock's Accessibility tree ----
    // The Dock application element's children after its item list.
    std::vector<sysfn::AXElementRef> dockChildren();
    bool owns(sysfn::AXElementRef element) const;
    std::expected<AXAttributeValue, AXError> copyAttribute(sysfn::AXElementRef element, const QString& attribute);
    std::expected<void, AXError> perform(sysfn::AXElementRef element, const QString& action);

    // ---- for assertions ----
    // The button of a Space (managed number) while the bars show, global top-left.
    std::optional<QRectF> buttonFrame(std::uint64_t managedID) const;
    std::optional<std::uint64_t> hovered() const { return m_hovered; }
    // One line per thing it did ("opening", "open", "hover 3", "added 6 on Main", "removed 3", "closing", ...).
    const QStringList& log() const { return m_log; }
    void clearLog() { m_log.clear(); }

private:
    enum class Kind { root, displayGroup, bar, list, button, addButton, removeButton };
    struct Node {
        Kind kind = Kind::root;
        QString display;
        std::uint64_t space = 0;
    };
    struct ButtonLayout {
        std::uint64_t managedID = 0;
        bool fullscreen = false;
        std::optional<std::int32_t> pid;
        int desktopNumber = 0; // 0 for full-screen Spaces
        QRectF frame;
    };
    struct BarLayout {
        int displayIndex = -1;
        QString display; // the world display's identifier
        QRectF group;
        QRectF bar;
        std::vector<ButtonLayout> buttons;
        QRectF add;
        int desktops = 0;
    };

    std::vector<BarLayout> layout() const;
    const BarLayout* barOf(const std::vector<BarLayout>& bars, const QString& display) const;
    static const ButtonLayout* buttonOf(const BarLayout& bar, std::uint64_t managedID);
    static QRectF removeArea(const QRectF& button);
    sysfn::AXElementRef handle(Kind kind, const QString& display = {}, std::uint64_t space = 0);
    const Node* node(sysfn::AXElementRef element) const;
    bool exists(const Node& node, const std::vector<BarLayout>& bars) const;
    bool removeButtonShown(const BarLayout& bar) const;
    std::vector<sysfn::AXElementRef> children(const Node& node, const std::vector<BarLayout>& bars);
    QString buttonTitle(const ButtonLayout& button) const;

    void addDesktop(int displayIndex);
    void removeDesktop(std::uint64_t managedID);
    void switchTo(const BarLayout& bar, std::uint64_t managedID);
    void finishClosing();

    SimWorld& m_world;
    State m_state = State::closed;
    Duration m_closeStarted{0};
    WorkItem m_openWork;
    WorkItem m_closeWork;
    std::optional<std::uint64_t> m_hovered;
    std::map<std::tuple<int, QString, std::uint64_t>, std::unique_ptr<Node>> m_nodes;
    QStringList m_log;
};

} // namespace lumivast
