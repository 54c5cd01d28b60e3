#include "UI/MenuBar/RenameDialog.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "UI/Alerts/AlertService.h"
#include "Platform/Platform.h"

#include <QCoreApplication>

#include <memory>

namespace lumivast::RenameDialog {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RenameDialog", text);
}

// Spaces and tabs only, as the field is one line.
QString trimmedLine(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

// Acts on the answer; nothing when the Space went or got a name meanwhile.
void answered(const AlertAnswer& answer, const Space& space, SpaceStore& store, bool isNew, bool gone)
{
    if (gone || (isNew && store.hasCustomName(space)))
        return;
    if (isNew && answer.checkbox)
        Settings::defaults().set(Settings::Key::askToNameNewSpaces, false);
    if (answer.button != 0)
        return;
    const QString name = trimmedLine(answer.text);
    if (name.isEmpty())
        return;
    store.setName(name, space.id);
}

} // namespace

QString spaceLabel(const Space& space)
{
    if (space.desktopNumber)
        return QStringLiteral("Desktop ") + QString::number(*space.desktopNumber);
    return QStringLiteral("Full screen space");
}

QStringList nameItems()
{
    QStringList items = Settings::defaults().stringList(Settings::Key::recentSpaceNames).value_or(QStringList());
    const QStringList recent = items;
    for (const QString& preset : SpaceStore::namePresets()) {
        if (!recent.contains(preset))
            items.append(preset);
    }
    return items;
}

void present(const Space& space, SpaceStore& store, const SpaceWatcher& watcher, bool isNew, AlertService& alerts,
             std::function<void()> closed)
{
    Alert alert;
    alert.messageText = isNew ? tr("Name this new Space?") : tr("Rename Space");
    alert.informativeText = isNew ? spaceLabel(space)
                                        + tr(" was just created. A name makes it easy to recognise in the overview and the %1.")
                                              .arg(Platform::current().parts().words().statusArea)
                                  : spaceLabel(space);
    alert.buttons = {tr("Save"), isNew ? tr("Not Now") : tr("Cancel")};
    alert.field = Alert::TextField{nameItems(), store.hasCustomName(space) ? store.displayName(space) : QString(),
                                   tr("Name")};
    if (isNew)
        alert.checkboxLabel = tr("Don't ask when new Spaces are created");

    // A name given while the question is up (a template, another window)
    // answers it: the prompt closes rather than overwrite that name.
    auto watching = std::make_shared<std::pair<QMetaObject::Connection, QMetaObject::Connection>>();
    if (isNew) {
        watching->first = QObject::connect(&store, &SpaceStore::changed, &store, [&store, &alerts, space] {
            if (store.hasCustomName(space))
                alerts.dismiss();
        });
    }
    // A desktop removed meanwhile (by another tool) takes its question with
    // it: a name saved for it would turn up later on a new desktop.
    auto gone = [&watcher, id = space.id] { return watcher.snapshot().space(id) == nullptr; };
    watching->second = QObject::connect(&watcher, &SpaceWatcher::changed, &store, [&alerts, gone] {
        if (gone())
            alerts.dismiss();
    });
    alerts.open(alert, &store, [&store, space, isNew, gone, watching, closed = std::move(closed)](const AlertAnswer& answer) {
        QObject::disconnect(watching->first);
        QObject::disconnect(watching->second);
        answered(answer, space, store, isNew, gone());
        if (closed)
            closed();
    });
}

} // namespace lumivast::RenameDialog
