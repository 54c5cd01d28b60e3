#include "UI/Settings/StatsPane.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Time/TimeTracker.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Settings/TabularDigits.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumivast {

namespace {

constexpr int kDotSize = 8;
constexpr int kBarHeight = 8;
constexpr int kDurationWidth = 64;

// A filled circle in the row's colour.
class Dot final : public QWidget {
public:
    explicit Dot(QColor color) : m_color(std::move(color)) { setFixedSize(kDotSize, kDotSize); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color);
        painter.drawEllipse(QRectF(rect()));
    }

private:
    QColor m_color;
};

// The bar area: a capsule from the leading edge, as wide as the row's share.
class Bar final : public QWidget {
public:
    Bar(QColor color, double width) : m_color(std::move(color)), m_width(width)
    {
        setFixedSize(int(TimeRows::kBarAreaWidth), kBarHeight);
        setObjectName(QStringLiteral("timeBar"));
        setProperty("barWidth", width);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = m_color;
        fill.setAlphaF(0.6f);
        QRectF bar(0, 0, std::min(m_width, TimeRows::kBarAreaWidth), kBarHeight);
        if (layoutDirection() == Qt::RightToLeft)
            bar.moveRight(width());
        QPainterPath path;
        path.addRoundedRect(bar, kBarHeight / 2.0, kBarHeight / 2.0);
        painter.fillPath(path, fill);
    }

private:
    QColor m_color;
    double m_width;
};

QLabel* durationLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(TabularDigits::font(label->font()));
    label->setFixedWidth(kDurationWidth);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

StatsPane::StatsPane(SettingsServices& services, QWidget* parent)
    : PaneForm(parent)
    , m_services(services)
{
    FormSection* recording = addSection();
    recording->addRow(new SettingToggle(tr("Track time spent in each Space"), Settings::Key::timeTracking));
    recording->addCaption(tr("Stored only on this Mac. Nothing is sent anywhere."));

    FormSection* time = addSection();
    auto* segments = new QWidget;
    auto* segmentsLayout = new QHBoxLayout(segments);
    segmentsLayout->setContentsMargins(0, 0, 0, 0);
    segmentsLayout->setSpacing(0);
    m_periods = new QButtonGroup(this);
    m_periods->setExclusive(true);
    const std::array<QString, 3> titles{tr("Today"), tr("Last 7 days"), tr("Last 30 days")};
    for (std::size_t i = 0; i < kPeriods.size(); ++i) {
        auto* button = new QPushButton(titles[i]);
        button->setCheckable(true);
        button->setChecked(kPeriods[i] == m_range);
        m_periods->addButton(button, kPeriods[i]);
        segmentsLayout->addWidget(button);
    }
    connect(m_periods, &QButtonGroup::idClicked, this, [this](int days) { setRange(days); });
    time->addRow(tr("Period"), segments);

    m_rowsBox = new QWidget;
    m_rowsLayout = new QVBoxLayout(m_rowsBox);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(8);
    time->addRow(m_rowsBox);
    m_empty = PaneKit::callout(tr("No time recorded yet."));
    time->addRow(m_empty);
    m_total = durationLabel(QString());
    m_totalRow = time->addRow(tr("Total"), m_total);

    FormSection* actions = addSection();
    m_export = new QPushButton(tr("Export CSV\u2026"));
    m_reset = PaneKit::destructiveButton(tr("Reset"));
    actions->addRow(std::vector<QWidget*>{m_export, nullptr, m_reset});
    connect(m_export, &QPushButton::clicked, this, &StatsPane::exportCSV);
    connect(m_reset, &QPushButton::clicked, this, &StatsPane::reset);

    load();
}

QPushButton* StatsPane::periodButton(int index) const
{
    return qobject_cast<QPushButton*>(m_periods->button(kPeriods.at(std::size_t(index))));
}

std::vector<double> StatsPane::barWidths() const
{
    std::vector<double> widths;
    for (const QWidget* bar : m_rowsBox->findChildren<QWidget*>(QStringLiteral("timeBar")))
        widths.push_back(bar->property("barWidth").toDouble());
    return widths;
}

void StatsPane::setRange(int days)
{
    if (days == m_range)
        return;
    m_range = days;
    load();
}

void StatsPane::load()
{
    m_rows = TimeRows::load(m_services.tracker, m_range, m_services.watcher.snapshot(), m_services.store);
    showRows();
}

void StatsPane::showRows()
{
    while (QLayoutItem* item = m_rowsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }

    double total = 0;
    for (const TimeRow& row : m_rows)
        total += row.seconds;
    for (const TimeRow& row : m_rows) {
        auto* line = new QWidget(m_rowsBox);
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        layout->addWidget(new Dot(row.color), 0, Qt::AlignVCenter);
        auto* name = new QLabel(row.name);
        name->setTextFormat(Qt::PlainText);
        layout->addWidget(name, 1, Qt::AlignVCenter);
        layout->addWidget(new Bar(row.color, TimeRows::barWidth(row.seconds, total)), 0, Qt::AlignVCenter);
        layout->addWidget(durationLabel(TimeTracker::shortDuration(row.seconds)), 0, Qt::AlignVCenter);
        m_rowsLayout->addWidget(line);
    }
    m_rowsBox->setVisible(!m_rows.empty());
    m_empty->setVisible(m_rows.empty());
    m_totalRow->setVisible(!m_rows.empty());
    m_total->setText(TimeTracker::shortDuration(total));
}

void StatsPane::exportCSV()
{
    const auto path = m_services.panels->runSave({{FileKind::commaSeparatedText}, QStringLiteral("Lumivast time.csv"), {}});
    if (!path || path->isEmpty())
        return;
    // Names as they resolve now; the tracker writes the file whole or not at all and logs a failure.
    const SpaceSnapshot snapshot = m_services.watcher.snapshot();
    SpaceStore& store = m_services.store;
    m_services.tracker.exportCSV(*path, [&](const QString& id) { return TimeRows::name(id, snapshot, store); });
}

void StatsPane::reset()
{
    m_services.tracker.reset();
    load();
}

} // namespace lumivast
