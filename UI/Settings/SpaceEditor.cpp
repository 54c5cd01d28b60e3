#include "UI/Settings/SpaceEditor.h"

#include "Core/Automation/AutomationRunner.h"
#include "Core/Automation/BrowserProfiles.h"
#include "Core/Notes/NoteFiles.h"
#include "Core/Shell/Blanks.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/Platform.h"
#include "Platform/SerialQueue.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace lumivast {

namespace {

// The Shortcuts app's fields only where the system has that app.
bool hasShortcutsTool()
{
    return Platform::current().parts().has(SystemParts::Part::shortcutsTool);
}

enum ListKind { launchList = 0, urlList = 1, pinnedList = 2 };

// Empty is absent; anything else is kept exactly as typed.
std::optional<QString> optionalText(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

std::optional<QString> trimmedOrNone(const QString& text)
{
    return optionalText(text.trimmed());
}

// One line of text shortened in the middle when the row is too narrow.
class ElidedLabel final : public QLabel {
public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr) : QLabel(parent), m_full(text)
    {
        setTextFormat(Qt::PlainText);
        setToolTip(text);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setMinimumWidth(40);
        QLabel::setText(text);
    }
    QString fullText() const { return m_full; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        QLabel::setText(fontMetrics().elidedText(m_full, Qt::ElideMiddle, width()));
    }

private:
    QString m_full;
};

QPixmap scaledIcon(const QImage& image, int size, qreal ratio)
{
    if (image.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(
        image.scaled(QSize(size, size) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QLabel* iconLabel(const QPixmap& pixmap, int size)
{
    auto* label = new QLabel;
    label->setFixedSize(size, size);
    label->setPixmap(pixmap);
    return label;
}

QLineEdit* field(const QString& placeholder)
{
    auto* edit = new QLineEdit;
    edit->setPlaceholderText(placeholder);
    return edit;
}

// As wide as the fields beside it, and never wider than the column: the longest
// symbol name would otherwise push the form past its edge.
QComboBox* picker()
{
    auto* box = new QComboBox;
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(6);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    box->setMaxVisibleItems(14);
    return box;
}

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
    , m_services(services)
    , m_space(space)
{
    setObjectName(QStringLiteral("SpaceEditor"));
    buildIdentity();
    buildEnter();
    buildPinned();
    buildLeave();
    buildWallpaper();
    buildButtons();
    // Names the tests find the controls by.
    const std::pair<QWidget*, const char*> named[] = {
        {m_name, "nameField"},
        {m_note, "noteField"},
        {m_group, "categoryField"},
        {m_notesFile, "notesFileButton"},
        {m_symbolPicker, "iconPicker"},
        {m_colorPicker, "colorPicker"},
        {m_iconImage, "iconImage"},
        {m_iconRemove, "iconRemoveButton"},
        {m_iconChoose, "iconChooseButton"},
        {m_addLaunchApp, "addLaunchAppButton"},
        {m_launchRows, "launchAppRows"},
        {m_urlRows, "urlRows"},
        {m_urlField, "urlField"},
        {m_addURL, "addURLButton"},
        {m_launchOnce, "launchOnceToggle"},
        {m_onlyIfEmpty, "onlyIfEmptyToggle"},
        {m_hideOthers, "hideOthersToggle"},
        {m_keystroke, "keystrokeField"},
        {m_browser, "browserPicker"},
        {m_profileRow, "profileRow"},
        {m_profile, "profileField"},
        {m_enterShortcut, "enterShortcut"},
        {m_enterCommand, "enterCommandField"},
        {m_setUp, "setUpButton"},
        {m_pinnedRows, "pinnedRows"},
        {m_addPinned, "addPinnedAppButton"},
        {m_leaveShortcut, "leaveShortcut"},
        {m_leaveCommand, "leaveCommandField"},
        {m_wallpaper, "wallpaperButton"},
        {m_wallpaperCaption, "wallpaperCaption"},
        {m_reset, "resetButton"},
        {m_save, "saveButton"},
    };
    for (const auto& [control, name] : named)
        control->setObjectName(QLatin1String(name));
    // One label column for the whole form: fields line up from Name down to the shell commands.
    int labelWidth = 0;
    const QList<FormSection*> sections = content()->findChildren<FormSection*>(Qt::FindDirectChildrenOnly);
    for (FormSection* section : sections)
        labelWidth = std::max(labelWidth, section->labelWidth());
    for (FormSection* section : sections)
        section->setLabelWidth(labelWidth);
    m_enterShortcut->setLabelWidth(labelWidth);
    m_leaveShortcut->setLabelWidth(labelWidth);
    // The controls are filled by the load that coming on screen does; filling them here
    // as well doubled the cost of every new editor (the icon image decoded, the choosers rebuilt).
    showAutomationRows();
    showWallpaperState();
    m_iconImage->hide();
    m_iconRemove->hide();
}

SpaceEditor::~SpaceEditor() = default;

void SpaceEditor::setSpace(const Space& space)
{
    m_space = space;
    showWallpaperState();
}

// ---- the form ----

void SpaceEditor::buildIdentity()
{
    FormSection* identity = addSection(tr("Identity"));
    m_name = field(m_space.desktopNumber ? tr("Desktop %1").arg(*m_space.desktopNumber) : tr("Full Screen"));
    identity->addRow(tr("Name"), m_name);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) { m_working.name = text; });
    connect(m_name, &QLineEdit::returnPressed, this, [this] { save(); });

    m_note = field(tr("What is this Space for?"));
    identity->addRow(tr("Note"), m_note);
    connect(m_note, &QLineEdit::textEdited, this, [this](const QString& text) { m_working.note = text; });
    connect(m_note, &QLineEdit::returnPressed, this, [this] { save(); });

    m_group = field(tr("Work, Personal, Clients\u2026"));
    identity->addRow(tr("Category"), m_group);
    connect(m_group, &QLineEdit::textEdited, this, [this](const QString& text) { m_working.group = text; });
    connect(m_group, &QLineEdit::returnPressed, this, [this] { save(); });

    m_notesFile = new QPushButton(tr("Open Notes File"));
    identity->addRow(std::vector<QWidget*>{m_notesFile, nullptr});
    // The file takes what the store holds now: unsaved text stays in the form.
    connect(m_notesFile, &QPushButton::clicked, this, [this] { NoteFiles::open(m_space, m_services.store); });

    m_symbolPicker = picker();
    m_symbolPicker->addItem(tr("Default"), QString());
    const QColor symbolColor = palette().color(QPalette::Text);
    for (const QString& name : SpaceStore::symbolChoices())
        m_symbolPicker->addItem(QIcon(SymbolCatalogue::image(name, 16, symbolColor, devicePixelRatioF())), name, name);
    identity->addRow(tr("Icon"), m_symbolPicker);
    connect(m_symbolPicker, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        m_working.symbol = m_symbolPicker->itemData(index).toString();
        save();
    });

    m_colorPicker = picker();
    m_colorPicker->addItem(tr("None"), QString());
    for (const SpaceStore::ColorChoice& choice : SpaceStore::colorChoices())
        m_colorPicker->addItem(choice.name, choice.hex);
    identity->addRow(tr("Color"), m_colorPicker);
    connect(m_colorPicker, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        m_working.colorHex = m_colorPicker->itemData(index).toString();
        save();
    });

    m_iconImage = new QLabel;
    m_iconImage->setFixedSize(kIconImageSize, kIconImageSize);
    m_iconRemove = new QPushButton(tr("Remove"));
    m_iconChoose = new QPushButton(tr("Choose\u2026"));
    identity->addRow(std::vector<QWidget*>{new QLabel(tr("Icon image")), nullptr, m_iconImage, m_iconRemove, m_iconChoose});
    connect(m_iconChoose, &QPushButton::clicked, this, [this] {
        m_services.panels->chooseImage(this, [this](const std::optional<QString>& chosen) {
            if (!chosen)
                return;
            m_services.store.setCustomIcon(*chosen, m_space.id);
            showIconImage();
        });
    });
    connect(m_iconRemove, &QPushButton::clicked, this, [this] {
        m_services.store.setCustomIcon(std::nullopt, m_space.id);
        showIconImage();
    });
}

void SpaceEditor::buildEnter()
{
    FormSection* enter = addSection(tr("When you enter this Space"));
    m_launchRows = new QWidget;
    new QVBoxLayout(m_launchRows);
    m_launchRows->layout()->setContentsMargins(0, 0, 0, 0);
    enter->addRow(m_launchRows);
    m_addLaunchApp = new QPushButton(tr("Add App\u2026"));
    enter->addRow(std::vector<QWidget*>{m_addLaunchApp, nullptr});
    connect(m_addLaunchApp, &QPushButton::clicked, this, [this] { addLaunchApps(); });

    m_urlRows = new QWidget;
    new QVBoxLayout(m_urlRows);
    m_urlRows->layout()->setContentsMargins(0, 0, 0, 0);
    enter->addRow(m_urlRows);
    m_urlField = field(tr("https://\u2026 or ~/Documents/\u2026"));
    m_urlField->setAccessibleName(tr("Open URL or file"));
    m_addURL = new QPushButton(tr("Add"));
    auto* urlLabel = new QLabel(tr("Open URL or file"));
    urlLabel->setBuddy(m_urlField);
    enter->alignLabel(urlLabel);
    QWidget* urlLine = enter->addRow(std::vector<QWidget*>{urlLabel, m_urlField, m_addURL});
    static_cast<QHBoxLayout*>(urlLine->layout())->setStretchFactor(m_urlField, 1);
    connect(m_urlField, &QLineEdit::textEdited, this, [this](const QString& text) { m_newURL = text; });
    connect(m_addURL, &QPushButton::clicked, this, [this] { addURL(); });

    const auto toggle = [this, enter](const QString& label, bool SpaceAutomation::*flag) {
        auto* box = new WrappingCheckBox(label);
        enter->addRow(box);
        connect(box, &QCheckBox::toggled, this, [this, flag](bool on) {
            m_working.automation.*flag = on;
            save();
        });
        return box;
    };
    m_launchOnce = toggle(tr("Only the first time after login"), &SpaceAutomation::launchOnce);
    m_onlyIfEmpty = toggle(tr("Only when the Space is empty"), &SpaceAutomation::launchOnlyIfEmpty);
    m_hideOthers = toggle(tr("Hide apps that have no window here"), &SpaceAutomation::hideOtherApps);

    // Fields written on Return: until then the text lives in the working copy only.
    const auto returnField = [this](QLineEdit* edit, std::optional<QString> SpaceAutomation::*member) {
        connect(edit, &QLineEdit::textEdited, this,
                [this, member](const QString& text) { m_working.automation.*member = optionalText(text); });
        connect(edit, &QLineEdit::returnPressed, this, [this] { save(); });
    };
    m_keystroke = field(tr("e.g. cmd+shift+1"));
    enter->addRow(tr("Send keystroke"), m_keystroke);
    returnField(m_keystroke, &SpaceAutomation::keystrokeOnEnter);

    m_browser = picker();
    m_browser->addItem(tr("None"), QString());
    for (const BrowserProfiles::Browser& browser : BrowserProfiles::supported())
        m_browser->addItem(browser.name, browser.bundle);
    enter->addRow(tr("Browser profile"), m_browser);
    connect(m_browser, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        m_working.automation.browserApp = optionalText(m_browser->itemData(index).toString());
        save();
        showAutomationRows();
    });
    m_profile = field(tr("Default, Profile 1, Profile 2\u2026"));
    m_profileRow = enter->addRow(tr("Profile folder"), m_profile);
    returnField(m_profile, &SpaceAutomation::browserProfile);

