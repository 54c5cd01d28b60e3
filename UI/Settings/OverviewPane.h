#pragma once

#include "UI/Settings/PaneKit.h"

class QPushButton;

namespace lumivast {

class SettingsServices;

// What the overview shows, how often the current Space's preview is renewed,
// the two ways to open the overview without a key, and throwing away the
// tile arrangement made by dragging.
class OverviewPane final : public PaneForm {
    Q_OBJECT
public:
    explicit OverviewPane(SettingsServices& services, QWidget* parent = nullptr);

    // An arrangement is stored: "overviewOrder" holds a non-empty list of texts.
    static bool hasArrangement();

    QPushButton* resetArrangementButton() const { return m_resetArrangement; }
    SettingPicker* refreshPicker() const { return m_refresh; }
    QWidget* refreshRow() const { return m_refreshRow; }

private:
    QPushButton* m_resetArrangement = nullptr;
    SettingPicker* m_refresh = nullptr;
    QWidget* m_refreshRow = nullptr;
};

} // namespace lumivast
