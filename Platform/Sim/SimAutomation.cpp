// The world's shortcuts tool and the preference domains the system refuses to open.
#include "Platform/Sim/SimProcesses.h"
#include "Platform/Sim/SimWorld.h"

#include <QJsonArray>

namespace lumivast {

SimShortcuts& SimWorld::shortcuts()
{
    if (!m_shortcuts)
        m_shortcuts = std::make_shared<SimShortcuts>();
    return *m_shortcuts;
}

bool SimWorld::readAutomationExtras(const QJsonObject& json, QString* error)
{
    const auto failWith = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    if (json.contains("shortcuts")) {
        const QJsonValue value = json.value("shortcuts");
        if (!value.isArray())
            return failWith(QStringLiteral("shortcuts must be a list of names"));
        QStringList names;
        for (const QJsonValue& name : value.toArray()) {
            if (!name.isString())
                return failWith(QStringLiteral("shortcuts must be a list of names"));
            names.append(name.toString());
        }
        shortcuts().names = names;
    }
    for (const QJsonValue& name : json.value("unopenablePreferenceDomains").toArray())
        unopenablePreferenceDomains.insert(name.toString());
    return true;
}

} // namespace lumivast
