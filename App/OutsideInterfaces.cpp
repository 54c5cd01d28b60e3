// The delegate as every front sees it: the command sink's calls that take a
// Space, and the read-only queries; and the local HTTP API's start.

#include "App/AppDelegate.h"

#include "Core/Profiles/ProfileStore.h"
#include "Core/Spaces/AppPaths.h"


namespace lumivast {

void AppDelegate::switchTo(const Space& space)
{
    switchOwn(space, m_watcher.snapshot());
}

void AppDelegate::setUp(const Space& space)
{
    runSetup(space);
}

void AppDelegate::refreshPreviews()
{
    refreshThumbnails();
}

void AppDelegate::restoreSaved(const SavedSpace& saved)
{
    savedSpaces().restore(saved);
    toast(tr("Reopening %1").arg(saved.name), QStringLiteral("archivebox"));
}

void AppDelegate::reportError(const QString& message)
{
    errorToast(message);
}

const SpaceSnapshot& AppDelegate::snapshot() const
{
    return m_watcher.snapshot();
}

QString AppDelegate::displayName(const Space& space) const
{
    return m_store.displayName(space);
}

std::optional<Space> AppDelegate::previousSpace() const
{
    return m_history.previous(m_watcher.snapshot());
}

QByteArray AppDelegate::stateJSON() const
{
    return LocalAPI::stateBody();
}

QString AppDelegate::apiToken() const
{
    return LocalAPI::token();
}

QStringList AppDelegate::takenKeys() const
{
    return m_shortcuts ? m_shortcuts->takenKeys() : QStringList();
}

bool AppDelegate::canUndoMinimize() const
{
    return !m_minimizer.lastMinimized().empty();
}

std::vector<SavedSpace> AppDelegate::savedSpaceRecords() const
{
    return SavedSpaces::records();
}

std::vector<MenuItem> AppDelegate::extraMenuItems() const
{
    // Reading the items changes nothing; choosing one checks for updates.
    return const_cast<Updater&>(m_updater).menuItems();
}

void AppDelegate::wireLocalAPI()
{
    m_localAPI.refresh();
}

} // namespace lumivast