    m_enterShortcut = new ShortcutChooser(QStringLiteral("Run Shortcut"));
    enter->addRow(m_enterShortcut);
    m_enterShortcut->setVisible(hasShortcutsTool());
    m_enterShortcut->onChange = [this](const QString& value) {
        m_working.automation.shortcutOnEnter = optionalText(value);
        save();
    };

    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_enterCommand = field(hasShortcutsTool() ? tr("e.g. open -g 'raycast://\u2026'") : tr("e.g. xdg-open 'https://\u2026'"));
    m_enterCommand->setFont(mono);
    enter->addRow(tr("Run shell command"), m_enterCommand);
    returnField(m_enterCommand, &SpaceAutomation::scriptOnEnter);

    m_setUp = new QPushButton(tr("Set Up This Space Now"));
    m_setUpRow = enter->addRow(std::vector<QWidget*>{m_setUp, nullptr});
    connect(m_setUp, &QPushButton::clicked, this, [this] { runSetUp(); });
}

void SpaceEditor::buildPinned()
{
    FormSection* pinned = addSection(tr("Apps that belong here"));
    m_pinnedRows = new QWidget;
    new QVBoxLayout(m_pinnedRows);
    m_pinnedRows->layout()->setContentsMargins(0, 0, 0, 0);
    pinned->addRow(m_pinnedRows);
    m_addPinned = new QPushButton(tr("Add App\u2026"));
    pinned->addRow(std::vector<QWidget*>{m_addPinned, nullptr});
    connect(m_addPinned, &QPushButton::clicked, this, [this] { addPinnedApps(); });
    pinned->addCaption(tr("New windows of these apps are moved to this Space automatically. You can still move them "
                          "elsewhere afterwards."));
}

