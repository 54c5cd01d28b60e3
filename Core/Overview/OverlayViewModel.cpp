#include "Core/Overview/OverlayViewModel.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Overview/WallpaperLoader.h"
#include "Core/Switching/SpaceNavigator.h"
#include "Platform/Platform.h"

#include <QJsonArray>
#include <QTextBoundaryFinder>

#include <cmath>

#include <algorithm>

namespace lumivast {

namespace {

const QString kSeparator = QStringLiteral(" \u00B7 ");

bool setting(const QString& key)
{
    return Settings::defaults().boolValue(key);
}

// Spaces and tabs off both ends (line breaks stay), then lower case.
QString searchKey(const QString& query)
{
    qsizetype start = 0;
    qsizetype end = query.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(query[start]))
        ++start;
    while (end > start && blank(query[end - 1]))
        --end;
    return query.mid(start, end - start).toLower();
}

// A category as it is compared and shown: canonically composed, so that two
// spellings of one text make one section.
QString categoryOf(const std::optional<QString>& group)
{
    if (!group || group->isEmpty())
        return {};
    return group->normalized(QString::NormalizationForm_C);
}

// Plain text order: Unicode scalar values, case-sensitive, no locale rules.
bool scalarLess(const QString& a, const QString& b)
{
    const QList<uint> x = a.toUcs4();
    const QList<uint> y = b.toUcs4();
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end());
}

} // namespace

