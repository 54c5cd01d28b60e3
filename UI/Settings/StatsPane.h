#pragma once

#include "UI/Settings/PaneKit.h"
#include "UI/Settings/TimeRows.h"

#include <array>
#include <vector>

class QButtonGroup;
class QLabel;
class QPushButton;

namespace lumivast {

class SettingsServices;
class TimeRowsModel;
class TimeRowsView;

// Time spent on each Space over today, the last 7 or the last 30 days, with
// proportional bars and a total; recording on and off, the whole record as
// CSV, and emptying it. The rows are the state at the last load: on
// appearing, on a period change and after a reset, never on their own.
class StatsPane final : public PaneForm {
    Q_OBJECT
public:
    static constexpr std::array<int, 3> kPeriods = {1, 7, 30};

    explicit StatsPane(SettingsServices& services, QWidget* parent = nullptr);

    void load();
    void exportCSV();
    void reset();

    int range() const { return m_range; }
    const std::vector<TimeRow>& rows() const;
    // The period buttons, in the order of kPeriods.
    QPushButton* periodButton(int index) const;
    QLabel* emptyText() const { return m_empty; }
    QLabel* totalValue() const { return m_total; }
    QPushButton* exportButton() const { return m_export; }
    QPushButton* resetButton() const { return m_reset; }
    // The widths the bars are drawn at, in row order.
    std::vector<double> barWidths() const;
    TimeRowsView* rowsView() const { return m_rowsView; }

private:
    void setRange(int days);

    SettingsServices& m_services;
    int m_range = 1;
    QButtonGroup* m_periods = nullptr;
    TimeRowsModel* m_rowsModel = nullptr;
    TimeRowsView* m_rowsView = nullptr;
    QLabel* m_empty = nullptr;
    QWidget* m_totalRow = nullptr;
    QLabel* m_total = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_reset = nullptr;
};

} // namespace lumivast