void SpaceEditor::buildLeave()
{
    FormSection* leave = addSection(tr("When you leave this Space"));
    m_leaveShortcut = new ShortcutChooser(QStringLiteral("Run Shortcut"));
    leave->addRow(m_leaveShortcut);
    m_leaveShortcut->setVisible(hasShortcutsTool());
    m_leaveShortcut->onChange = [this](const QString& value) {
        m_working.automation.shortcutOnLeave = optionalText(value);
        save();
    };
    m_leaveCommand = field(hasShortcutsTool() ? tr("e.g. shortcuts run 'Focus Off'") : tr("e.g. notify-send 'Left the Space'"));
    m_leaveCommand->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    leave->addRow(tr("Run shell command"), m_leaveCommand);
    connect(m_leaveCommand, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_working.automation.scriptOnLeave = optionalText(text); });
    connect(m_leaveCommand, &QLineEdit::returnPressed, this, [this] { save(); });
    leave->addCaption(hasShortcutsTool() ? tr("Commands get LUMIVAST_SPACE_NAME, LUMIVAST_SPACE_NUMBER and LUMIVAST_SPACE_ID. Use "
                                              "Shortcuts for Focus, Do Not Disturb and volume.")
                                         : tr("Commands get LUMIVAST_SPACE_NAME, LUMIVAST_SPACE_NUMBER and LUMIVAST_SPACE_ID."));
}

