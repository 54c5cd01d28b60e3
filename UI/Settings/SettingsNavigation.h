#pragma once

#include "Core/Shell/SettingsTab.h"

#include <QObject>
#include <QString>

#include <optional>

namespace lumivast {

// The settings window's selection: the tab, and the Space chosen in the Spaces
// pane. Lives with the window's controller for the life of the process, so it
// outlives every pane and the window's closing. Main thread.
class SettingsNavigation final : public QObject {
    Q_OBJECT
public:
    explicit SettingsNavigation(QObject* parent = nullptr) : QObject(parent) {}

    SettingsTab tab() const { return m_tab; }
    void setTab(SettingsTab tab)
    {
        if (tab == m_tab)
            return;
        m_tab = tab;
        emit tabChanged();
    }

    // A Space id, kept unchanged even when no live Space has it any more.
    const std::optional<QString>& selectedSpaceID() const { return m_selectedSpaceID; }
    void setSelectedSpaceID(const std::optional<QString>& id)
    {
        if (id == m_selectedSpaceID)
            return;
        m_selectedSpaceID = id;
        emit selectedSpaceIDChanged();
    }

signals:
    void tabChanged();
    void selectedSpaceIDChanged();

private:
    SettingsTab m_tab = SettingsTab::general;
    std::optional<QString> m_selectedSpaceID;
};

} // namespace lumivast
