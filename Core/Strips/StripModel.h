#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace lumivast {

class SpaceContents;
class SpaceStore;
class SpaceWatcher;
class ThumbnailService;

// The row of Space cells behind the notch strip and the floating toolbars:
// one display's Spaces less those two settings hide, with their shown name,
// symbol and colour. Rebuilds one scheduler turn after any change of the
// Spaces, their metadata or the window contents, and publishes on every
// rebuild, changed or not, so views also pick up new previews then.
// Main thread only.
class StripModel final : public QObject {
    Q_OBJECT
public:
    struct Item {
        QString id; // the Space's id
        Space space;
        QString name;
        QString symbol;
        std::optional<QColor> color;
        bool isActive = false;
        bool operator==(const Item&) const = default;
    };

    StripModel(Scheduler& scheduler, SpaceWatcher& watcher, SpaceStore& store, ThumbnailService& thumbnails,
               SpaceContents& contents, QObject* parent = nullptr);
    ~StripModel() override;
    StripModel(const StripModel&) = delete;
    StripModel& operator=(const StripModel&) = delete;

    // Recomputes the list at once and publishes it.
    void rebuild();

    const std::vector<Item>& items() const { return m_items; }
    // The previews the views draw; the list itself never reads them.
    ThumbnailService& thumbnails() const { return m_thumbnails; }
    // "Main" or a display UUID; empty means the menu-bar display.
    std::optional<QString> displayID;
    // A click on a cell; nothing happens while empty.
    std::function<void(const Space&)> onSelect;

signals:
    void itemsChanged();

private:
    void rebuildLater();

    Scheduler& m_scheduler;
    SpaceWatcher& m_watcher;
    SpaceStore& m_store;
    ThumbnailService& m_thumbnails;
    SpaceContents& m_contents;
    std::vector<Item> m_items;
    Lifetime m_lifetime{m_scheduler};
};

} // namespace lumivast
