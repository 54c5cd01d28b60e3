#include "UI/Overview/TileMenu.h"

#include "Core/Notes/NoteFiles.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/HexColor.h"
#include "Core/Spaces/SpaceStore.h"
#include "UI/Alerts/FileChooser.h"
#include "UI/Overview/OverlayDialogs.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QPointer>

namespace lumivast::TileMenu {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("TileMenu", text);
}

MenuItem item(const QString& title, const QString& id, std::function<void()> action)
{
    MenuItem entry;
    entry.title = title;
    entry.payload = MenuItem::SpaceID{id};
    entry.action = std::move(action);
    return entry;
}

MenuItem submenu(const QString& title, std::vector<MenuItem> children)
{
    MenuItem entry;
    entry.title = title;
    entry.children = std::move(children);
    return entry;
}

} // namespace

std::vector<MenuItem> items(const OverlayTile& tile, OverlayViewModel& model, AlertService& alerts, FileChooser& chooser,
                            Actions actions)
{
    QPointer<OverlayViewModel> m(&model);
    const QString id = tile.id;
    // Each action runs after the menu has gone, on whatever the model holds then.
    const auto store = [m](auto&& change) {
        return [m, change] {
            if (m)
                change(m->store());
        };
    };
    std::vector<MenuItem> menu;

    menu.push_back(item(tr("Rename\u2026"), id, [begin = actions.beginRename, id] {
        if (begin)
            begin(id);
    }));
    if (tile.hasCustomName)
        menu.push_back(item(tr("Use Default Name"), id, store([id](SpaceStore& s) { s.setName(std::nullopt, id); })));

    std::vector<MenuItem> icons;
    for (const QString& symbol : SpaceStore::symbolChoices()) {
        MenuItem entry = item(QString(symbol).replace(QLatin1Char('.'), QLatin1Char(' ')), id,
                              store([id, symbol](SpaceStore& s) { s.setSymbol(symbol, id); }));
        entry.symbol = symbol;
        icons.push_back(std::move(entry));
    }
    icons.push_back(MenuItem::separator());
    icons.push_back(item(tr("Default Icon"), id, store([id](SpaceStore& s) { s.setSymbol(std::nullopt, id); })));
    menu.push_back(submenu(tr("Icon"), std::move(icons)));

    std::vector<MenuItem> colors;
    for (const SpaceStore::ColorChoice& choice : SpaceStore::colorChoices()) {
        const QString hex = choice.hex;
        MenuItem entry = item(choice.name, id, store([id, hex](SpaceStore& s) { s.setColor(hex, id); }));
        entry.symbol = tile.colorHex == hex ? QStringLiteral("circle.fill") : QStringLiteral("circle");
        entry.symbolTint = colorFromHex(hex);
        colors.push_back(std::move(entry));
    }
    colors.push_back(MenuItem::separator());
    colors.push_back(item(tr("No Color"), id, store([id](SpaceStore& s) { s.setColor(std::nullopt, id); })));
    menu.push_back(submenu(tr("Color"), std::move(colors)));

    AlertService* alertService = &alerts;
    const OverlayTile copy = tile;
    menu.push_back(item(tr("Edit Note\u2026"), id, [m, copy, alertService] {
        if (m)
            NoteDialog::present(copy, *m, *alertService);
    }));
    menu.push_back(item(tr("Open Notes File"), id, [m, space = tile.space] {
        if (m)
            NoteFiles::open(space, m->store());
    }));

    std::vector<MenuItem> categories;
    for (const QString& group : model.knownGroups()) {
        const QString trimmed = group.trimmed();
        categories.push_back(item(group, id, store([id, trimmed](SpaceStore& s) {
            s.setGroup(trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed), id);
        })));
    }
    categories.push_back(item(tr("New Category\u2026"), id, [m, copy, alertService] {
        if (m)
            CategoryDialog::present(copy, *m, *alertService);
    }));
    categories.push_back(MenuItem::separator());
    categories.push_back(item(tr("None"), id, store([id](SpaceStore& s) { s.setGroup(std::nullopt, id); })));
    menu.push_back(submenu(tr("Category"), std::move(categories)));

    FileChooser* files = &chooser;
    menu.push_back(item(tr("Choose Icon Image\u2026"), id, [m, files, id, name = tile.name] {
        if (!m)
            return;
        files->chooseImage(QStringLiteral("Choose an image for ") + name, m, [m, id](const std::optional<QString>& path) {
            if (path)
                m->store().setCustomIcon(*path, id);
        });
    }));
    if (tile.customIcon)
        menu.push_back(item(tr("Remove Icon Image"), id, store([id](SpaceStore& s) { s.setCustomIcon(std::nullopt, id); })));
    menu.push_back(MenuItem::separator());

    const auto callback = [m, space = tile.space](std::function<void(const Space&)> OverlayViewModel::* which) {
        return [m, space, which] {
            if (!m)
                return;
            if (auto call = (*m).*which)
                call(space);
        };
    };
    if (!tile.isActive)
        menu.push_back(item(tr("Move Front Window Here"), id, callback(&OverlayViewModel::onMoveWindowHere)));
    if (tile.hasAutomation)
        menu.push_back(item(tr("Set Up This Space Now"), id, callback(&OverlayViewModel::onSetUp)));
    menu.push_back(item(tr("Automation and Details\u2026"), id, callback(&OverlayViewModel::onEditSpace)));
    menu.push_back(MenuItem::separator());

    menu.push_back(item(tr("Remove Preview"), id, [m, id] {
        if (m)
            m->thumbnails().remove(id);
    }));
    const auto order = Settings::defaults().stringList(Settings::Key::overviewOrder);
    if (order && !order->isEmpty()) {
        menu.push_back(item(tr("Reset Arrangement"), id, [m] {
            Settings::defaults().set(Settings::Key::overviewOrder, QJsonArray());
            if (m)
                m->rebuild();
        }));
    }
    return menu;
}

} // namespace lumivast::TileMenu