void SpaceEditor::buildWallpaper()
{
    FormSection* wallpaper = addSection(tr("Wallpaper"));
    m_wallpaper = new QPushButton(tr("Set Wallpaper for This Space\u2026"));
    wallpaper->addRow(std::vector<QWidget*>{m_wallpaper, nullptr});
    m_wallpaperCaption = wallpaper->addCaption(QString());
    connect(m_wallpaper, &QPushButton::clicked, this, [this] { chooseWallpaper(); });
}

void SpaceEditor::buildButtons()
{
    FormSection* buttons = addSection();
    m_reset = PaneKit::destructiveButton(tr("Reset Everything for This Space"));
    m_save = new QPushButton(tr("Save"));
    m_save->setDefault(true);
    buttons->addRow(new ButtonsRow(m_reset, m_save));
    connect(m_reset, &QPushButton::clicked, this, [this] { resetEverything(); });
    connect(m_save, &QPushButton::clicked, this, [this] { save(); });
}

// ---- showing the working copy ----

void SpaceEditor::fill()
{
    const std::vector<QObject*> controls = {m_name,      m_note,        m_group,      m_symbolPicker, m_colorPicker,
                                            m_launchOnce, m_onlyIfEmpty, m_hideOthers, m_keystroke,    m_browser,
                                            m_profile,    m_enterCommand, m_leaveCommand, m_urlField};
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (QObject* control : controls)
        quiet.push_back(std::make_unique<QSignalBlocker>(control));
    const SpaceAutomation& a = m_working.automation;
    m_name->setText(m_working.name);
    m_note->setText(m_working.note);
    m_group->setText(m_working.group);
    m_symbolPicker->setCurrentIndex(m_symbolPicker->findData(m_working.symbol));
    m_colorPicker->setCurrentIndex(m_colorPicker->findData(m_working.colorHex));
    m_launchOnce->setChecked(a.launchOnce);
    m_onlyIfEmpty->setChecked(a.launchOnlyIfEmpty);
    m_hideOthers->setChecked(a.hideOtherApps);
    m_keystroke->setText(a.keystrokeOnEnter.value_or(QString()));
    m_browser->setCurrentIndex(m_browser->findData(a.browserApp.value_or(QString())));
    m_profile->setText(a.browserProfile.value_or(QString()));
    m_enterCommand->setText(a.scriptOnEnter.value_or(QString()));
    m_leaveCommand->setText(a.scriptOnLeave.value_or(QString()));
    m_urlField->setText(m_newURL);
    m_enterShortcut->setValue(a.shortcutOnEnter.value_or(QString()));
    m_leaveShortcut->setValue(a.shortcutOnLeave.value_or(QString()));
    showAutomationRows();
    showIconImage();
    showWallpaperState();
}

