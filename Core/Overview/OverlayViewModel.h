#pragma once

#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceModel.h"
#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"
#include "Platform/Screens.h"

#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace lumivast {

class SpaceStore;
class SpaceWatcher;
class ThumbnailService;

// One Space as the overview shows it.
struct OverlayTile {
    QString id;
    Space space;
    QString name;
    QString symbol;
    std::optional<QString> colorHex;
    std::optional<int> number; // the desktop number; none for a full-screen Space
    bool isActive = false;
    bool hasCustomName = false;
    std::optional<QString> note;
    std::optional<QImage> customIcon;
    std::vector<SpaceContents::AppOnSpace> apps; // empty while app icons are off
    bool hasAutomation = false;

    bool operator==(const OverlayTile&) const = default;
};

// One block of the overview's grid: a display, or one category of a display.
struct OverlaySection {
    // The display's id; for a category the display's id, "|" and the category;
    // for a display's uncategorised Spaces the display's id and "|".
    QString id;
    QString title; // empty: no header
    std::vector<OverlayTile> tiles;

    bool operator==(const OverlaySection&) const = default;
};

// The one model behind the overview, for the life of the process: the
// current Spaces with their metadata, apps and windows turned into sections
// of tiles, and the state the overview's views and window share (selection,
// search, renaming, dragging, backdrop, screen geometry, grid). Every change
// announced by the watcher, the store, the previews or the window contents
// rebuilds it on a later turn of the main loop, also while the overview is
// closed; settings are read when it rebuilds. Main thread only.
class OverlayViewModel final : public QObject {
    Q_OBJECT
public:
    OverlayViewModel(Scheduler& scheduler, SpaceWatcher& watcher, SpaceStore& store, ThumbnailService& thumbnails,
                     SpaceContents& contents, QObject* parent = nullptr);
    OverlayViewModel(const OverlayViewModel&) = delete;
    OverlayViewModel& operator=(const OverlayViewModel&) = delete;

    // ---- published: every assignment announces `changed`, even of an equal value ----
    const std::vector<OverlaySection>& sections() const { return m_sections; }
    const std::optional<QString>& selectedID() const { return m_selectedID; }
    void setSelectedID(std::optional<QString> id);
    const std::optional<QString>& editingID() const { return m_editingID; }
    void setEditingID(std::optional<QString> id);
    const std::optional<QImage>& wallpaper() const { return m_wallpaper; }
    void setWallpaper(std::optional<QImage> image);
    int columns() const { return m_columns; }
    void setColumns(int columns);
    QSizeF tileSize() const { return m_tileSize; }
    void setTileSize(QSizeF size);
    bool isPresented() const { return m_isPresented; }
    void setPresented(bool presented);
    bool needsScreenRecording() const { return m_needsScreenRecording; }
    void setNeedsScreenRecording(bool needs);
    const QString& query() const { return m_query; }
    // Announces every assignment; rebuilds only when the text changed.
    void setQuery(QString query);
    const std::optional<QString>& draggingID() const { return m_draggingID; }
    void setDraggingID(std::optional<QString> id);

    // ---- outward callbacks; an unset one is skipped ----
    std::function<void(const Space&)> onCommit;
    std::function<void()> onClose;
    std::function<void(const Space&, const SpaceContents::AppOnSpace&)> onFocusApp;
    std::function<void(const Space&)> onMoveWindowHere;
    std::function<void(const Space&)> onSetUp;
    std::function<void(const Space&)> onEditSpace;

    SpaceWatcher& watcher() const { return m_watcher; }
    SpaceStore& store() const { return m_store; }
    ThumbnailService& thumbnails() const { return m_thumbnails; }
    SpaceContents& contents() const { return m_contents; }

    // ---- the screen the overview last opened on (set when it opens) ----
    double screenAspect = 0.625; // height / width
    double screenWidth = 1440;   // points
    double screenHeight = 900;   // points
    std::optional<QString> currentDisplayID; // never cleared once set
    std::optional<QString> initialSelectionID;

    // The tiles of all sections, in section order: the order the keyboard walks.
    std::vector<OverlayTile> allTiles() const;

    // Recomputes the sections, repairs the selection and fits the grid.
    void rebuild();

    // Fits the model to the screen the overview is about to open on: its
    // geometry, the permission banner, the backdrop, a cleared search and
    // rename, a rebuild and the initial selection (that display's current Space).
    void prepare(const ScreenInfo& screen, std::optional<QString> displayID);

    // ---- keyboard, drag and drop ----
    // Selects the tile dx positions on and dy rows down in the flat tile
    // list; a target outside the list keeps (or, with none, makes) the
    // current position's selection.
    void move(int dx, int dy);
    // The next or previous tile, wrapping round.
    void cycle(bool forward);
    // Removes the search's last user-perceived character.
    void deleteBackward();
    // Commits the selected tile: clears the rename, then calls onCommit.
    void commitSelection();
    // Commits the first tile showing that desktop number; false when none does.
    bool selectDesktop(int number);
    // Puts `dragged` just before `target` in the stored arrangement ("overviewOrder").
    void moveTile(const QString& dragged, const QString& target);
    // Every category in use, once each, in plain text order.
    QStringList knownGroups() const;

    // Grid bounds and reserves, in points.
    static constexpr int kMaxColumns = 6;
    static constexpr double kMaxTileWidth = 440;
    static constexpr double kMinTileWidth = 140;
    static constexpr double kVerticalReserve = 172;
    static constexpr double kSectionGap = 36;
    static constexpr double kSectionHeaderHeight = 30;
    static constexpr double kRowExtra = 64;
    static constexpr double kHorizontalReserve = 144;
    static constexpr double kColumnGap = 28;
    // Rows of tiles in sight at once when the grid cannot fit the screen.
    static constexpr double kRowsInSight = 3;

signals:
    void changed();

private:
    std::vector<OverlaySection> sectionsOf(const DisplaySpaces& display, bool titled, const QString& key,
                                           const QStringList& order) const;
    bool isVisible(const Space& space) const;
    OverlayTile makeTile(const Space& space) const;
    bool matches(const OverlayTile& tile, const QString& key) const;
    void repairSelection(const QString& key);
    void layoutTiles();
    void commit(const OverlayTile& tile);
    std::size_t currentPosition(const std::vector<OverlayTile>& tiles) const;

    Scheduler& m_scheduler;
    SpaceWatcher& m_watcher;
    SpaceStore& m_store;
    ThumbnailService& m_thumbnails;
    SpaceContents& m_contents;

    std::vector<OverlaySection> m_sections;
    std::optional<QString> m_selectedID;
    std::optional<QString> m_editingID;
    std::optional<QImage> m_wallpaper;
    int m_columns = 3;
    QSizeF m_tileSize{320, 200};
    bool m_isPresented = false;
    bool m_needsScreenRecording = false;
    QString m_query;
    std::optional<QString> m_draggingID;
    Lifetime m_lifetime{m_scheduler};
};

} // namespace lumivast
