#include "Core/Shell/StateExporter.h"

#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/Scheduler.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace lumivast::StateExporter {

namespace {

QJsonArray appNames(const SpaceContents::AppsBySpace& appsBySpace, int managedID)
{
    QJsonArray names;
    if (const auto it = appsBySpace.find(managedID); it != appsBySpace.end()) {
        for (const SpaceContents::AppOnSpace& app : it->second)
            names.append(app.name);
    }
    return names;
}

} // namespace

QJsonObject document(const SpaceSnapshot& snapshot, const SpaceStore& store, const SpaceContents::AppsBySpace& appsBySpace,
                     const QDateTime& updatedAt)
{
    QJsonArray spaces;
    for (const DisplaySpaces& display : snapshot.displays) {
        for (const Space& space : display.spaces) {
            QJsonObject entry;
            entry.insert(QStringLiteral("id"), space.id);
            entry.insert(QStringLiteral("name"), store.displayName(space));
            entry.insert(QStringLiteral("hasCustomName"), store.hasCustomName(space));
            entry.insert(QStringLiteral("display"), display.id);
            entry.insert(QStringLiteral("isActive"), space.isActive);
            entry.insert(QStringLiteral("isFullscreen"), space.isFullscreen);
            entry.insert(QStringLiteral("symbol"), store.symbol(space));
            entry.insert(QStringLiteral("apps"), appNames(appsBySpace, space.managedID));
            if (space.desktopNumber)
                entry.insert(QStringLiteral("number"), *space.desktopNumber);
            const SpaceMeta meta = store.meta(space.id);
            if (meta.colorHex)
                entry.insert(QStringLiteral("color"), *meta.colorHex);
            if (meta.note)
                entry.insert(QStringLiteral("note"), *meta.note);
            spaces.append(entry);
        }
    }

    QString current;
    if (const DisplaySpaces* display = snapshot.menuBarDisplay()) {
        if (const Space* active = display->activeSpace())
            current = store.displayName(*active);
    }

    QDateTime utc = updatedAt.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));

    QJsonObject root;
    root.insert(QStringLiteral("version"), 1);
    root.insert(QStringLiteral("updatedAt"), utc.toString(Qt::ISODate));
    root.insert(QStringLiteral("current"), current);
    root.insert(QStringLiteral("spaces"), spaces);
    return root;
}

void write(const SpaceSnapshot& snapshot, const SpaceStore& store, const SpaceContents& contents, const Scheduler& clock)
{
    const QJsonObject root = document(snapshot, store, contents.appsBySpace(), clock.wallNow());
    // Members come out sorted (QJsonObject keeps its keys in order); DataFile
    // replaces the file whole, so a reader never sees half of it.
    DataFile::write(AppPaths::file(QStringLiteral("state.json")), QJsonDocument(root).toJson(QJsonDocument::Indented));
}

} // namespace lumivast::StateExporter