void SpaceEditor::showIconImage()
{
    const std::optional<QImage> icon = m_services.store.customIcon(m_space);
    if (icon && !icon->isNull()) {
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap(QSize(kIconImageSize, kIconImageSize) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(0, 0, kIconImageSize, kIconImageSize), kIconImageRadius, kIconImageRadius);
        painter.setClipPath(clip);
        painter.drawImage(QRectF(0, 0, kIconImageSize, kIconImageSize), *icon);
        painter.end();
        m_iconImage->setPixmap(pixmap);
    }
    const bool has = icon && !icon->isNull();
    m_iconImage->setVisible(has);
    m_iconRemove->setVisible(has);
}

void SpaceEditor::showWallpaperState()
{
    m_wallpaper->setEnabled(m_space.isActive);
    const QString system = Platform::current().parts().words().system;
    m_wallpaperCaption->setText(m_space.isActive
                                    ? tr("%1 keeps a wallpaper per Space; this sets the one for the Space you are on.").arg(system)
                                    : tr("Switch to this Space first; %1 only changes the wallpaper of the current Space.").arg(system));
}

void SpaceEditor::showAutomationRows()
{
    const SpaceAutomation& a = m_working.automation;
    rebuildList(m_launchRows, a.launchApps, launchList);
    rebuildList(m_urlRows, a.openURLs, urlList);
    rebuildList(m_pinnedRows, a.pinnedApps, pinnedList);
    m_profileRow->setVisible(a.browserApp.has_value());
    m_setUpRow->setVisible(!a.launchApps.isEmpty() || !a.openURLs.isEmpty());
}

void SpaceEditor::rebuildList(QWidget* container, const QStringList& entries, int kind)
{
    auto* layout = static_cast<QVBoxLayout*>(container->layout());
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    Platform& platform = Platform::current();
    RunningApplications& apps = platform.runningApplications();
    const qreal ratio = devicePixelRatioF();
    for (const QString& entry : entries) {
        auto* row = new QWidget(container);
        row->setProperty("entry", entry);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        if (kind == launchList) {
            line->addWidget(iconLabel(scaledIcon(apps.iconForFile(entry), kAppIconSize, ratio), kAppIconSize));
            auto* name = new QLabel(apps.displayName(entry));
            name->setTextFormat(Qt::PlainText);
            name->setToolTip(entry);
            line->addWidget(name);
        } else if (kind == urlList) {
            line->addWidget(iconLabel(SymbolCatalogue::image(QStringLiteral("link"), kAppIconSize,
                                                             palette().color(QPalette::Text), ratio),
                                      kAppIconSize));
            line->addWidget(new ElidedLabel(entry), 1);
        } else {
            const auto url = platform.workspace().urlForApplication(entry);
            if (url) {
                const QString path = url->toLocalFile();
                line->addWidget(iconLabel(scaledIcon(apps.iconForFile(path), kAppIconSize, ratio), kAppIconSize));
                auto* name = new QLabel(apps.displayName(path));
                name->setTextFormat(Qt::PlainText);
                name->setToolTip(entry);
                line->addWidget(name);
            } else {
                auto* id = new QLabel(entry);
                id->setTextFormat(Qt::PlainText);
                line->addWidget(id);
            }
        }
        if (kind != urlList) // an address takes the whole row before it is shortened
            line->addStretch(1);
        auto* remove = new QToolButton(row);
        remove->setAutoRaise(true);
        remove->setIcon(QIcon(SymbolCatalogue::image(QStringLiteral("minus.circle"), 16, PaneKit::destructiveColor(), ratio)));
        remove->setToolTip(tr("Remove"));
        remove->setAccessibleName(tr("Remove"));
        line->addWidget(remove);
        connect(remove, &QToolButton::clicked, this, [this, kind, entry] { removeEntry(kind, entry); });
        layout->addWidget(row);
    }
    container->setVisible(!entries.isEmpty());
}

