// What the delegate gives the command dispatcher: the views a command opens,
// the toasts, and what only the local API knows.

#include "App/AppDelegate.h"

#include "Platform/Platform.h"
#include "Platform/SystemParts.h"
#include "UI/Alerts/AlertService.h"
#include "UI/MenuBar/RenameDialog.h"
#include "UI/Search/PanelSources.h"

namespace lumivast {

void AppDelegate::wireLocalAPI()
{
    m_localAPI.refresh();
}

QByteArray AppDelegate::exportedState() const
{
    return LocalAPI::stateBody();
}

QString AppDelegate::localAPIToken() const
{
    return LocalAPI::token();
}

void AppDelegate::showToast(const QString& message, const QString& symbol, bool isError)
{
    m_hud.toast(message, symbol.isEmpty() ? HUDController::defaultToastSymbol : symbol, isError);
}

void AppDelegate::renameInDialog(const Space& space)
{
    RenameDialog::present(space, m_store, m_watcher, false, m_alerts);
}

void AppDelegate::openSettings(const std::optional<QString>& spaceID)
{
    if (spaceID)
        showSettings(SettingsTab::spaces, *spaceID);
    else
        showSettings(std::nullopt);
}

void AppDelegate::showWindowFinder(bool allSpaces)
{
    WindowFinder::configure(m_windowPanel.model(), allSpaces, m_contents, m_watcher, m_store,
                            WindowFinder::actionsFor(commands()));
    m_windowPanel.show();
}

void AppDelegate::offerMoreDesktops(const QString& templateName, int missing, int applied, std::function<void(bool add)> add)
{
    Alert alert;
    alert.messageText = templateName + QStringLiteral(" needs ") + QString::number(missing) + QStringLiteral(" more desktop")
        + (missing == 1 ? QString() : QStringLiteral("s"));
    alert.informativeText = QStringLiteral("Lumivast set up ") + QString::number(applied)
        + QStringLiteral(" desktops. Add the rest now?");
    if (Platform::current().parts().has(SystemParts::Part::missionControl))
        alert.informativeText += QStringLiteral(" Mission Control will open briefly.");
    alert.buttons = {tr("Add Desktops"), tr("Not Now")};
    m_alerts.open(alert, this, [add = std::move(add)](const AlertAnswer& answer) { add(answer.button == 0); });
}

void AppDelegate::offerLayoutRestore(int windows, std::function<void(bool restore)> restore)
{
    Alert alert;
    alert.messageText = tr("Put your windows back on their Spaces?");
    alert.informativeText = QStringLiteral("Lumivast saved where ") + QString::number(windows)
        + QStringLiteral(" windows were before your ") + Platform::current().parts().words().computer
        + QStringLiteral(" restarted.");
    alert.buttons = {tr("Restore"), tr("Not Now")};
    m_alerts.open(alert, this, [restore = std::move(restore)](const AlertAnswer& answer) { restore(answer.button == 0); });
}

} // namespace lumivast