OverlayViewModel::OverlayViewModel(Scheduler& scheduler, SpaceWatcher& watcher, SpaceStore& store, ThumbnailService& thumbnails,
                                   SpaceContents& contents, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_watcher(watcher)
    , m_store(store)
    , m_thumbnails(thumbnails)
    , m_contents(contents)
{
    // Each announcement rebuilds once, after the announcing service holds its new state.
    const auto later = [this] { m_lifetime.post([this] { rebuild(); }); };
    connect(&m_watcher, &SpaceWatcher::changed, this, later);
    connect(&m_store, &SpaceStore::changed, this, later);
    connect(&m_thumbnails, &ThumbnailService::changed, this, later);
    connect(&m_contents, &SpaceContents::changed, this, later);
}

void OverlayViewModel::setSelectedID(std::optional<QString> id)
{
    m_selectedID = std::move(id);
    emit changed();
}

void OverlayViewModel::setEditingID(std::optional<QString> id)
{
    m_editingID = std::move(id);
    emit changed();
}

void OverlayViewModel::setWallpaper(std::optional<QImage> image)
{
    m_wallpaper = std::move(image);
    emit changed();
}

void OverlayViewModel::setColumns(int columns)
{
    m_columns = columns;
    emit changed();
}

void OverlayViewModel::setTileSize(QSizeF size)
{
    m_tileSize = size;
    emit changed();
}

void OverlayViewModel::setPresented(bool presented)
{
    m_isPresented = presented;
    emit changed();
}

void OverlayViewModel::setNeedsScreenRecording(bool needs)
{
    m_needsScreenRecording = needs;
    emit changed();
}

void OverlayViewModel::setQuery(QString query)
{
    const bool differs = query != m_query;
    m_query = std::move(query);
    emit changed();
    if (differs)
        rebuild();
}

void OverlayViewModel::setDraggingID(std::optional<QString> id)
{
    m_draggingID = std::move(id);
    emit changed();
}

std::vector<OverlayTile> OverlayViewModel::allTiles() const
{
    std::vector<OverlayTile> tiles;
    for (const OverlaySection& section : m_sections)
        tiles.insert(tiles.end(), section.tiles.begin(), section.tiles.end());
    return tiles;
}

void OverlayViewModel::rebuild()
{
    const SpaceSnapshot& snapshot = m_watcher.snapshot();
    std::vector<const DisplaySpaces*> listed;
    const bool everyDisplay = setting(Settings::Key::overlayShowsAllDisplays) || !currentDisplayID;
    for (const DisplaySpaces& display : snapshot.displays) {
        if (everyDisplay || display.id == *currentDisplayID)
            listed.push_back(&display);
    }
    const QString key = searchKey(m_query);
    const QStringList order = Settings::defaults().stringList(Settings::Key::overviewOrder).value_or(QStringList{});

    std::vector<OverlaySection> sections;
    for (const DisplaySpaces* display : listed) {
        auto own = sectionsOf(*display, listed.size() >= 2, key, order);
        sections.insert(sections.end(), std::make_move_iterator(own.begin()), std::make_move_iterator(own.end()));
    }
    if (!key.isEmpty())
        std::erase_if(sections, [](const OverlaySection& s) { return s.tiles.empty(); });
    m_sections = std::move(sections);
    emit changed();
    repairSelection(key);
    layoutTiles();
}

void OverlayViewModel::layoutTiles()
{
    std::vector<int> counts;
    bool anyTitle = false;
    for (const OverlaySection& section : m_sections) {
        if (!section.tiles.empty())
            counts.push_back(int(section.tiles.size()));
        anyTitle = anyTitle || !section.title.isEmpty();
    }
    // Never more columns than the width holds at the smallest tile: the grid
    // scrolls only up and down, so a column past the edge could not be seen.
    const int fitting = std::max(1, int(std::floor((screenWidth - kHorizontalReserve + kColumnGap) / (kMinTileWidth + kColumnGap))));
    const int limit = counts.empty() ? 1 : std::clamp(*std::max_element(counts.begin(), counts.end()), 1, std::min(kMaxColumns, fitting));
    const double header = anyTitle ? kSectionHeaderHeight : 0;
    const double sectionCount = double(m_sections.size());
    const double available = screenHeight - (kSectionGap * (sectionCount - 1) + kVerticalReserve) - sectionCount * header;
    const auto widthAllowed = [this](int c) { return (screenWidth - kHorizontalReserve - kColumnGap * (c - 1)) / c; };

    double bestWidth = 0;
    int bestColumns = 1;
    for (int c = 1; c <= limit; ++c) {
        int rows = 0;
        for (int count : counts)
            rows += (count + c - 1) / c;
        const double byHeight = ((available - kRowExtra * rows) / double(rows == 0 ? 1 : rows)) / screenAspect;
        const double candidate = std::min(std::min(byHeight, widthAllowed(c)), kMaxTileWidth);
        if (candidate > bestWidth) {
            bestWidth = candidate;
            bestColumns = c;
        }
    }
    if (!counts.empty() && bestWidth < kMinTileWidth) {
        // No count fits the height: the grid scrolls whatever it is, so it takes
        // the width, in the fewest rows, rather than a thin column at the left.
        // Tiles stay low enough for a few rows to show at once.
        const double perRow = kRowExtra + header + (m_sections.size() > 1 ? kSectionGap : 0);
        const double rowsFit = ((screenHeight - kVerticalReserve) / kRowsInSight - perRow) / screenAspect;
        bestColumns = limit;
        bestWidth = std::min({widthAllowed(limit), kMaxTileWidth, rowsFit});
    }
    setColumns(bestColumns);
    const double width = std::max(std::floor(bestWidth), kMinTileWidth);
    setTileSize(QSizeF(width, std::floor(screenAspect * width)));
}

void OverlayViewModel::prepare(const ScreenInfo& screen, std::optional<QString> displayID)
{
    const QSizeF frame = screen.frame.size();
    screenAspect = frame.height() / std::max(frame.width(), 1.0);
    screenWidth = frame.width();
    screenHeight = frame.height();
    currentDisplayID = std::move(displayID);
    // The permission is not even asked about while previews are off, nor where
    // the system has no such permission to grant.
    setNeedsScreenRecording(setting(Settings::Key::thumbnailsEnabled)
                            && Platform::current().parts().has(SystemParts::Part::permissionPrompts)
                            && !Platform::current().trust().preflightScreenCaptureAccess());
    if (DemoMode::isOn())
        setWallpaper(DemoMode::wallpaper(frame.toSize()));
    else
        setWallpaper(WallpaperLoader::image(screen));
    setEditingID(std::nullopt);
    setQuery(QString());
    rebuild();

    std::optional<QString> selection;
    const SpaceSnapshot& snapshot = m_watcher.snapshot();
    const auto display = currentDisplayID
        ? std::find_if(snapshot.displays.begin(), snapshot.displays.end(),
                       [this](const DisplaySpaces& d) { return d.id == *currentDisplayID; })
        : snapshot.displays.end();
    if (display != snapshot.displays.end() && display->activeSpaceID) {
        selection = display->activeSpaceID;
    } else if (const DisplaySpaces* menuBar = m_watcher.snapshot().menuBarDisplay()) {
        if (const Space* active = menuBar->activeSpace())
            selection = active->id;
    }
    setSelectedID(selection);
    initialSelectionID = selection;
}

std::size_t OverlayViewModel::currentPosition(const std::vector<OverlayTile>& tiles) const
{
    if (!m_selectedID)
        return 0;
    const auto it = std::find_if(tiles.begin(), tiles.end(), [this](const OverlayTile& t) { return t.id == *m_selectedID; });
    return it == tiles.end() ? 0 : std::size_t(it - tiles.begin());
}

void OverlayViewModel::move(int dx, int dy)
{
    const std::vector<OverlayTile> tiles = allTiles();
    if (tiles.empty())
        return;
    const long long current = (long long)currentPosition(tiles);
    const long long target = current + dx + (long long)dy * m_columns;
    const bool inside = target >= 0 && target < (long long)tiles.size();
    setSelectedID(tiles[std::size_t(inside ? target : current)].id);
}

void OverlayViewModel::cycle(bool forward)
{
    const std::vector<OverlayTile> tiles = allTiles();
    if (tiles.empty())
        return;
    const std::size_t step = forward ? 1 : tiles.size() - 1;
    setSelectedID(tiles[(currentPosition(tiles) + step) % tiles.size()].id);
}

void OverlayViewModel::deleteBackward()
{
    if (m_query.isEmpty())
        return;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, m_query);
    finder.toEnd();
    const qsizetype cut = finder.toPreviousBoundary();
    setQuery(m_query.left(std::max<qsizetype>(cut, 0)));
}

