#pragma once

#include "UI/Settings/PaneKit.h"

class QLabel;
class QPushButton;

namespace lumivast {

class SettingsServices;

// The window tools' switches: focus, Space Lock, app rules, layouts, the
// scratchpad app, the Space dock, and, when AltTab is installed, setting it
// up to show only the current Space.
class WindowsPane final : public PaneForm {
    Q_OBJECT
public:
    static constexpr int kAppIconSize = 18;

    explicit WindowsPane(SettingsServices& services, QWidget* parent = nullptr);

    // Looks up again what the pane shows of the system: the scratchpad app and whether AltTab is installed.
    void redraw();

    QLabel* scratchpadIcon() const { return m_appIcon; }
    QLabel* scratchpadName() const { return m_appName; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* chooseButton() const { return m_choose; }
    FormSection* altTabSection() const { return m_altTab; }
    QPushButton* altTabButton() const { return m_altTabButton; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chooseScratchpad();
    void setUpAltTab();

    SettingsServices& m_services;
    QLabel* m_appIcon = nullptr;
    QLabel* m_appName = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_choose = nullptr;
    FormSection* m_altTab = nullptr;
    QPushButton* m_altTabButton = nullptr;
};

} // namespace lumivast
