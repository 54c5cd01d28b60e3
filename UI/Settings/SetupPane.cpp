#include "UI/Settings/SetupPane.h"

#include "Platform/Platform.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumivast {

namespace {

constexpr int kIconSize = 18;

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Base).lightnessF() < 0.5;
}

} // namespace

SetupPane::SetupPane(SettingsServices& services, QWidget* parent)
    : PaneForm(parent)
{
    m_section = addSection(tr("Recommended %1 settings").arg(Platform::current().parts().words().system));
    m_section->setFooter(tr("Lumivast works without the optional items, but Spaces behave more predictably with them."));
    m_takenShortcuts = services.shortcutFailures;
    evaluate();
    m_timer = services.scheduler.every(kInterval, [this] { evaluate(); });
}

QPushButton* SetupPane::fixButton(const QString& id) const
{
    const auto it = m_rows.find(id);
    return it == m_rows.end() ? nullptr : it->second.fix;
}

QLabel* SetupPane::statusIcon(const QString& id) const
{
    const auto it = m_rows.find(id);
    return it == m_rows.end() ? nullptr : it->second.icon;
}

void SetupPane::evaluate()
{
    m_checks = SetupCheck::all(m_takenShortcuts ? m_takenShortcuts() : QStringList());
    for (const SetupCheck& check : m_checks) {
        auto [it, added] = m_rows.try_emplace(check.id);
        Row& row = it->second;
        if (added) {
            auto* line = new QWidget;
            auto* layout = new QHBoxLayout(line);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(10);
            row.icon = new QLabel;
            row.icon->setFixedSize(kIconSize, kIconSize);
            layout->addWidget(row.icon, 0, Qt::AlignTop);
            auto* texts = new QVBoxLayout;
            texts->setSpacing(2);
            row.title = new QLabel;
            row.title->setTextFormat(Qt::PlainText);
            row.detail = PaneKit::caption(QString());
            texts->addWidget(row.title);
            texts->addWidget(row.detail);
            layout->addLayout(texts, 1);
            row.fix = new QPushButton;
            const QString id = check.id;
            connect(row.fix, &QPushButton::clicked, this, [this, id] { runFix(id); });
            layout->addWidget(row.fix, 0, Qt::AlignTop);
            m_section->addRow(line);
        }
        showCheck(check, row);
    }
}

void SetupPane::showCheck(const SetupCheck& check, Row& row)
{
    const bool dark = isDark(palette());
    const QColor green = dark ? QColor(0x30, 0xD1, 0x58) : QColor(0x1E, 0x8E, 0x3E);
    const QColor orange = dark ? QColor(0xFF, 0x9F, 0x0A) : QColor(0xC9, 0x6A, 0x00);
    row.icon->setPixmap(SymbolCatalogue::image(check.passed ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("exclamationmark.circle"),
                                               kIconSize, check.passed ? green : orange, devicePixelRatioF()));
    row.icon->setProperty("passed", check.passed);
    row.title->setText(check.title);
    row.detail->setText(check.detail);
    const bool offersFix = !check.passed && check.fixTitle && check.fix;
    row.fix->setText(check.fixTitle.value_or(QString()));
    row.fix->setVisible(offersFix);
}

void SetupPane::runFix(const QString& id)
{
    for (const SetupCheck& check : m_checks) {
        if (check.id == id && check.fix) {
            check.fix(); // no evaluation now: the next tick shows what came of it
            return;
        }
    }
}

} // namespace lumivast
