#pragma once

#include "Core/Shell/SetupCheck.h"
#include "Platform/Scheduler.h"
#include "UI/Settings/PaneKit.h"

#include <map>
#include <vector>

class QLabel;
class QPushButton;

namespace lumivast {

class SettingsServices;

// The checklist of system settings and permissions the program works best
// with, evaluated when the pane is made and every 2 s while it exists, so a
// change made elsewhere shows up on its own. A fix only runs the fix; its
// effect shows at the next evaluation.
class SetupPane final : public PaneForm {
    Q_OBJECT
public:
    static constexpr Duration kInterval = 2000ms;

    explicit SetupPane(SettingsServices& services, QWidget* parent = nullptr);

    const std::vector<SetupCheck>& checks() const { return m_checks; }
    // The fix button of a row; null for an unknown id.
    QPushButton* fixButton(const QString& id) const;
    QLabel* statusIcon(const QString& id) const;

private:
    struct Row {
        QLabel* icon = nullptr;
        QLabel* title = nullptr;
        QLabel* detail = nullptr;
        QPushButton* fix = nullptr;
    };

    void evaluate();
    void showCheck(const SetupCheck& check, Row& row);
    void runFix(const QString& id);

    FormSection* m_section = nullptr;
    std::vector<SetupCheck> m_checks;
    std::function<QStringList()> m_takenShortcuts;
    std::map<QString, Row> m_rows;
    WorkItem m_timer;
};

} // namespace lumivast
