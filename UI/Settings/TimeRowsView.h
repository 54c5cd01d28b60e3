#pragma once

#include "UI/Settings/TimeRows.h"

#include <QAbstractListModel>
#include <QListView>

#include <vector>

namespace lumivast {

// The Time pane's rows: the name as the display text, the colour as the
// decoration, and the duration and bar width under roles of their own.
class TimeRowsModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        durationRole = Qt::UserRole + 1, // the time as the pane writes it: "1h 05m"
        barWidthRole,                    // TimeRows::barWidth of the row's seconds in the total
    };

    using QAbstractListModel::QAbstractListModel;

    void setRows(std::vector<TimeRow> rows);
    const std::vector<TimeRow>& rows() const { return m_rows; }
    double total() const { return m_total; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<TimeRow> m_rows;
    double m_total = 0;
};

// One widget drawing every row (dot, name, bar, duration) instead of a widget
// per part of a row: a month of many Spaces builds and lays out at once. It is
// as tall as its rows and never scrolls itself, so the pane scrolls it with the
// rest of the form; nothing in it takes focus or a selection.
class TimeRowsView final : public QListView {
    Q_OBJECT
public:
    static constexpr int kRowSpacing = 8;
    // The durations' column, right-aligned at the trailing edge.
    static constexpr int kDurationWidth = 64;

    explicit TimeRowsView(TimeRowsModel* model, QWidget* parent = nullptr);

    // The height of one row, without the spacing below it.
    int lineHeight() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

} // namespace lumivast
