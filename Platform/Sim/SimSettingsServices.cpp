// The login item and the desktop pictures the user sets.
#include "Platform/Sim/SimLoginItem.h"
#include "Platform/Sim/SimWorld.h"

#include <QJsonObject>

namespace lumivast {

SimLoginItem& SimWorld::loginItem()
{
    if (!m_loginItem)
        m_loginItem = std::make_shared<SimLoginItem>();
    return *m_loginItem;
}

bool SimWorld::readSettingsServices(const QJsonObject& json, QString* error)
{
    Q_UNUSED(error);
    const QJsonObject login = json.value("loginItem").toObject();
    loginItem().enabled = login.value("enabled").toBool(false);
    loginItem().refuses = login.value("refuses").toBool(false);
    desktopPictureRefused = json.value("desktopPictureRefused").toBool(false);
    return true;
}

std::expected<void, QString> SimWorld::setDesktopImageURL(const QUrl& file, const ScreenInfo& screen)
{
    const PlistValue* number = screen.deviceDescription.value(QStringLiteral("NSScreenNumber"));
    const auto id = number ? number->integer() : std::nullopt;
    for (const Display& display : displays) {
        if (!id || std::int64_t(display.number) != *id)
            continue;
        if (desktopPictureRefused)
            return std::unexpected(QStringLiteral("the system refused the desktop picture"));
        desktopPicturesSet.push_back({display.current, file.toLocalFile()});
        if (display.current != 0)
            spaceWallpapers[display.current] = file.toLocalFile();
        return {};
    }
    return std::unexpected(QStringLiteral("no such screen"));
}

} // namespace lumivast
