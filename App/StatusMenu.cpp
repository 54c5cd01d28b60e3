// The delegate's side of the status item: what its menu's callbacks do, and
// when the item is redrawn.

#include "App/AppDelegate.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"

#include <QPointer>

namespace lumivast {

namespace K = Settings::Key;

void AppDelegate::wireStatusBar()
{
    StatusBarController& bar = *m_statusBar;
    QPointer<AppDelegate> self(this);
    bar.onSwitch = [self](const Space& space) {
        if (self)
            self->switchOwn(space, self->m_watcher.snapshot());
    };
    bar.onShowOverlay = [self] {
        if (self)
            self->toggleOverview();
    };
    bar.onOpenSettings = [self] {
        if (self)
            self->showSettings(std::nullopt);
    };
    bar.onRefreshThumbnails = [self] {
        if (self)
            self->refreshThumbnails();
    };
    bar.onBack = [self] {
        if (self)
            self->perform(SpaceCommand::back());
    };
    bar.onStep = [self](bool right) {
        if (self)
            self->perform(SpaceCommand::step(right));
    };
    bar.onMoveWindow = [self](const Space& space) {
        if (self)
            self->moveFrontWindow(space);
    };
    bar.onSetUp = [self](const Space& space) {
        if (self)
            self->runSetup(space);
    };
    bar.onEditSpace = [self](const Space& space) {
        if (self)
            self->editSpace(space);
    };
    bar.onCommand = [self](const SpaceCommand& command) {
        if (self)
            self->perform(command);
    };
    bar.savedSpacesProvider = [self] { return self ? SavedSpaces::records() : std::vector<SavedSpace>(); };
    bar.onRestoreSavedSpace = [self](const SavedSpace& saved) {
        if (!self)
            return;
        self->savedSpaces().restore(saved);
        self->toast(tr("Reopening %1").arg(saved.name), QStringLiteral("archivebox"));
    };
    bar.profileNames = [self] { return self ? self->profileNames() : QStringList(); };
    bar.takenKeys = [self] { return self && self->m_shortcuts ? self->m_shortcuts->takenKeys() : QStringList(); };
    bar.canUndoMinimize = [self] { return self && !self->m_minimizer.lastMinimized().empty(); };
    bar.previousSpace = [self]() -> std::optional<Space> {
        return self ? self->m_history.previous(self->m_watcher.snapshot()) : std::nullopt;
    };
    // The update item; the updater lives as long as the delegate.
    Updater* updater = &m_updater;
    bar.extraMenuItems = [updater] { return updater->menuItems(); };
}

void AppDelegate::updateStatusItem()
{
    if (m_statusBar)
        m_statusBar->update(m_watcher.snapshot());
}

void AppDelegate::contentsChanged()
{
    // The item shows the apps only through the empty-Space filter, the strip
    // and the automatic name (the first app of the current Space).
    const auto& defaults = Settings::defaults();
    const MenuBarStyle style = fromRawValueOrFallback<MenuBarStyle>(defaults.string(K::menuBarStyle).value_or(QString()));
    if (defaults.boolValue(K::hideEmptySpaces) || showsAllSpaces(style) || defaults.boolValue(K::autoNameSpaces))
        updateStatusItem();
    scheduleStateExport();
}

void AppDelegate::editSpace(const Space& space)
{
    showSettings(SettingsTab::spaces, space.id);
}

void AppDelegate::refreshThumbnails()
{
    m_thumbnails.captureActiveSpaces(m_watcher.snapshot(), kPreviewRefreshDelay);
}

void AppDelegate::runSetup(const Space& space)
{
    automation().runSetup(space);
}

QStringList AppDelegate::profileNames() const
{
    QStringList names;
    for (const SpaceProfile& profile : ProfileStore::read(AppPaths::file(QStringLiteral("profiles.json"))))
        names.append(profile.name);
    return names;
}

} // namespace lumivast
