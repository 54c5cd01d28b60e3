#include "UI/Settings/StatsPane.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Time/TimeTracker.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Settings/TabularDigits.h"
#include "UI/Settings/TimeRowsView.h"
#include "Platform/Platform.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace lumivast {

namespace {

// The total's column lines up with the rows' durations.
QLabel* durationLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(TabularDigits::font(label->font()));
    label->setFixedWidth(TimeRowsView::kDurationWidth);
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
    recording->addCaption(tr("Stored only on this %1. Nothing is sent anywhere.").arg(Platform::current().parts().words().computer));

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

    m_rowsModel = new TimeRowsModel(this);
    m_rowsView = new TimeRowsView(m_rowsModel);
    time->addRow(m_rowsView);
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
    widths.reserve(m_rowsModel->rows().size());
    for (int row = 0; row < m_rowsModel->rowCount(); ++row)
        widths.push_back(m_rowsModel->index(row).data(TimeRowsModel::barWidthRole).toDouble());
    return widths;
}

void StatsPane::setRange(int days)
{
    if (days == m_range)
        return;
    m_range = days;
    load();
}

const std::vector<TimeRow>& StatsPane::rows() const
{
    return m_rowsModel->rows();
}

void StatsPane::load()
{
    m_rowsModel->setRows(TimeRows::load(m_services.tracker, m_range, m_services.watcher.snapshot(), m_services.store));
    const bool empty = m_rowsModel->rows().empty();
    m_rowsView->setVisible(!empty);
    m_empty->setVisible(empty);
    m_totalRow->setVisible(!empty);
    m_total->setText(TimeTracker::shortDuration(m_rowsModel->total()));
}

void StatsPane::exportCSV()
{
    const SavePanelRequest request{{FileKind::commaSeparatedText}, QStringLiteral("Lumivast time.csv"), {}};
    m_services.panels->save(request, this, [this](const std::optional<QString>& path) {
        if (!path || path->isEmpty())
            return;
        // Names as they resolve now; the tracker writes the file whole or not at all.
        const SpaceSnapshot snapshot = m_services.watcher.snapshot();
        SpaceStore& store = m_services.store;
        const auto written =
            m_services.tracker.exportCSV(*path, [&](const QString& id) { return TimeRows::name(id, snapshot, store); });
        setOutcome(written ? std::nullopt : std::optional(tr("Export failed: %1").arg(written.error())));
    });
}

void StatsPane::reset()
{
    m_services.tracker.reset();
    load();
}

} // namespace lumivast