// ---- load and save ----

void SpaceEditor::load()
{
    const SpaceMeta meta = m_services.store.meta(m_space.id);
    m_working.name = meta.name.value_or(QString());
    m_working.note = meta.note.value_or(QString());
    m_working.group = meta.group.value_or(QString());
    m_working.symbol = meta.symbol.value_or(QString());
    m_working.colorHex = meta.colorHex.value_or(QString());
    m_working.automation = meta.automation.value_or(SpaceAutomation{});
    m_saved = m_working;
    m_loadedOnce = true;
    fill();
}

void SpaceEditor::save()
{
    SpaceStore& store = m_services.store;
    const QString& id = m_space.id;
    const QString name = m_working.name.trimmed();
    if (m_working.name != m_saved.name)
        store.setName(optionalText(name), id);
    else if (!name.isEmpty())
        store.remember(name);
    if (m_working.note != m_saved.note)
        store.setNote(trimmedOrNone(m_working.note), id);
    if (m_working.group != m_saved.group)
        store.setGroup(trimmedOrNone(m_working.group), id);
    if (m_working.symbol != m_saved.symbol)
        store.setSymbol(optionalText(m_working.symbol), id);
    if (m_working.colorHex != m_saved.colorHex)
        store.setColor(optionalText(m_working.colorHex), id);
    if (m_working.automation != m_saved.automation)
        store.setAutomation(m_working.automation, id);
    m_saved = m_working;
}

void SpaceEditor::resetEverything()
{
    SpaceStore& store = m_services.store;
    const QString& id = m_space.id;
    store.setName(std::nullopt, id);
    store.setNote(std::nullopt, id);
    store.setSymbol(std::nullopt, id);
    store.setColor(std::nullopt, id);
    store.setAutomation(std::nullopt, id);
    store.setCustomIcon(std::nullopt, id);
    load();
}

void SpaceEditor::chooseWallpaper()
{
    m_services.panels->chooseImage(this, [this](const std::optional<QString>& chosen) {
        if (!chosen)
            return;
        Platform& platform = Platform::current();
        std::optional<ScreenInfo> screen = DisplayGeometry::screen(m_space.displayID);
        if (!screen)
            screen = platform.screens().mainScreen();
        if (!screen)
            return;
        // A refusal is the system's to report; the program keeps no record of desktop pictures.
        (void)platform.workspace().setDesktopImageURL(QUrl::fromLocalFile(*chosen), *screen);
    });
}

// ---- the automation sections ----

void SpaceEditor::addLaunchApps()
{
    m_services.panels->chooseApplications(true, this, [this](const std::optional<QStringList>& chosen) {
        if (!chosen)
            return;
        for (const QString& path : *chosen) {
            if (!m_working.automation.launchApps.contains(path))
                m_working.automation.launchApps.append(path);
        }
        save();
        showAutomationRows();
    });
}

void SpaceEditor::addPinnedApps()
{
    m_services.panels->chooseApplications(true, this, [this](const std::optional<QStringList>& chosen) {
        if (!chosen)
            return;
        RunningApplications& apps = Platform::current().runningApplications();
        for (const QString& path : *chosen) {
            const auto bundleID = apps.bundleIdentifier(path);
            if (!bundleID || bundleID->isEmpty())
                continue;
            if (!m_working.automation.pinnedApps.contains(*bundleID))
                m_working.automation.pinnedApps.append(*bundleID);
        }
        save();
        showAutomationRows();
    });
}

