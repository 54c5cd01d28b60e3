#include "Core/Strips/StripModel.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/HexColor.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Switching/SpaceNavigator.h"


namespace lumivast {

StripModel::StripModel(Scheduler& scheduler, SpaceWatcher& watcher, SpaceStore& store, ThumbnailService& thumbnails,
                       SpaceContents& contents, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_watcher(watcher)
    , m_store(store)
    , m_thumbnails(thumbnails)
    , m_contents(contents)
{
    // Previews are not watched: a new preview alone does not rebuild the list.
    connect(&m_watcher, &SpaceWatcher::changed, this, &StripModel::rebuildLater);
    connect(&m_store, &SpaceStore::changed, this, &StripModel::rebuildLater);
    connect(&m_contents, &SpaceContents::changed, this, &StripModel::rebuildLater);
}

StripModel::~StripModel() = default;

void StripModel::rebuildLater()
{
    // One turn later, so that every listener of the same change has seen it first.
    m_lifetime.post([this] { rebuild(); });
}

void StripModel::rebuild()
{
    const SpaceSnapshot& snapshot = m_watcher.snapshot();
    const DisplaySpaces* display = nullptr;
    if (displayID) {
        for (const DisplaySpaces& d : snapshot.displays) {
            if (d.id == *displayID) {
                display = &d;
                break;
            }
        }
    }
    if (!display)
        display = snapshot.menuBarDisplay();

    const bool hideFullscreen = Settings::defaults().boolValue(Settings::Key::hideFullscreenSpaces);
    const bool hideEmpty = Settings::defaults().boolValue(Settings::Key::hideEmptySpaces);

    std::vector<Item> items;
    if (display) {
        for (const Space& space : display->spaces) {
            // The strip keeps the active Space unless it is a hidden full-screen one.
            const bool keptAsActive = space.isActive && !space.isFullscreen;
            if (!keptAsActive && SpaceNavigator::hides(space, hideFullscreen, hideEmpty, m_contents.isEmpty(space)))
                continue;
            Item item;
            item.id = space.id;
            item.space = space;
            item.name = m_store.displayName(space);
            item.symbol = m_store.symbol(space);
            if (const DemoMode::Sample* sample = DemoMode::sample(space))
                item.color = colorFromHex(sample->colorHex);
            else if (const auto hex = m_store.meta(space.id).colorHex)
                item.color = colorFromHex(*hex);
            item.isActive = space.isActive;
            items.push_back(std::move(item));
        }
    }
    m_items = std::move(items);
    emit itemsChanged();
}

} // namespace lumivast
