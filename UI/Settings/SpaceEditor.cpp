#include "UI/Settings/SpaceEditor.h"

#include "Core/Automation/AutomationRunner.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/SerialQueue.h"
#include "UI/Settings/SettingsServices.h"

#include <QPushButton>

namespace lumivast {

namespace {

// A button at the leading edge and one at the trailing edge, on one line when
// they fit and the trailing one on a line below when the form is narrow.
class ButtonsRow final : public QWidget {
public:
    ButtonsRow(QPushButton* leading, QPushButton* trailing)
        : m_leading(leading)
        , m_trailing(trailing)
    {
        leading->setParent(this);
        trailing->setParent(this);
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override
    {
        const int line = std::max(m_leading->sizeHint().height(), m_trailing->sizeHint().height());
        return oneLine(width) ? line : 2 * line + kSpacing;
    }
    QSize sizeHint() const override
    {
        const int width = m_leading->sizeHint().width() + kSpacing + m_trailing->sizeHint().width();
        return {width, heightForWidth(width)};
    }
    QSize minimumSizeHint() const override
    {
        const int width = std::max(m_leading->sizeHint().width(), m_trailing->sizeHint().width());
        return {width, heightForWidth(width)};
    }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        const QSize lead = m_leading->sizeHint();
        const QSize trail = m_trailing->sizeHint();
        m_leading->setGeometry(0, 0, std::min(lead.width(), width()), lead.height());
        const int y = oneLine(width()) ? 0 : lead.height() + kSpacing;
        m_trailing->setGeometry(std::max(0, width() - trail.width()), y, std::min(trail.width(), width()), trail.height());
    }

private:
    static constexpr int kSpacing = 8;
    bool oneLine(int width) const
    {
        return width >= m_leading->sizeHint().width() + kSpacing + m_trailing->sizeHint().width();
    }
    QPushButton* m_leading;
    QPushButton* m_trailing;
};

} // namespace

SerialQueue& SpaceEditor::shortcutQueue()
{
    static SerialQueue queue(QStringLiteral("lumivast.shortcuts"));
    return queue;
}

SpaceEditor::SpaceEditor(SettingsServices& services, const Space& space, QWidget* parent)
    : PaneForm(parent)
    , m_editing{services, space, {}, [this] { save(); }}
{
    setObjectName(QStringLiteral("SpaceEditor"));
    // Made inside the form, so they draw their symbols in its palette and pixel ratio.
    m_identity = new SpaceIdentitySection(m_editing, content());
    addBlock(m_identity);
    m_enter = new SpaceEnterSection(m_editing, content());
    addBlock(m_enter);
    m_pinned = new SpacePinnedSection(m_editing, content());
    addBlock(m_pinned);
    m_leave = new SpaceLeaveSection(m_editing, content());
    addBlock(m_leave);
    m_wallpaper = new SpaceWallpaperSection(m_editing, content());
    addBlock(m_wallpaper);
    buildButtons();
    // One label column for the whole form: fields line up from Name down to the shell commands.
    lineUpLabels();
    // The controls are filled by the load that coming on screen does; filling them here
    // as well doubled the cost of every new editor (the icon image decoded, the choosers rebuilt).
}

SpaceEditor::~SpaceEditor() = default;

void SpaceEditor::setSpace(const Space& space)
{
    m_editing.space = space;
    m_wallpaper->showState();
}

void SpaceEditor::buildButtons()
{
    FormSection* buttons = addSection();
    buttons->setObjectName(QStringLiteral("actions"));
    auto* reset = PaneKit::destructiveButton(tr("Reset Everything for This Space"));
    reset->setObjectName(QStringLiteral("resetButton"));
    auto* saveButton = new QPushButton(tr("Save"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    saveButton->setDefault(true);
    buttons->addRow(new ButtonsRow(reset, saveButton));
    connect(reset, &QPushButton::clicked, this, [this] { resetEverything(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
}

// ---- load and save ----

void SpaceEditor::load()
{
    const SpaceMeta meta = m_editing.services.store.meta(m_editing.space.id);
    SpaceEditing::Record& working = m_editing.working;
    working.name = meta.name.value_or(QString());
    working.note = meta.note.value_or(QString());
    working.group = meta.group.value_or(QString());
    working.symbol = meta.symbol.value_or(QString());
    working.colorHex = meta.colorHex.value_or(QString());
    working.automation = meta.automation.value_or(SpaceAutomation{});
    m_saved = working;
    m_loadedOnce = true;
    m_identity->fill();
    m_enter->fill();
    m_pinned->fill();
    m_leave->fill();
    m_wallpaper->showState();
}

void SpaceEditor::save()
{
    SpaceStore& store = m_editing.services.store;
    const QString& id = m_editing.space.id;
    const SpaceEditing::Record& working = m_editing.working;
    const QString name = working.name.trimmed();
    if (working.name != m_saved.name)
        store.setName(SpaceEditing::optionalText(name), id);
    else if (!name.isEmpty())
        store.remember(name);
    if (working.note != m_saved.note)
        store.setNote(SpaceEditing::optionalText(working.note.trimmed()), id);
    if (working.group != m_saved.group)
        store.setGroup(SpaceEditing::optionalText(working.group.trimmed()), id);
    if (working.symbol != m_saved.symbol)
        store.setSymbol(SpaceEditing::optionalText(working.symbol), id);
    if (working.colorHex != m_saved.colorHex)
        store.setColor(SpaceEditing::optionalText(working.colorHex), id);
    if (working.automation != m_saved.automation)
        store.setAutomation(working.automation, id);
    m_saved = working;
}

void SpaceEditor::resetEverything()
{
    SpaceStore& store = m_editing.services.store;
    const QString& id = m_editing.space.id;
    store.setName(std::nullopt, id);
    store.setNote(std::nullopt, id);
    store.setSymbol(std::nullopt, id);
    store.setColor(std::nullopt, id);
    store.setAutomation(std::nullopt, id);
    store.setCustomIcon(std::nullopt, id);
    load();
}

// ---- coming on screen and going ----

void SpaceEditor::showEvent(QShowEvent* event)
{
    PaneForm::showEvent(event);
    if (m_appearance)
        return; // already on screen
    m_appearance.emplace(m_editing.services.scheduler);
    load();
    if (ShortcutChooser::available())
        loadShortcutNames();
}

void SpaceEditor::hideEvent(QHideEvent* event)
{
    PaneForm::hideEvent(event);
    if (!m_appearance)
        return;
    m_appearance.reset();
    if (m_loadedOnce)
        save();
}

void SpaceEditor::loadShortcutNames()
{
    // Only an editor still on screen, in the same appearance, takes the list.
    shortcutQueue().async([apply = m_appearance->wrap([this](const QStringList& names) {
                               m_enter->setShortcutNames(names);
                               m_leave->setShortcutNames(names);
                           })] { apply(AutomationRunner::availableShortcuts()); });
}

} // namespace lumivast
