#include "UI/Overview/OverlayDialogs.h"

#include "Core/Spaces/SpaceStore.h"
#include "UI/Alerts/AlertService.h"

#include <QCoreApplication>

#include <algorithm>

namespace lumivast {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("OverlayDialogs", text);
}

// White space and line breaks off both ends; none for what is left empty.
std::optional<QString> trimmedOrNone(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
}

} // namespace

namespace NoteDialog {

void present(const OverlayTile& tile, OverlayViewModel& model, AlertService& alerts)
{
    Alert alert;
    alert.messageText = QStringLiteral("Note for ") + tile.name;
    alert.informativeText = tr("Shown under the name in the overview, the menu and the switch popup.");
    alert.buttons = {tr("Save"), tr("Cancel")};
    alert.field = Alert::TextField{{}, tile.note.value_or(QString()), QStringLiteral("What is this Space for?")};
    alerts.open(alert, &model, [&model, id = tile.id](const AlertAnswer& answer) {
        if (answer.button == 0)
            model.store().setNote(trimmedOrNone(answer.text), id);
    });
}

} // namespace NoteDialog

namespace CategoryDialog {

QStringList choices(const QStringList& knownGroups)
{
    QStringList list = knownGroups + suggestedCategories;
    list.removeDuplicates();
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        const QList<uint> x = a.toUcs4();
        const QList<uint> y = b.toUcs4();
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end());
    });
    return list;
}

void present(const OverlayTile& tile, OverlayViewModel& model, AlertService& alerts)
{
    Alert alert;
    alert.messageText = QStringLiteral("Category for ") + tile.name;
    alert.informativeText = tr("Spaces with the same category are grouped together in the overview.");
    alert.buttons = {tr("Save"), tr("Cancel")};
    alert.field = Alert::TextField{choices(model.knownGroups()), QString(), QStringLiteral("Work, Personal, Clients\u2026")};
    alerts.open(alert, &model, [&model, id = tile.id](const AlertAnswer& answer) {
        if (answer.button == 0)
            model.store().setGroup(trimmedOrNone(answer.text), id);
    });
}

} // namespace CategoryDialog

} // namespace lumivast
