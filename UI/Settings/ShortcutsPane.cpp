#include "UI/Settings/ShortcutsPane.h"

#include "Core/Settings/Settings.h"
#include "Core/Switching/ShortcutTexts.h"
#include "Platform/Platform.h"
#include "UI/Settings/GeneralPane.h"
#include "UI/Settings/SettingsServices.h"

#include <QLabel>
#include <QPointer>

namespace lumivast {

namespace K = Settings::Key;

namespace {

// Orange that stays legible on the window's background, light or dark.
QColor warningColor(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5 ? QColor(0xFF, 0xA6, 0x2B) : QColor(0xB3, 0x59, 0x00);
}

} // namespace

// Examples longer than this many characters may break into lines.
constexpr qsizetype kLongExample = 40;

std::vector<ShortcutsPane::WayIn> ShortcutsPane::otherWaysIn(const SystemParts& parts)
{
    if (parts.has(SystemParts::Part::appleScript))
        return {{tr("URL scheme"), QStringLiteral("lumivast://switch/3")},
                {tr("AppleScript"), QStringLiteral("tell app \"Lumivast\" to switch to space \"Mail\"")}};
    // Every door of this desktop, each with the same Space.
    const QString space = QStringLiteral("Mail");
    const QString url = QStringLiteral("lumivast://switch/") + space;
    return {
        {tr("URL scheme"), url},
        {tr("Session bus"), QStringLiteral("gdbus call --session --dest org.lumivast.Lumivast --object-path "
                                           "/org/lumivast/Lumivast --method org.lumivast.Lumivast.Scripting.Switch \"<'%1'>\"")
                                .arg(space)},
        {tr("Command line"), QStringLiteral("lumivast switch-space ") + space},
        {tr("HTTP API"), QStringLiteral("curl -X POST -H \"Authorization: Bearer <token>\" "
                                        "\"http://127.0.0.1:%1/command?url=%2\"")
                             .arg(GeneralPane::kPort)
                             .arg(url)},
    };
}

ShortcutsPane::ShortcutsPane(SettingsServices& services, QWidget* parent)
    : PaneForm(parent)
    , m_services(services)
{
    FormSection* overview = addSection(tr("Overview"));
    m_sections.push_back(overview);
    std::vector<SettingPicker::Option> presets;
    for (OverlayHotKeyPreset preset : allCases<OverlayHotKeyPreset>())
        presets.push_back({ShortcutTexts::presetName(preset), rawValue(preset)});
    overview->addRow(tr("Open overview"), new SettingPicker(K::overlayHotKey, std::move(presets)));
    // Where Alt+Tab is the desktop's own, the overview has another key: the caption names none.
    overview->addCaption(Platform::current().parts().has(SystemParts::Part::altTabIsFree)
                             ? tr("Hold Alt and press Tab again to step through Spaces; release Alt to switch.")
                             : tr("Keep Alt held and press the shortcut again to step through Spaces; release Alt to switch."));

    FormSection* spaces = addSection(tr("Spaces"));
    m_sections.push_back(spaces);
    std::vector<SettingPicker::Option> modifiers{{tr("Off"), rawValue(DesktopShortcutModifier::off)}};
    for (DesktopShortcutModifier modifier : allCases<DesktopShortcutModifier>()) {
        if (modifier != DesktopShortcutModifier::off)
            modifiers.push_back({ShortcutTexts::modifierName(modifier), rawValue(modifier)});
    }
    spaces->addRow(tr("Shortcut modifier"), new SettingPicker(K::desktopShortcutModifier, std::move(modifiers)));
    m_switchTo = addValueRow(spaces, tr("Switch to Desktop 1 to 10"));
    m_navigationToggle = spaces->addRow(new SettingToggle(tr("Previous, next and last Space"), K::navigationShortcuts));
    m_previousNext = addValueRow(spaces, tr("Previous / next"));
    m_backToLast = addValueRow(spaces, tr("Back to last Space"));
    m_navigationRows.push_back(spaces->addRow(new SettingToggle(tr("Wrap around at the ends"), K::wrapAround)));
    m_navigationRows.push_back(spaces->addRow(new SettingToggle(tr("Skip empty Spaces"), K::skipEmptyWhenCycling)));
    m_navigationRows.push_back(
        spaces->addRow(new SettingToggle(tr("Pressing the current Space's shortcut goes back to the last one"), K::backAndForth)));
    std::vector<SettingPicker::Option> grid{{tr("Off"), 0}};
    for (int n = 2; n <= 6; ++n)
        grid.push_back({tr("%1 Spaces (a grid of %2 columns)").arg(n).arg(n), n});
    m_navigationRows.push_back(spaces->addRow(tr("Up and down move by"), new SettingPicker(K::gridColumns, std::move(grid))));

    m_windows = addSection(tr("Windows"));
    m_sections.push_back(m_windows);
    m_windows->addRow(new SettingToggle(tr("Move the front window with Shift"), K::moveWindowShortcuts));
    m_sendTo = addValueRow(m_windows, tr("Send to Desktop 1 to 10"));
    m_sendLeftRight = addValueRow(m_windows, tr("Send left / right"));

    m_tools = addSection(tr("Tools"));
    m_sections.push_back(m_tools);
    const std::array<QString, 6> tools{tr("Find a window on any Space"), tr("Windows on this Space"), tr("Open an app here"),
                                       tr("Scratchpad app"),             tr("Mark window, then a letter"),
                                       tr("Jump to mark, then the letter")};
    for (std::size_t i = 0; i < tools.size(); ++i)
        m_toolRows[i] = addValueRow(m_tools, tools[i]);

    m_conflicts = addSection(tr("Conflicts"));
    m_sections.push_back(m_conflicts);
    m_conflictsText = new QLabel;
    m_conflictsText->setWordWrap(true);
    m_conflictsText->setTextFormat(Qt::PlainText);
    QPalette palette = m_conflictsText->palette();
    palette.setColor(QPalette::WindowText, warningColor(palette));
    m_conflictsText->setPalette(palette);
    m_conflicts->addRow(m_conflictsText);

    FormSection* outside = addSection(tr("Other ways in"));
    m_sections.push_back(outside);
    for (const WayIn& way : otherWaysIn(Platform::current().parts())) {
        QLabel* example = addValueRow(outside, way.title).value;
        example->setText(way.example);
        // A long command breaks at its blanks rather than widening the pane past the window.
        example->setWordWrap(way.example.size() > kLongExample);
    }
    outside->addCaption(Platform::current().parts().has(SystemParts::Part::appleScript)
                            ? tr("Use these from Shortcuts (Open URL or Run AppleScript), Raycast, Alfred, BetterTouchTool or Stream Deck.")
                            : tr("Use these from scripts, launchers or your desktop's own key bindings."));

    for (const QString& key : {K::desktopShortcutModifier, K::navigationShortcuts, K::moveWindowShortcuts}) {
        connect(&Settings::defaults(), &UserDefaults::changed, this, [this, key](const QString& changed) {
            if (changed == key)
                showShortcuts();
        });
    }
    connect(&Settings::defaults(), &UserDefaults::changed, this, [this](const QString& changed) {
        if (changed == K::desktopShortcutModifier)
            readConflictsLater();
    });
    showShortcuts();
    m_failures = m_services.shortcutFailures();
    showConflicts();
}

FormSection* ShortcutsPane::section(const QString& header) const
{
    for (FormSection* section : m_sections) {
        if (section->headerLabel() && section->headerLabel()->text() == header)
            return section;
    }
    return nullptr;
}

ShortcutsPane::ValueRow ShortcutsPane::addValueRow(FormSection* section, const QString& label)
{
    auto* value = new QLabel;
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return {section->addRow(label, value), value};
}

void ShortcutsPane::showShortcuts()
{
    // A stored text that names no modifier counts as off.
    const auto modifier = fromRawValue<DesktopShortcutModifier>(
        Settings::defaults().string(K::desktopShortcutModifier).value_or(QString())).value_or(DesktopShortcutModifier::off);
    const auto texts = ShortcutTexts::forModifier(modifier);
    const bool navigation = Settings::defaults().boolValue(K::navigationShortcuts);
    const bool moveWindow = Settings::defaults().boolValue(K::moveWindowShortcuts);

    m_switchTo.row->setVisible(bool(texts));
    m_navigationToggle->setVisible(bool(texts));
    for (ValueRow row : {m_previousNext, m_backToLast})
        row.row->setVisible(texts && navigation);
    for (QWidget* row : m_navigationRows)
        row->setVisible(texts && navigation);
    m_windows->setVisible(bool(texts));
    m_sendTo.row->setVisible(moveWindow);
    m_sendLeftRight.row->setVisible(moveWindow && navigation);
    m_tools->setVisible(bool(texts));
    if (!texts)
        return;
    m_switchTo.value->setText(texts->switchToDesktops);
    m_previousNext.value->setText(texts->previousNext);
    m_backToLast.value->setText(texts->backToLast);
    m_sendTo.value->setText(texts->sendToDesktops);
    m_sendLeftRight.value->setText(texts->sendLeftRight);
    for (std::size_t i = 0; i < m_toolRows.size(); ++i)
        m_toolRows[i].value->setText(texts->tools[i]);
}

void ShortcutsPane::showConflicts()
{
    m_conflicts->setVisible(!m_failures.isEmpty());
    m_conflictsText->setText(
        tr("Another app already uses: %1. Pick a different modifier or free them in that app.").arg(m_failures.join(QStringLiteral(", "))));
}

void ShortcutsPane::readConflictsLater()
{
    std::erase_if(m_conflictReads, [](const WorkItem& read) { return !read.isPending(); });
    QPointer<ShortcutsPane> pane(this);
    m_conflictReads.push_back(m_services.scheduler.after(kConflictReadDelay, [pane] {
        if (!pane)
            return;
        pane->m_failures = pane->m_services.shortcutFailures();
        pane->showConflicts();
    }));
}

} // namespace lumivast