void OverlayViewModel::commit(const OverlayTile& tile)
{
    setEditingID(std::nullopt);
    if (onCommit)
        onCommit(tile.space);
}

void OverlayViewModel::commitSelection()
{
    if (!m_selectedID)
        return;
    const std::vector<OverlayTile> tiles = allTiles();
    const auto it = std::find_if(tiles.begin(), tiles.end(), [this](const OverlayTile& t) { return t.id == *m_selectedID; });
    if (it != tiles.end())
        commit(*it);
}

bool OverlayViewModel::selectDesktop(int number)
{
    const std::vector<OverlayTile> tiles = allTiles();
    const auto it = std::find_if(tiles.begin(), tiles.end(), [number](const OverlayTile& t) { return t.number == number; });
    if (it == tiles.end())
        return false;
    commit(*it);
    return true;
}

void OverlayViewModel::moveTile(const QString& dragged, const QString& target)
{
    if (dragged == target)
        return;
    UserDefaults& defaults = Settings::defaults();
    QStringList working = defaults.stringList(Settings::Key::overviewOrder).value_or(QStringList{});
    QStringList current;
    for (const Space& space : m_watcher.snapshot().allSpaces())
        current.append(space.id);
    if (working.isEmpty())
        working = current;
    for (const QString& id : current) {
        if (!working.contains(id))
            working.append(id);
    }
    working.removeAll(dragged);
    const qsizetype at = working.indexOf(target);
    working.insert(at < 0 ? working.size() : at, dragged);
    defaults.set(Settings::Key::overviewOrder, QJsonArray::fromStringList(working));
    rebuild();
}

QStringList OverlayViewModel::knownGroups() const
{
    std::vector<QString> groups;
    for (const auto& [id, meta] : m_store.metas()) {
        if (meta.group && std::find(groups.begin(), groups.end(), *meta.group) == groups.end())
            groups.push_back(*meta.group);
    }
    std::sort(groups.begin(), groups.end(), scalarLess);
    return QStringList(groups.begin(), groups.end());
}

std::vector<OverlaySection> OverlayViewModel::sectionsOf(const DisplaySpaces& display, bool titled, const QString& key,
                                                         const QStringList& order) const
{
    std::vector<Space> spaces;
    for (const Space& space : display.spaces) {
        if (isVisible(space))
            spaces.push_back(space);
    }
    if (!order.isEmpty()) {
        const auto rank = [&order](const Space& space) -> std::optional<qsizetype> {
            const qsizetype at = order.indexOf(space.id);
            return at < 0 ? std::nullopt : std::optional<qsizetype>(at);
        };
        std::stable_sort(spaces.begin(), spaces.end(), [&](const Space& a, const Space& b) {
            const auto ra = rank(a);
            const auto rb = rank(b);
            if (ra && rb)
                return *ra < *rb;
            if (ra || rb)
                return bool(ra);
            return a.indexOnDisplay < b.indexOnDisplay;
        });
    }

    std::vector<OverlayTile> tiles;
    for (const Space& space : spaces) {
        OverlayTile tile = makeTile(space);
        if (key.isEmpty() || matches(tile, key))
            tiles.push_back(std::move(tile));
    }

    QString title;
    if (titled) {
        const auto screen = DisplayGeometry::screen(display.id);
        title = screen ? screen->localizedName : tr("Display");
    }

    std::vector<QString> categories;
    for (const OverlayTile& tile : tiles) {
        const auto meta = m_store.metas().find(tile.id);
        const QString category = meta == m_store.metas().end() ? QString() : categoryOf(meta->second.group);
        if (!category.isEmpty() && std::find(categories.begin(), categories.end(), category) == categories.end())
            categories.push_back(category);
    }
    std::sort(categories.begin(), categories.end(), scalarLess);

    if (!setting(Settings::Key::groupOverview) || categories.empty())
        return {OverlaySection{display.id, title, std::move(tiles)}};

    const auto categoryOfTile = [this](const OverlayTile& tile) {
        const auto meta = m_store.metas().find(tile.id);
        return meta == m_store.metas().end() ? QString() : categoryOf(meta->second.group);
    };
    std::vector<OverlaySection> sections;
    for (const QString& category : categories) {
        OverlaySection section{display.id + QLatin1Char('|') + category,
                               title.isEmpty() ? category : title + kSeparator + category,
                               {}};
        for (const OverlayTile& tile : tiles) {
            if (categoryOfTile(tile) == category)
                section.tiles.push_back(tile);
        }
        sections.push_back(std::move(section));
    }
    OverlaySection other{display.id + QLatin1Char('|'),
                         title.isEmpty() ? tr("Other") : title + kSeparator + tr("Other"),
                         {}};
    for (const OverlayTile& tile : tiles) {
        if (categoryOfTile(tile).isEmpty())
            other.tiles.push_back(tile);
    }
    if (!other.tiles.empty())
        sections.push_back(std::move(other));
    return sections;
}

