#include "Core/Shell/Updater.h"

#include <QCoreApplication>

namespace lumivast {

Updater::Updater(UpdateService& service) : m_service(service)
{
    m_service.start();
}

std::vector<MenuItem> Updater::menuItems()
{
    MenuItem item;
    item.title = QCoreApplication::translate("Updater", "Check for Updates\u2026");
    item.action = [this] { checkForUpdates(); };
    return {std::move(item)};
}

void Updater::checkForUpdates()
{
    if (const auto message = m_service.checkForUpdates(); message && onMessage)
        onMessage(*message);
}

} // namespace lumivast
