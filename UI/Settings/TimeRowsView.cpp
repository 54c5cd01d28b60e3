#include "UI/Settings/TimeRowsView.h"

#include "Core/Time/TimeTracker.h"
#include "UI/Settings/TabularDigits.h"

#include <QAbstractItemDelegate>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <optional>

namespace lumivast {

namespace {

constexpr int kDotSize = 8;
constexpr int kBarHeight = 8;
constexpr int kGap = 8;
// A name is never squeezed below this many average characters.
constexpr int kShortestName = 6;

int lineHeight(const QFont& font, const QFont& durationFont)
{
    return std::max({QFontMetrics(font).height(), QFontMetrics(durationFont).height(), kDotSize, kBarHeight});
}

// Where the parts of one row go, from the leading edge: dot, name, bar, duration, 8 apart.
struct RowGeometry {
    QRect dot, name, bar, duration;

    RowGeometry(const QRect& line, Qt::LayoutDirection direction)
    {
        const int marks = line.top() + (line.height() - kDotSize) / 2;
        const int durationLeft = line.left() + line.width() - TimeRowsView::kDurationWidth;
        const int barLeft = durationLeft - kGap - int(TimeRows::kBarAreaWidth);
        const int nameLeft = line.left() + kDotSize + kGap;
        dot = QStyle::visualRect(direction, line, QRect(line.left(), marks, kDotSize, kDotSize));
        name = QStyle::visualRect(direction, line, QRect(nameLeft, line.top(), std::max(0, barLeft - kGap - nameLeft), line.height()));
        bar = QStyle::visualRect(direction, line, QRect(barLeft, line.top() + (line.height() - kBarHeight) / 2,
                                                        int(TimeRows::kBarAreaWidth), kBarHeight));
        duration = QStyle::visualRect(direction, line, QRect(durationLeft, line.top(), TimeRowsView::kDurationWidth, line.height()));
    }
};

class TimeRowDelegate final : public QAbstractItemDelegate {
public:
    using QAbstractItemDelegate::QAbstractItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QFont& digits = durationFont(option.font);
        const RowGeometry row(line(option, digits), option.direction);
        const QColor color = index.data(Qt::DecorationRole).value<QColor>();
        const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : option.state & QStyle::State_Active   ? QPalette::Active
                                                                                   : QPalette::Inactive;
        painter->save();
        painter->setPen(option.palette.color(group, QPalette::WindowText));
        painter->setFont(option.font);
        const QString name = index.data(Qt::DisplayRole).toString();
        painter->drawText(row.name, int(QStyle::visualAlignment(option.direction, Qt::AlignLeft | Qt::AlignVCenter)),
                          option.fontMetrics.elidedText(name, Qt::ElideRight, row.name.width()));
        painter->setFont(digits);
        painter->drawText(row.duration, int(QStyle::visualAlignment(option.direction, Qt::AlignRight | Qt::AlignVCenter)),
                          index.data(TimeRowsModel::durationRole).toString());

        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(color);
        painter->drawEllipse(QRectF(row.dot));
        // A capsule from the leading edge of the bar area, as wide as the row's share.
        QColor fill = color;
        fill.setAlphaF(0.6f);
        const QRectF area(row.bar);
        QRectF bar(area.topLeft(), QSizeF(std::min(index.data(TimeRowsModel::barWidthRole).toDouble(), area.width()), area.height()));
        if (option.direction == Qt::RightToLeft)
            bar.moveRight(area.right());
        QPainterPath path;
        path.addRoundedRect(bar, kBarHeight / 2.0, kBarHeight / 2.0);
        painter->fillPath(path, fill);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // The spacing goes below every row but the last, so the view is exactly as tall as its rows.
        const bool last = index.row() + 1 == index.model()->rowCount(index.parent());
        return {option.rect.width(), lineHeight(option.font, durationFont(option.font)) + (last ? 0 : TimeRowsView::kRowSpacing)};
    }

    // A name cut short shows whole as a tool tip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QAbstractItemDelegate::helpEvent(event, view, option, index);
        const RowGeometry row(line(option, durationFont(option.font)), option.direction);
        const QString name = index.data(Qt::DisplayRole).toString();
        if (row.name.contains(event->pos()) && option.fontMetrics.horizontalAdvance(name) > row.name.width()) {
            QToolTip::showText(event->globalPos(), name, view->viewport(), row.name);
            return true;
        }
        QToolTip::hideText();
        return true;
    }

    // The durations' font for the view's font, worked out once per font.
    const QFont& durationFont(const QFont& base) const
    {
        if (!m_durationBase || *m_durationBase != base) {
            m_durationBase = base;
            m_durationFont = TabularDigits::font(base);
        }
        return m_durationFont;
    }

private:
    QRect line(const QStyleOptionViewItem& option, const QFont& digits) const
    {
        return {option.rect.topLeft(), QSize(option.rect.width(), lineHeight(option.font, digits))};
    }

    mutable std::optional<QFont> m_durationBase;
    mutable QFont m_durationFont;
};

} // namespace

void TimeRowsModel::setRows(std::vector<TimeRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_total = 0;
    for (const TimeRow& row : m_rows)
        m_total += row.seconds;
    endResetModel();
}

int TimeRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant TimeRowsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.parent().isValid() || index.row() >= int(m_rows.size()))
        return {};
    const TimeRow& row = m_rows[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.name;
    case Qt::DecorationRole:
        return row.color;
    case Qt::AccessibleTextRole:
        return tr("%1, %2").arg(row.name, TimeTracker::shortDuration(row.seconds));
    case durationRole:
        return TimeTracker::shortDuration(row.seconds);
    case barWidthRole:
        return TimeRows::barWidth(row.seconds, m_total);
    default:
        return {};
    }
}

TimeRowsView::TimeRowsView(TimeRowsModel* model, QWidget* parent)
    : QListView(parent)
{
    setModel(model);
    setItemDelegate(new TimeRowDelegate(this));
    setAccessibleName(tr("Time in each Space"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // The section's box shows through, as behind the rest of the form.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { updateGeometry(); });
}

int TimeRowsView::lineHeight() const
{
    return lumivast::lineHeight(font(), TabularDigits::font(font()));
}

QSize TimeRowsView::sizeHint() const
{
    // Names shorten to fit, so any width down to a short name will do.
    const int width = kDotSize + kGap + fontMetrics().averageCharWidth() * kShortestName + kGap
                      + int(TimeRows::kBarAreaWidth) + kGap + TimeRowsView::kDurationWidth;
    const int rows = model()->rowCount();
    return {width, rows > 0 ? rows * lineHeight() + (rows - 1) * kRowSpacing : 0};
}

QSize TimeRowsView::minimumSizeHint() const
{
    return sizeHint();
}

void TimeRowsView::changeEvent(QEvent* event)
{
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        scheduleDelayedItemsLayout();
        updateGeometry();
    }
}

void TimeRowsView::wheelEvent(QWheelEvent* event)
{
    // All rows show at once; the pane around them scrolls.
    event->ignore();
}

} // namespace lumivast
