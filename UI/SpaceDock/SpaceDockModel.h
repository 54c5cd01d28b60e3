#pragma once

#include "Core/Spaces/SpaceContents.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace lumivast {

// What the Space dock shows: the current Space's name and one entry per
// application with a window there. Every assignment emits `changed`.
class SpaceDockModel final : public QObject {
    Q_OBJECT
public:
    using Entry = SpaceContents::WindowInfo;

    explicit SpaceDockModel(QObject* parent = nullptr) : QObject(parent) {}

    const std::vector<Entry>& apps() const { return m_apps; }
    void setApps(std::vector<Entry> apps)
    {
        m_apps = std::move(apps);
        emit changed();
    }
    const QString& spaceName() const { return m_spaceName; }
    void setSpaceName(const QString& name)
    {
        m_spaceName = name;
        emit changed();
    }

    // What a click on an icon does with its entry.
    std::function<void(const Entry&)> onFocus;

signals:
    void changed();

private:
    std::vector<Entry> m_apps;
    QString m_spaceName;
};

} // namespace lumivast
