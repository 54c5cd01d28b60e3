#include "UI/Settings/ProfilesPane.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Windows/LayoutManager.h"
#include "UI/Menus/MenuAdapter.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Symbols/SymbolCatalogue.h"
#include "Platform/Platform.h"

#include <QHBoxLayout>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumivast {

namespace K = Settings::Key;

namespace {

constexpr int kMarkSize = 16;

QString profilesPath() { return AppPaths::file(QStringLiteral("profiles.json")); }
QString templatesPath() { return AppPaths::file(QStringLiteral("templates.json")); }

// The mark of the profile in use, read from "activeProfile" whenever it is
// drawn: a switch made elsewhere shows at the next redraw.
class ProfileMark final : public QWidget {
public:
    explicit ProfileMark(QString name) : m_name(std::move(name))
    {
        setFixedSize(kMarkSize, kMarkSize);
        setObjectName(QStringLiteral("profileMark"));
    }

    bool marksActiveProfile() const
    {
        return Settings::defaults().string(K::activeProfile).value_or(QString()) == m_name; // exactly
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const bool active = marksActiveProfile();
        const bool dark = palette().color(QPalette::Base).lightnessF() < 0.5;
        const QColor color = active ? (dark ? QColor(0x30, 0xD1, 0x58) : QColor(0x1E, 0x8E, 0x3E)) : PaneKit::secondaryColor(palette());
        QPainter painter(this);
        painter.drawPixmap(0, 0, SymbolCatalogue::image(active ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"),
                                                        kMarkSize, color, devicePixelRatioF()));
    }

private:
    QString m_name;
};

// Rows go while a button of theirs may still be delivering its click.
void dropRows(std::vector<QWidget*>& rows)
{
    for (QWidget* row : rows) {
        if (QLayout* layout = row->parentWidget() ? row->parentWidget()->layout() : nullptr)
            layout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    rows.clear();
}

QLabel* plainLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

ProfilesPane::ProfilesPane(SettingsServices& services, QWidget* parent)
    : PaneForm(parent)
    , m_services(services)
{
    m_profilesSection = addSection(tr("Profiles"));
    m_profilesSection->setFooter(Platform::current().parts().has(SystemParts::Part::shortcutsTool)
                                     ? tr("A profile is a full set of names, colours, notes and automations. Switch from the "
                                          "menu, with lumivast://profile/Work, or from a Focus automation in the Shortcuts app.")
                                     : tr("A profile is a full set of names, colours, notes and automations. Switch from the "
                                          "menu or with lumivast://profile/Work."));
    m_newName = new QLineEdit;
    m_newName->setPlaceholderText(tr("Work, Home, Travel\u2026"));
    m_newName->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_save = new QPushButton(tr("Save Current Spaces"));
    auto* newLabel = new QLabel(tr("New profile"));
    newLabel->setBuddy(m_newName);
    m_newRow = m_profilesSection->addRow(std::vector<QWidget*>{newLabel, m_newName, m_save});
    connect(m_save, &QPushButton::clicked, this, &ProfilesPane::saveCurrentSpaces);
    connect(m_newName, &QLineEdit::returnPressed, this, &ProfilesPane::saveCurrentSpaces);

    m_templatesSection = addSection(tr("Templates"));
    m_import = new QPushButton(tr("Import Template\u2026"));
    m_importRow = m_templatesSection->addRow(std::vector<QWidget*>{m_import, nullptr});
    connect(m_import, &QPushButton::clicked, this, &ProfilesPane::importTemplate);

    reloadProfiles();
    showTemplates();
}

QString ProfilesPane::trimmedName(const QString& text)
{
    // Spaces and tabs only: a line break is part of the name.
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

std::vector<SpaceTemplate> ProfilesPane::templates()
{
    std::vector<SpaceTemplate> list = SpaceTemplate::builtIn();
    for (SpaceTemplate& imported : SpaceTemplate::imported(templatesPath()))
        list.push_back(std::move(imported));
    return list;
}

ProfileStore ProfilesPane::makeStore() const
{
    return ProfileStore(m_services.store, m_services.scheduler, profilesPath());
}

QWidget* ProfilesPane::profileRow(int index) const
{
    return index >= 0 && std::size_t(index) < m_profileRows.size() ? m_profileRows[std::size_t(index)] : nullptr;
}

QWidget* ProfilesPane::templateRow(int index) const
{
    return index >= 0 && std::size_t(index) < m_templateRows.size() ? m_templateRows[std::size_t(index)] : nullptr;
}

void ProfilesPane::reloadProfiles()
{
    m_profiles = makeStore().all();
    showProfiles();
    showTemplates(); // every action redraws the pane, and the templates are read at each draw
}

void ProfilesPane::showProfiles()
{
    dropRows(m_profileRows);
    auto* rows = static_cast<QVBoxLayout*>(m_newRow->parentWidget()->layout());
    for (const SpaceProfile& profile : m_profiles) {
        const QString name = profile.name;
        auto* useButton = new QPushButton(tr("Use"));
        connect(useButton, &QPushButton::clicked, this, [this, name] { this->use(name); });
        auto* more = new QPushButton(tr("More"));
        more->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        connect(more, &QPushButton::clicked, this, [this, name, more] {
            QMenu* menu = MenuAdapter::build(moreMenu(name), m_services.scheduler, more, true);
            menu->popup(more->mapToGlobal(QPoint(0, more->height())));
        });
        QWidget* row = m_profilesSection->addRow(std::vector<QWidget*>{new ProfileMark(name), plainLabel(name), nullptr, useButton, more});
        // Above the name field.
        rows->removeWidget(row);
        rows->insertWidget(rows->indexOf(m_newRow), row);
        m_profileRows.push_back(row);
    }
}

void ProfilesPane::showTemplates()
{
    dropRows(m_templateRows);
    auto* rows = static_cast<QVBoxLayout*>(m_importRow->parentWidget()->layout());
    for (const SpaceTemplate& entry : templates()) {
        auto* texts = new QWidget;
        auto* lines = new QVBoxLayout(texts);
        lines->setContentsMargins(0, 0, 0, 0);
        lines->setSpacing(2);
        lines->addWidget(plainLabel(entry.name));
        lines->addWidget(PaneKit::caption(entry.summary + QLatin1Char(' ') + QString::number(entry.slotList.size()) +
                                          QStringLiteral(" Spaces.")));
        auto* apply = new QPushButton(tr("Apply"));
        // The row's own template, not one looked up by name: a built-in and an imported one may share it.
        connect(apply, &QPushButton::clicked, this, [this, entry] { this->apply(entry); });
        // The texts take the row's width, so the summary stays on one line where it can.
        QWidget* row = m_templatesSection->addRow(std::vector<QWidget*>{texts, apply});
        static_cast<QHBoxLayout*>(row->layout())->setStretchFactor(texts, 1);
        rows->removeWidget(row);
        rows->insertWidget(rows->indexOf(m_importRow), row);
        m_templateRows.push_back(row);
    }
}

std::vector<MenuItem> ProfilesPane::moreMenu(const QString& name)
{
    QPointer<ProfilesPane> pane(this);
    const auto item = [](QString title, std::function<void()> action) {
        MenuItem entry;
        entry.title = std::move(title);
        entry.action = std::move(action);
        return entry;
    };
    MenuItem remove = item(tr("Delete"), [pane, name] {
        if (pane)
            pane->remove(name);
    });
    remove.symbol = QStringLiteral("trash");
    remove.symbolTint = PaneKit::destructiveColor();
    return {item(tr("Use automatically with the current displays"),
                 [pane, name] {
                     if (pane)
                         pane->bindToCurrentDisplays(name);
                 }),
            item(tr("Update with current Spaces"),
                 [pane, name] {
                     if (pane)
                         pane->update(name);
                 }),
            MenuItem::separator(), std::move(remove)};
}

void ProfilesPane::use(const QString& name)
{
    if (const auto activated = makeStore().activate(name); !activated && activated.error() == ProfileStore::Failure::notWritten)
        setOutcome(tr("Could not switch to %1: the files could not be written.").arg(name));
    reloadProfiles();
}

void ProfilesPane::bindToCurrentDisplays(const QString& name)
{
    // A stored value that is not a dictionary of texts counts as none and is replaced.
    QMap<QString, QString> bindings = Settings::profileByDisplaySetup();
    bindings.insert(LayoutManager::displaySetup(m_services.watcher.snapshot()), name);
    QJsonObject stored;
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it)
        stored.insert(it.key(), it.value());
    Settings::defaults().set(K::profileByDisplaySetup, stored);
    setOutcome(tr("%1 will turn on when these displays are connected.").arg(name));
    showTemplates();
}

void ProfilesPane::update(const QString& name)
{
    if (!makeStore().saveCurrent(name))
        setOutcome(tr("Could not save %1: the file could not be written.").arg(name));
    reloadProfiles();
}

void ProfilesPane::remove(const QString& name)
{
    // The profile's display-setup bindings stay: they name it, and a later profile of that name takes them over.
    makeStore().remove(name);
    reloadProfiles();
}

void ProfilesPane::saveCurrentSpaces()
{
    const QString name = trimmedName(m_newName->text());
    if (name.isEmpty())
        return;
    if (!makeStore().saveCurrent(name)) {
        setOutcome(tr("Could not save %1: the file could not be written.").arg(name));
        return;
    }
    m_newName->clear();
    reloadProfiles();
}

void ProfilesPane::apply(const SpaceTemplate& chosen)
{
    const SpaceTemplate::Result result = chosen.apply(m_services.watcher.snapshot(), m_services.store);
    if (result.missing > 0)
        setOutcome((Platform::current().parts().has(SystemParts::Part::missionControl)
                        ? tr("Set up %1 Spaces. Add %2 more desktops in Mission Control, then apply again.")
                        : tr("Set up %1 Spaces. Add %2 more desktops, then apply again."))
                       .arg(result.applied)
                       .arg(result.missing));
    else
        setOutcome(tr("Set up %1 Spaces.").arg(result.applied));
    showTemplates();
}

void ProfilesPane::importTemplate()
{
    m_services.panels->open({{FileKind::json}, false, {}}, this, [this](const std::optional<QStringList>& chosen) {
        if (!chosen || chosen->isEmpty())
            return;
        const auto imported = SpaceTemplate::importFile(chosen->front(), templatesPath());
        if (imported)
            setOutcome(tr("Imported %1.").arg(imported->name));
        else
            setOutcome(tr("That file is not a Lumivast template."));
        showTemplates();
    });
}

} // namespace lumivast
