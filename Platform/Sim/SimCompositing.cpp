#include "Platform/Sim/SimCompositing.h"
#include "Platform/Sim/SimWorld.h"

#include <QJsonObject>

namespace lumivast {

SimCompositing& SimWorld::compositing()
{
    if (!m_compositing)
        m_compositing = std::make_shared<SimCompositing>();
    return *m_compositing;
}

bool SimWorld::readCompositing(const QJsonObject& json, QString* error)
{
    const QJsonValue value = json.value(QStringLiteral("compositingManager"));
    if (value.isUndefined())
        return true;
    if (!value.isBool()) {
        if (error)
            *error = QStringLiteral("compositingManager must be true or false");
        return false;
    }
    compositing().running = value.toBool();
    return true;
}

} // namespace lumivast
