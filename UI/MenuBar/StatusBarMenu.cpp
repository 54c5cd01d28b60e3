// The status menu: built anew from the current snapshot, the store and the
// settings each time it opens, with its rows, the tools submenu and the actions.

#include "UI/MenuBar/StatusBarController.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/KeyNames.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/HexColor.h"
#include "Core/Spaces/Permissions.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Platform.h"
#include "UI/MenuBar/RenameDialog.h"

#include <QCoreApplication>
#include <QPointer>

namespace lumivast {

namespace K = Settings::Key;

namespace {

constexpr int kMaxAppIcons = 8;
constexpr int kMaxSavedSpaces = 10;

// Global shortcuts name their keys as hot keys do here: Control is Ctrl,
// Option is Alt, Command is Meta.
std::optional<Qt::KeyboardModifiers> desktopModifiers()
{
    switch (Settings::desktopShortcutModifier()) {
    case DesktopShortcutModifier::off:
        return std::nullopt;
    case DesktopShortcutModifier::controlOption:
        return Qt::ControlModifier | Qt::AltModifier;
    case DesktopShortcutModifier::controlCommand:
        return Qt::ControlModifier | Qt::MetaModifier;
    case DesktopShortcutModifier::optionCommand:
        return Qt::AltModifier | Qt::MetaModifier;
    case DesktopShortcutModifier::hyper:
        return Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    }
    return std::nullopt;
}

std::pair<Qt::Key, Qt::KeyboardModifiers> overviewHint()
{
    switch (Settings::overlayHotKey()) {
    case OverlayHotKeyPreset::optionTab:
        return {Qt::Key_Tab, Qt::AltModifier};
    case OverlayHotKeyPreset::controlOptionSpace:
        return {Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier};
    case OverlayHotKeyPreset::optionBacktick:
        return {Qt::Key_QuoteLeft, Qt::AltModifier};
    case OverlayHotKeyPreset::commandOptionSpace:
        return {Qt::Key_Space, Qt::AltModifier | Qt::MetaModifier};
    case OverlayHotKeyPreset::f13:
        return {Qt::Key_F13, Qt::NoModifier};
    }
    return {Qt::Key_Tab, Qt::AltModifier};
}

// "1" to "9", and "0" for Desktop 10.
std::optional<Qt::Key> desktopKey(const Space& space)
{
    if (!space.desktopNumber || *space.desktopNumber > 10 || *space.desktopNumber < 1)
        return std::nullopt;
    return Qt::Key(Qt::Key_0 + *space.desktopNumber % 10);
}

} // namespace

void StatusBarController::applyDesktopShortcut(Qt::Key key, MenuItem& item, bool shifted) const
{
    const auto modifiers = desktopModifiers();
    if (!modifiers)
        return;
    if (key == Qt::Key_QuoteLeft && !Settings::defaults().boolValue(K::navigationShortcuts))
        return;
    if (shifted && !Settings::defaults().boolValue(K::moveWindowShortcuts))
        return;
    const Qt::KeyboardModifiers held = *modifiers | (shifted ? Qt::ShiftModifier : Qt::NoModifier);
    if (isTaken(key, held))
        return;
    item.key = key;
    item.modifiers = held;
}

bool StatusBarController::isTaken(Qt::Key key, Qt::KeyboardModifiers modifiers) const
{
    // A hint for a key the system refused would promise what it cannot do.
    return m_queries.takenKeys().contains(KeyNames::inApp(QKeyCombination(modifiers, key)));
}

MenuItem StatusBarController::actionItem(const QString& title, std::function<void(StatusBarController&)> action) const
{
    MenuItem item;
    item.title = title;
    QPointer<StatusBarController> self(const_cast<StatusBarController*>(this));
    item.action = [self, action = std::move(action)] {
        if (self)
            action(*self);
    };
    return item;
}

MenuItem StatusBarController::spaceItem(const Space& space) const
{
    const QString name = m_store.displayName(space);
    MenuItem item = actionItem(name, [](StatusBarController&) {});
    item.payload = MenuItem::SpaceID{space.id};
    QPointer<StatusBarController> self(const_cast<StatusBarController*>(this));
    item.action = [self, payload = item.payload] {
        if (self)
            self->switchToSpace(payload);
    };
    item.state = space.isActive ? MenuItem::State::on : MenuItem::State::off;
    if (const auto key = desktopKey(space))
        applyDesktopShortcut(*key, item, false);

    if (const auto custom = m_store.customIcon(space)) {
        item.picture = *custom; // untinted
    } else {
        item.symbol = m_store.symbol(space);
        std::optional<QString> hex;
        if (const DemoMode::Sample* sample = DemoMode::sample(space))
            hex = sample->colorHex;
        else
            hex = m_store.meta(space.id).colorHex;
        if (hex)
            item.symbolTint = colorFromHex(*hex);
    }

    MenuItem::RichTitle rich;
    rich.prefix = space.desktopNumber ? QString::number(*space.desktopNumber) + QStringLiteral("  ") : QString();
    rich.name = name;
    const auto& appsBySpace = m_contents.appsBySpace();
    const auto apps = appsBySpace.find(space.managedID);
    QStringList names;
    if (apps != appsBySpace.end()) {
        const bool showIcons = Settings::defaults().boolValue(K::showAppIcons);
        for (std::size_t i = 0; i < apps->second.size(); ++i) {
            const SpaceContents::AppOnSpace& app = apps->second[i];
            names << app.name;
            if (showIcons && i < kMaxAppIcons) {
                const QImage icon = appIcon(app);
                if (!icon.isNull())
                    rich.appIcons.push_back(icon);
            }
        }
    }
    if (const auto note = m_store.meta(space.id).note) {
        rich.note = *note;
        rich.noteIndent = int(rich.prefix.size());
    }
    item.rich = std::move(rich);
    item.toolTip = names.join(QStringLiteral(", "));
    return item;
}

MenuItem StatusBarController::commandItem(const QString& title, const SpaceCommand& command) const
{
    MenuItem item;
    item.title = title;
    item.payload = command;
    QPointer<StatusBarController> self(const_cast<StatusBarController*>(this));
    item.action = [self, payload = item.payload] {
        if (self)
            self->runCommand(payload);
    };
    return item;
}

MenuItem StatusBarController::toolsMenuItem(const SpaceSnapshot& snapshot)
{
    MenuItem tools;
    tools.title = tr("Windows and Spaces");
    auto& items = tools.children;
    auto keyed = [&](const char* title, const SpaceCommand& command, Qt::Key key) {
        MenuItem item = commandItem(tr(title), command);
        applyDesktopShortcut(key, item, false);
        items.push_back(std::move(item));
    };
    keyed("Find a Window\u2026", SpaceCommand::windows(true), Qt::Key_F);
    keyed("Windows on This Space\u2026", SpaceCommand::windows(false), Qt::Key_W);
    keyed("Open App Here\u2026", SpaceCommand::launcher(), Qt::Key_L);
    if (!Settings::defaults().string(K::scratchpadApp).value_or(QString()).isEmpty())
        keyed("Toggle Scratchpad", SpaceCommand::scratchpad(), Qt::Key_Slash);
    items.push_back(MenuItem::separator());
    items.push_back(commandItem(tr("Save Window Layout"), SpaceCommand::saveLayout()));
    items.push_back(commandItem(tr("Restore Window Layout"), SpaceCommand::restoreLayout()));
    if (snapshot.displays.size() >= 2)
        items.push_back(commandItem(tr("Prepare to Unplug Displays"), SpaceCommand::eject()));
    items.push_back(MenuItem::separator());
    items.push_back(commandItem(tr("Minimize All on This Space"), SpaceCommand::minimizeAll()));
    if (m_queries.canUndoMinimize())
        items.push_back(commandItem(tr("Undo Minimize"), SpaceCommand::undoMinimize()));
    items.push_back(commandItem(tr("Save This Space and Close Its Windows"), SpaceCommand::saveAndClose()));
    const std::vector<SavedSpace> saved = m_queries.savedSpaceRecords();
    if (!saved.empty()) {
        MenuItem reopen;
        reopen.title = tr("Reopen Saved Space");
        QPointer<StatusBarController> self(this);
        for (std::size_t i = 0; i < saved.size() && i < kMaxSavedSpaces; ++i) {
            MenuItem item;
            item.title = saved[i].name + QStringLiteral(" (") + QString::number(saved[i].apps.size())
                + QStringLiteral(" apps)");
            item.payload = MenuItem::SavedSpaceID{saved[i].idText()};
            item.action = [self, payload = item.payload] {
                if (self)
                    self->restoreSaved(payload);
            };
            reopen.children.push_back(std::move(item));
        }
        items.push_back(std::move(reopen));
    }
    items.push_back(MenuItem::separator());
    items.push_back(commandItem(tr("Add a Desktop"), SpaceCommand::addDesktop()));
    if (const Space* current = snapshot.currentSpace()) {
        if (!current->isFullscreen)
            items.push_back(commandItem(tr("Remove This Desktop"), SpaceCommand::removeDesktop(SpaceCommand::SpaceRef::current())));
        items.push_back(commandItem(tr("Open Notes File for This Space"), SpaceCommand::notes(SpaceCommand::SpaceRef::current())));
    }
    const QStringList profiles = m_queries.profileNames();
    if (!profiles.isEmpty()) {
        items.push_back(MenuItem::separator());
        MenuItem profile;
        profile.title = tr("Profile");
        for (const QString& name : profiles) {
            MenuItem item = commandItem(name, SpaceCommand::profile(name));
            const QString active = Settings::defaults().string(K::activeProfile).value_or(QString());
            item.state = name == active ? MenuItem::State::on : MenuItem::State::off;
            profile.children.push_back(std::move(item));
        }
        items.push_back(std::move(profile));
    }
    return tools;
}

QImage StatusBarController::appIcon(const SpaceContents::AppOnSpace& app) const
{
    // One look-up per app and opening: the same picture then serves every row.
    const auto key = std::make_pair(app.pid, app.bundleID.value_or(QString()));
    auto it = m_appIcons.find(key);
    if (it == m_appIcons.end())
        it = m_appIcons.emplace(key, app.icon()).first;
    return it->second;
}

std::vector<MenuItem> StatusBarController::menuTree()
{
    m_appIcons.clear();
    std::vector<MenuItem> menu;
    const SpaceSnapshot snapshot = m_watcher.snapshot();

    // Spaces of every display: a header only with two or more displays, a
    // separator after each display's rows, and a lone one with no display.
    const bool headers = snapshot.displays.size() >= 2;
    for (const DisplaySpaces& display : snapshot.displays) {
        if (headers) {
            MenuItem header;
            const auto screen = DisplayGeometry::screen(display.id);
            header.title = screen ? screen->localizedName : tr("Display");
            header.enabled = false;
            menu.push_back(std::move(header));
        }
        for (const Space& space : visibleSpaces(display))
            menu.push_back(spaceItem(space));
        menu.push_back(MenuItem::separator());
    }
    if (snapshot.displays.empty())
        menu.push_back(MenuItem::separator());

    MenuItem overview = actionItem(tr("Show Overview"), [](StatusBarController& c) {
        c.m_sink.perform(SpaceCommand::overview());
    });
    if (const auto [key, modifiers] = overviewHint(); !isTaken(key, modifiers)) {
        overview.key = key;
        overview.modifiers = modifiers;
    }
    menu.push_back(std::move(overview));

    if (const auto previous = m_queries.previousSpace()) {
        MenuItem back = actionItem(QStringLiteral("Back to ") + m_store.displayName(*previous),
                                   [](StatusBarController& c) { c.m_sink.perform(SpaceCommand::back()); });
        applyDesktopShortcut(Qt::Key_QuoteLeft, back, false);
        menu.push_back(std::move(back));
    }

    menu.push_back(toolsMenuItem(snapshot));

    MenuItem move;
    move.title = tr("Move Front Window To");
    for (const Space& space : snapshot.allSpaces()) {
        if (space.isFullscreen || space.isActive)
            continue;
        MenuItem item;
        item.title = m_store.displayName(space);
        item.payload = MenuItem::SpaceID{space.id};
        QPointer<StatusBarController> self(this);
        item.action = [self, payload = item.payload] {
            if (self)
                self->moveWindow(payload);
        };
        if (const auto key = desktopKey(space))
            applyDesktopShortcut(*key, item, true);
        move.children.push_back(std::move(item));
    }
    move.enabled = !move.children.empty();
    menu.push_back(std::move(move));
    menu.push_back(MenuItem::separator());

    if (const Space* current = snapshot.currentSpace()) {
        const QString name = m_store.displayName(*current);
        menu.push_back(actionItem(QStringLiteral("Rename ") + name + QStringLiteral("\u2026"),
                                  [](StatusBarController& c) { c.renameCurrent(); }));
        menu.push_back(actionItem(tr("Note, Icon and Automation\u2026"), [](StatusBarController& c) {
            c.withCurrent([&c](const Space& space) { c.m_sink.editSpace(space); });
        }));
        if (m_store.meta(current->id).automation) {
            menu.push_back(actionItem(tr("Set Up This Space Now"), [](StatusBarController& c) {
                c.withCurrent([&c](const Space& space) { c.m_sink.setUp(space); });
            }));
        }
    }

    if (Settings::defaults().boolValue(K::thumbnailsEnabled)
        && Platform::current().parts().has(SystemParts::Part::permissionPrompts)
        && !Platform::current().trust().preflightScreenCaptureAccess()) {
        MenuItem grant = actionItem(tr("Enable Previews (Screen Recording)\u2026"),
                                    [](StatusBarController& c) { c.grantScreenRecording(); });
        grant.symbol = QStringLiteral("exclamationmark.triangle");
        menu.push_back(std::move(grant));
    } else {
        menu.push_back(actionItem(tr("Refresh Previews"), [](StatusBarController& c) {
            c.m_sink.refreshPreviews();
        }));
    }
    menu.push_back(MenuItem::separator());

    for (MenuItem& extra : m_queries.extraMenuItems())
        menu.push_back(std::move(extra));

    // The program's own menu keys: Command is Ctrl here.
    MenuItem settings = actionItem(tr("Settings\u2026"), [](StatusBarController& c) {
        c.m_sink.perform(SpaceCommand::settings());
    });
    settings.key = Qt::Key_Comma;
    settings.modifiers = Qt::ControlModifier;
    menu.push_back(std::move(settings));

    // The application's one way out, which writes what is waiting to be saved.
    MenuItem quit = actionItem(tr("Quit Lumivast"), [](StatusBarController&) { QCoreApplication::quit(); });
    quit.key = Qt::Key_Q;
    quit.modifiers = Qt::ControlModifier;
    menu.push_back(std::move(quit));
    return menu;
}

void StatusBarController::switchToSpace(const MenuItem::Payload& payload)
{
    const auto* id = std::get_if<MenuItem::SpaceID>(&payload);
    if (!id)
        return;
    if (const Space* space = m_watcher.snapshot().space(id->id))
        m_sink.switchTo(*space);
}

void StatusBarController::moveWindow(const MenuItem::Payload& payload)
{
    const auto* id = std::get_if<MenuItem::SpaceID>(&payload);
    if (!id)
        return;
    if (const Space* space = m_watcher.snapshot().space(id->id))
        m_sink.moveFrontWindow(*space);
}

void StatusBarController::runCommand(const MenuItem::Payload& payload)
{
    if (const auto* command = std::get_if<SpaceCommand>(&payload))
        m_sink.perform(*command);
}

void StatusBarController::restoreSaved(const MenuItem::Payload& payload)
{
    const auto* id = std::get_if<MenuItem::SavedSpaceID>(&payload);
    if (!id)
        return;
    // The list of this moment, not the one the menu was built from.
    for (const SavedSpace& saved : m_queries.savedSpaceRecords()) {
        if (saved.idText() == id->id) {
            m_sink.restoreSaved(saved);
            return;
        }
    }
}

void StatusBarController::renameCurrent()
{
    if (const Space* current = m_watcher.snapshot().currentSpace()) {
        const Space space = *current;
        RenameDialog::present(space, m_store, m_watcher, false, m_alerts);
    }
}

void StatusBarController::withCurrent(const std::function<void(const Space&)>& callback)
{
    const Space* current = m_watcher.snapshot().currentSpace();
    if (current && callback)
        callback(Space(*current));
}

void StatusBarController::grantScreenRecording()
{
    Permissions::requestScreenRecording();
}

} // namespace lumivast
