#pragma once

#include "UI/Settings/PaneKit.h"

#include <QStringList>

class QLabel;
class QSlider;

namespace lumivast {

class SettingsServices;

// How the current Space is shown: the menu-bar item, the switch HUD, the
// switch sound and spoken name, the desktop label and the floating toolbar.
// A sound is heard whenever the chosen one changes while the pane shows.
class AppearancePane final : public PaneForm {
    Q_OBJECT
public:
    explicit AppearancePane(SettingsServices& services, QWidget* parent = nullptr);

    // The switch sounds offered, in order.
    static const QStringList& soundNames();
    // The duration as the pane prints it: "1.2s", whatever the value.
    static QString durationText(double seconds);

    QSlider* durationSlider() const { return m_duration; }
    QLabel* durationLabel() const { return m_durationLabel; }
    // Rows that come and go with the settings.
    QWidget* showIconRow() const { return m_showIcon; }
    QWidget* allSpacesHelp() const { return m_allSpacesHelp; }
    const std::vector<QWidget*>& hudRows() const { return m_hudRows; }
    QWidget* labelPositionRow() const { return m_labelPosition; }
    QWidget* toolbarHelp() const { return m_toolbarHelp; }

private:
    void showDuration();
    void soundChanged();

    QSlider* m_duration = nullptr;
    QLabel* m_durationLabel = nullptr;
    QWidget* m_showIcon = nullptr;
    QWidget* m_allSpacesHelp = nullptr;
    std::vector<QWidget*> m_hudRows;
    QWidget* m_labelPosition = nullptr;
    QWidget* m_toolbarHelp = nullptr;
    QString m_sound;
};

} // namespace lumivast