void SpaceEditor::addURL()
{
    const QString entry = trimmedSpacesAndTabs(m_newURL);
    if (entry.isEmpty())
        return;
    m_working.automation.openURLs.append(entry);
    m_newURL.clear();
    {
        const QSignalBlocker quiet(m_urlField);
        m_urlField->clear();
    }
    save();
    showAutomationRows();
}

void SpaceEditor::removeEntry(int kind, const QString& entry)
{
    SpaceAutomation& a = m_working.automation;
    QStringList& list = kind == launchList ? a.launchApps : kind == urlList ? a.openURLs : a.pinnedApps;
    list.removeAll(entry);
    save();
    showAutomationRows();
}

void SpaceEditor::runSetUp()
{
    save();
    m_services.onRunSetup(m_space);
}

// ---- coming on screen and going ----

void SpaceEditor::showEvent(QShowEvent* event)
{
    PaneForm::showEvent(event);
    if (m_appearance)
        return; // already on screen
    m_appearance.emplace(m_services.scheduler);
    load();
    if (hasShortcutsTool())
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
    shortcutQueue().async([apply = m_appearance->wrap([this](const QStringList& names) { applyShortcutNames(names); })] {
        apply(AutomationRunner::availableShortcuts());
    });
}

void SpaceEditor::applyShortcutNames(const QStringList& names)
{
    m_enterShortcut->setNames(names);
    m_leaveShortcut->setNames(names);
}

// ---- the shortcut chooser ----

ShortcutChooser::ShortcutChooser(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_title(title)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    rebuild();
}

void ShortcutChooser::setNames(const QStringList& names)
{
    m_names = names;
    rebuild();
}

void ShortcutChooser::setValue(const QString& value)
{
    if (value == m_value && (m_field || m_picker))
        return;
    m_value = value;
    // A field only changes its text; a picker is rebuilt, as a stored name the list lacks joins it.
    if (m_field) {
        m_field->setText(value);
        return;
    }
    rebuild();
}

void ShortcutChooser::setLabelWidth(int width)
{
    m_labelWidth = width;
    if (auto* label = findChild<QLabel*>())
        label->setMinimumWidth(width);
}

void ShortcutChooser::rebuild()
{
    while (QLayoutItem* item = m_layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_field = nullptr;
    m_picker = nullptr;
    auto* row = new QWidget(this);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    auto* label = new QLabel(m_title, row);
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(m_labelWidth);
    line->addWidget(label);
    if (m_names.isEmpty()) {
        m_field = new QLineEdit(row);
        m_field->setPlaceholderText(tr("Shortcut name, exactly as in the Shortcuts app"));
        m_field->setText(m_value);
        label->setBuddy(m_field);
        line->addWidget(m_field, 1);
        connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
            m_value = text;
            if (onChange)
                onChange(text);
        });
    } else {
        m_picker = new QComboBox(row);
        m_picker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        m_picker->setMinimumContentsLength(6);
        m_picker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_picker->addItem(tr("None"), QString());
        if (!m_value.isEmpty() && !m_names.contains(m_value))
            m_picker->addItem(m_value, m_value);
        for (const QString& name : m_names)
            m_picker->addItem(name, name);
        m_picker->setCurrentIndex(m_picker->findData(m_value));
        label->setBuddy(m_picker);
        line->addWidget(m_picker, 1);
        connect(m_picker, &QComboBox::currentIndexChanged, this, [this](int index) {
            if (index < 0 || !m_picker)
                return;
            const QString chosen = m_picker->itemData(index).toString();
            if (chosen == m_value)
                return;
            m_value = chosen;
            if (onChange)
                onChange(chosen);
            // A stored name the list lacks stays offered only while it is the choice.
            QMetaObject::invokeMethod(this, [this] { rebuild(); }, Qt::QueuedConnection);
        });
    }
    m_layout->addWidget(row);
}

} // namespace lumivast
