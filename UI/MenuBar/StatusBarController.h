#pragma once

#include "Core/Commands/CommandSink.h"
#include "Core/Commands/SpaceCommand.h"
#include "Core/Commands/SpaceQueries.h"
#include "Core/Menus/MenuItem.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceModel.h"
#include "Core/Windows/SavedSpaces.h"
#include "Platform/Scheduler.h"
#include "UI/MenuBar/StatusItem.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace lumivast {

class AlertService;
class SpaceContents;
class SpaceStore;
class SpaceWatcher;

// Owns the status item: shows the current Space of the menu-bar display (name,
// number, icon, or a strip of all its Spaces), switches on a strip click or a
// scroll over the item, and opens the status menu, rebuilt on every opening,
// on any other click. It never calls the application: every outward action
// leaves through one of the callbacks below. Main thread only.
class StatusBarController final : public QObject {
    Q_OBJECT
public:
    // The remembered position of the item, kept for the desktops that read it.
    static inline const QString kPreferredPositionKey = QStringLiteral("NSStatusItem Preferred Position Lumivast");
    static constexpr int kPreferredPosition = 260;
    static constexpr Duration kNotchCheckDelay = 300ms;
    // Scrolling: the distance that takes one step, and the pause after a step.
    static constexpr qreal kScrollThreshold = 18;
    static constexpr Duration kScrollPause = 250ms;
    static constexpr qreal kLineScrollFactor = 10;
    // Strip metrics: a cell or dot slot and the gap after it.
    static constexpr qreal kStripCellWidth = 17, kStripGap = 3;
    static constexpr qreal kDotSlotWidth = 9, kDotGap = 5;
    static constexpr qreal kImageHeight = 16;
    // In a square slot of kSlotReference pixels, the narrowest strip pitch that
    // can still be seen and clicked; the host shrinks wider strips below it.
    static constexpr qreal kSlotReference = 22;
    static constexpr qreal kNarrowestPitch = 8;

    // Whether a strip of `count` cells (or dots) stays readable once the host
    // shrinks the item into a square slot of side `slot`.
    static bool stripFitsSquareSlot(std::size_t count, bool dots, qreal slot);

    struct StripHit {
        qreal low = 0, high = 0; // closed range in the strip image's x coordinates
        QString id;
        bool operator==(const StripHit&) const = default;
    };

    // What the menu's items do goes to `sink`; what the menu shows beyond the Spaces comes from `queries`.
    StatusBarController(StatusItem& item, SpaceWatcher& watcher, SpaceStore& store, SpaceContents& contents,
                        Scheduler& scheduler, AlertService& alerts, CommandSink& sink, const SpaceQueries& queries,
                        QObject* parent = nullptr);


    // Redraws the item for `snapshot`.
    void update(const SpaceSnapshot& snapshot);
    // The Spaces of a display that the strip and the menu list.
    std::vector<Space> visibleSpaces(const DisplaySpaces& display) const;
    // The status menu as it would open now.
    std::vector<MenuItem> menuTree();

    bool compactFallback() const { return m_compactFallback; }

    // Drawn at the item's pixel density, in black: the desktop tints template images.
    static QImage stripImage(const std::vector<Space>& spaces, bool dots, qreal devicePixelRatio,
                             std::vector<StripHit>* hits = nullptr);

private:
    void clicked(const StatusItem::Click& click);
    bool scrolled(const StatusItem::Scroll& scroll);
    void openMenu();
    void scheduleNotchCheck();
    bool isHiddenByNotch() const;
    std::optional<StatusItem::Image> iconImage(const Space& space, const QString& name) const;

    // Menu pieces.
    MenuItem spaceItem(const Space& space) const;
    QImage appIcon(const SpaceContents::AppOnSpace& app) const;
    MenuItem toolsMenuItem(const SpaceSnapshot& snapshot);
    void applyDesktopShortcut(Qt::Key key, MenuItem& item, bool shifted) const;
    MenuItem commandItem(const QString& title, const SpaceCommand& command) const;
    // Actions: each resolves its payload again when chosen.
    void switchToSpace(const MenuItem::Payload& payload);
    void moveWindow(const MenuItem::Payload& payload);
    void runCommand(const MenuItem::Payload& payload);
    void restoreSaved(const MenuItem::Payload& payload);
    void renameCurrent();
    void withCurrent(const std::function<void(const Space&)>& callback);
    void grantScreenRecording();
    MenuItem actionItem(const QString& title, std::function<void(StatusBarController&)> action) const;
    bool isTaken(Qt::Key key, Qt::KeyboardModifiers modifiers) const;

    StatusItem& m_item;
    SpaceWatcher& m_watcher;
    SpaceStore& m_store;
    SpaceContents& m_contents;
    Scheduler& m_scheduler;
    AlertService& m_alerts;
    CommandSink& m_sink;
    const SpaceQueries& m_queries;

    bool m_compactFallback = false;
    bool m_hasImage = false;
    SpaceSnapshot m_lastSnapshot;
    std::vector<StripHit> m_stripHits;
    qreal m_scrollAccumulator = 0;
    std::optional<Duration> m_lastScrollSwitch; // none: the distant past
    WorkItem m_notchCheck;
    mutable std::map<std::pair<std::int32_t, QString>, QImage> m_appIcons; // while one menu is built
};

} // namespace lumivast