bool OverlayViewModel::isVisible(const Space& space) const
{
    if (DemoMode::isOn()) {
        // Exactly the desktops that have a sample of their own.
        return !space.isFullscreen && space.desktopNumber && *space.desktopNumber >= 1
            && *space.desktopNumber <= int(DemoMode::samples().size());
    }
    return space.isActive
        || !SpaceNavigator::hides(space, setting(Settings::Key::hideFullscreenSpaces),
                                  setting(Settings::Key::hideEmptySpaces), m_contents.isEmpty(space));
}

OverlayTile OverlayViewModel::makeTile(const Space& space) const
{
    const DemoMode::Sample* sample = DemoMode::sample(space);
    const SpaceMeta meta = m_store.meta(space.id);
    OverlayTile tile;
    tile.id = space.id;
    tile.space = space;
    tile.name = m_store.displayName(space);
    tile.symbol = m_store.symbol(space);
    tile.colorHex = sample ? std::optional<QString>(sample->colorHex) : meta.colorHex;
    tile.number = space.desktopNumber;
    tile.isActive = space.isActive;
    tile.hasCustomName = m_store.hasCustomName(space);
    if (!sample) {
        tile.note = meta.note;
        tile.customIcon = m_store.customIcon(space);
    }
    if (setting(Settings::Key::showAppIcons)) {
        if (sample) {
            tile.apps = DemoMode::apps(space);
        } else if (const auto apps = m_contents.appsBySpace().find(space.managedID); apps != m_contents.appsBySpace().end()) {
            tile.apps = apps->second;
        }
    }
    tile.hasAutomation = meta.automation.has_value();
    return tile;
}

bool OverlayViewModel::matches(const OverlayTile& tile, const QString& key) const
{
    if (tile.name.toLower().contains(key))
        return true;
    if (tile.note && tile.note->toLower().contains(key))
        return true;
    for (const SpaceContents::AppOnSpace& app : tile.apps) {
        if (app.name.toLower().contains(key))
            return true;
    }
    if (const DemoMode::Sample* sample = DemoMode::sample(tile.space)) {
        for (const DemoMode::SampleWindow& window : sample->windows) {
            if (window.title.toLower().contains(key))
                return true;
        }
    } else {
        for (const SpaceContents::WindowInfo& window : m_contents.windows(tile.space.managedID)) {
            if (window.title.toLower().contains(key))
                return true;
        }
    }
    return tile.number && QString::number(*tile.number) == key;
}

void OverlayViewModel::repairSelection(const QString& key)
{
    const std::vector<OverlayTile> tiles = allTiles();
    const auto has = [&tiles](const QString& id) {
        return std::any_of(tiles.begin(), tiles.end(), [&](const OverlayTile& t) { return t.id == id; });
    };
    if (m_selectedID && !has(*m_selectedID)) {
        const auto active = std::find_if(tiles.begin(), tiles.end(), [](const OverlayTile& t) { return t.isActive; });
        if (active != tiles.end())
            setSelectedID(active->id);
        else if (!tiles.empty())
            setSelectedID(tiles.front().id);
        else
            setSelectedID(std::nullopt);
    }
    if (!key.isEmpty() && !tiles.empty() && (!m_selectedID || !has(*m_selectedID)))
        setSelectedID(tiles.front().id);
}

} // namespace lumivast
