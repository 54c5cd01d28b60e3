#include "UI/Settings/SpaceEditorSections.h"

#include "Core/Automation/BrowserProfiles.h"
#include "Core/Notes/NoteFiles.h"
#include "Core/Shell/Blanks.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/Platform.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Symbols/SymbolCatalogue.h"

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

namespace lumivast {

namespace {

constexpr int kAppIconSize = 18;

constexpr auto optionalText = &SpaceEditing::optionalText;

// The name tests and accessibility tools find the control by.
template <typename Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
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

// A field kept in the working copy as typed and saved on Return.
void bindReturnField(QLineEdit* edit, SpaceEditing& editing, std::optional<QString> SpaceAutomation::*member)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit,
                     [&editing, member](const QString& text) { editing.working.automation.*member = optionalText(text); });
    QObject::connect(edit, &QLineEdit::returnPressed, edit, [&editing] { editing.save(); });
}

// "Run Shortcut" as a row of `section`, lined up with its labels, saving every change. Hidden where
// the system has no Shortcuts app.
ShortcutChooser* addShortcutRow(FormSection& section, SpaceEditing& editing, const char* name,
                                std::optional<QString> SpaceAutomation::*member)
{
    auto* chooser = named(new ShortcutChooser(QStringLiteral("Run Shortcut")), name);
    section.addRow(chooser);
    section.alignLabel(chooser->label());
    chooser->setVisible(ShortcutChooser::available());
    chooser->onChange = [&editing, member](const QString& value) {
        editing.working.automation.*member = optionalText(value);
        editing.save();
    };
    return chooser;
}

// Puts `text` into `edit` without reporting it.
void setQuietly(QLineEdit* edit, const QString& text)
{
    const QSignalBlocker quiet(edit);
    edit->setText(text);
}

} // namespace

// One row per entry of an automation list: its icon, its name and a button
// that removes it. Hidden while the list is empty.
class EntryRows final : public QWidget {
public:
    enum class Kind { launchApps, urls, pinnedApps };

    EntryRows(Kind kind, std::function<void(const QString&)> remove)
        : m_kind(kind)
        , m_remove(std::move(remove))
    {
        new QVBoxLayout(this);
        layout()->setContentsMargins(0, 0, 0, 0);
    }

    void setEntries(const QStringList& entries)
    {
        while (QLayoutItem* item = layout()->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        Platform& platform = Platform::current();
        RunningApplications& apps = platform.runningApplications();
        const qreal ratio = devicePixelRatioF();
        for (const QString& entry : entries) {
            auto* row = new QWidget(this);
            row->setProperty("entry", entry);
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 0, 0, 0);
            line->setSpacing(8);
            const auto addApp = [&](const QString& path) {
                line->addWidget(iconLabel(scaledIcon(apps.iconForFile(path), kAppIconSize, ratio), kAppIconSize));
                auto* name = new QLabel(apps.displayName(path));
                name->setTextFormat(Qt::PlainText);
                name->setToolTip(entry);
                line->addWidget(name);
            };
            if (m_kind == Kind::launchApps) {
                addApp(entry);
            } else if (m_kind == Kind::urls) {
                line->addWidget(iconLabel(SymbolCatalogue::image(QStringLiteral("link"), kAppIconSize,
                                                                 palette().color(QPalette::Text), ratio),
                                          kAppIconSize));
                line->addWidget(new ElidedLabel(entry), 1);
            } else if (const auto url = platform.workspace().urlForApplication(entry)) {
                addApp(url->toLocalFile());
            } else {
                auto* id = new QLabel(entry);
                id->setTextFormat(Qt::PlainText);
                line->addWidget(id);
            }
            if (m_kind != Kind::urls) // an address takes the whole row before it is shortened
                line->addStretch(1);
            auto* remove = new QToolButton(row);
            remove->setAutoRaise(true);
            remove->setIcon(QIcon(SymbolCatalogue::image(QStringLiteral("minus.circle"), 16, PaneKit::destructiveColor(), ratio)));
            remove->setToolTip(tr("Remove"));
            remove->setAccessibleName(tr("Remove"));
            line->addWidget(remove);
            connect(remove, &QToolButton::clicked, this, [this, entry] { m_remove(entry); });
            layout()->addWidget(row);
        }
        setVisible(!entries.isEmpty());
    }

private:
    Kind m_kind;
    std::function<void(const QString&)> m_remove;
};

// ---- identity ----

SpaceIdentitySection::SpaceIdentitySection(SpaceEditing& editing, QWidget* parent)
    : FormSection(tr("Identity"), parent)
    , m_editing(editing)
{
    setObjectName(QStringLiteral("identity"));
    const Space& space = editing.space;
    const auto textField = [this, &editing](QLineEdit* edit, const QString& label, QString SpaceEditing::Record::*member) {
        addRow(label, edit);
        connect(edit, &QLineEdit::textEdited, this, [&editing, member](const QString& text) { editing.working.*member = text; });
        connect(edit, &QLineEdit::returnPressed, this, [&editing] { editing.save(); });
        return edit;
    };
    m_name = textField(named(field(space.desktopNumber ? tr("Desktop %1").arg(*space.desktopNumber) : tr("Full Screen")), "nameField"),
                       tr("Name"), &SpaceEditing::Record::name);
    m_note = textField(named(field(tr("What is this Space for?")), "noteField"), tr("Note"), &SpaceEditing::Record::note);
    m_group = textField(named(field(tr("Work, Personal, Clients\u2026")), "categoryField"), tr("Category"),
                        &SpaceEditing::Record::group);

    auto* notesFile = named(new QPushButton(tr("Open Notes File")), "notesFileButton");
    addRow(std::vector<QWidget*>{notesFile, nullptr});
    // The file takes what the store holds now: unsaved text stays in the form.
    connect(notesFile, &QPushButton::clicked, this, [this] { NoteFiles::open(m_editing.space, m_editing.services.store); });

    // Pickers save at once, and with them whatever was typed before.
    const auto savedPicker = [this](QComboBox* box, const QString& label, QString SpaceEditing::Record::*member) {
        addRow(label, box);
        connect(box, &QComboBox::currentIndexChanged, this, [this, box, member](int index) {
            if (index < 0)
                return;
            m_editing.working.*member = box->itemData(index).toString();
            m_editing.save();
        });
        return box;
    };
    m_symbolPicker = named(picker(), "iconPicker");
    m_symbolPicker->addItem(tr("Default"), QString());
    const QColor symbolColor = palette().color(QPalette::Text);
    for (const QString& name : SpaceStore::symbolChoices())
        m_symbolPicker->addItem(QIcon(SymbolCatalogue::image(name, 16, symbolColor, devicePixelRatioF())), name, name);
    savedPicker(m_symbolPicker, tr("Icon"), &SpaceEditing::Record::symbol);

    m_colorPicker = named(picker(), "colorPicker");
    m_colorPicker->addItem(tr("None"), QString());
    for (const SpaceStore::ColorChoice& choice : SpaceStore::colorChoices())
        m_colorPicker->addItem(choice.name, choice.hex);
    savedPicker(m_colorPicker, tr("Color"), &SpaceEditing::Record::colorHex);

    // The icon image is stored at once, outside the working copy.
    m_iconImage = named(new QLabel, "iconImage");
    m_iconImage->setFixedSize(kIconImageSize, kIconImageSize);
    m_iconRemove = named(new QPushButton(tr("Remove")), "iconRemoveButton");
    auto* choose = named(new QPushButton(tr("Choose\u2026")), "iconChooseButton");
    addRow(std::vector<QWidget*>{new QLabel(tr("Icon image")), nullptr, m_iconImage, m_iconRemove, choose});
    connect(choose, &QPushButton::clicked, this, [this] {
        m_editing.services.panels->chooseImage(this, [this](const std::optional<QString>& chosen) {
            if (!chosen)
                return;
            m_editing.services.store.setCustomIcon(*chosen, m_editing.space.id);
            showIconImage();
        });
    });
    connect(m_iconRemove, &QPushButton::clicked, this, [this] {
        m_editing.services.store.setCustomIcon(std::nullopt, m_editing.space.id);
        showIconImage();
    });
    // Until the first load the image is not decoded: it shows nothing.
    m_iconImage->hide();
    m_iconRemove->hide();
}

void SpaceIdentitySection::fill()
{
    const SpaceEditing::Record& working = m_editing.working;
    setQuietly(m_name, working.name);
    setQuietly(m_note, working.note);
    setQuietly(m_group, working.group);
    {
        const QSignalBlocker quietSymbol(m_symbolPicker);
        const QSignalBlocker quietColor(m_colorPicker);
        m_symbolPicker->setCurrentIndex(m_symbolPicker->findData(working.symbol));
        m_colorPicker->setCurrentIndex(m_colorPicker->findData(working.colorHex));
    }
    showIconImage();
}

void SpaceIdentitySection::showIconImage()
{
    const std::optional<QImage> icon = m_editing.services.store.customIcon(m_editing.space);
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

// ---- entering ----

SpaceEnterSection::SpaceEnterSection(SpaceEditing& editing, QWidget* parent)
    : FormSection(tr("When you enter this Space"), parent)
    , m_editing(editing)
{
    setObjectName(QStringLiteral("enter"));
    // Removing takes every equal entry.
    const auto remover = [this](QStringList SpaceAutomation::*list) {
        return [this, list](const QString& entry) {
            (m_editing.working.automation.*list).removeAll(entry);
            m_editing.save();
            showRows();
        };
    };
    m_launchRows = named(new EntryRows(EntryRows::Kind::launchApps, remover(&SpaceAutomation::launchApps)), "launchAppRows");
    addRow(m_launchRows);
    auto* addLaunchApp = named(new QPushButton(tr("Add App\u2026")), "addLaunchAppButton");
    addRow(std::vector<QWidget*>{addLaunchApp, nullptr});
    connect(addLaunchApp, &QPushButton::clicked, this, [this] { addLaunchApps(); });

    m_urlRows = named(new EntryRows(EntryRows::Kind::urls, remover(&SpaceAutomation::openURLs)), "urlRows");
    addRow(m_urlRows);
    m_urlField = named(field(tr("https://\u2026 or ~/Documents/\u2026")), "urlField");
    m_urlField->setAccessibleName(tr("Open URL or file"));
    auto* addURLButton = named(new QPushButton(tr("Add")), "addURLButton");
    auto* urlLabel = new QLabel(tr("Open URL or file"));
    urlLabel->setBuddy(m_urlField);
    alignLabel(urlLabel);
    QWidget* urlLine = addRow(std::vector<QWidget*>{urlLabel, m_urlField, addURLButton});
    static_cast<QHBoxLayout*>(urlLine->layout())->setStretchFactor(m_urlField, 1);
    connect(m_urlField, &QLineEdit::textEdited, this, [this](const QString& text) { m_newURL = text; });
    connect(addURLButton, &QPushButton::clicked, this, [this] { addURL(); });

    const auto toggle = [this](const QString& label, const char* name, bool SpaceAutomation::*flag) {
        auto* box = named(new WrappingCheckBox(label), name);
        addRow(box);
        connect(box, &QCheckBox::toggled, this, [this, flag](bool on) {
            m_editing.working.automation.*flag = on;
            m_editing.save();
        });
        return box;
    };
    m_launchOnce = toggle(tr("Only the first time after login"), "launchOnceToggle", &SpaceAutomation::launchOnce);
    m_onlyIfEmpty = toggle(tr("Only when the Space is empty"), "onlyIfEmptyToggle", &SpaceAutomation::launchOnlyIfEmpty);
    m_hideOthers = toggle(tr("Hide apps that have no window here"), "hideOthersToggle", &SpaceAutomation::hideOtherApps);

    // Fields written on Return: until then the text lives in the working copy only.
    m_keystroke = named(field(tr("e.g. cmd+shift+1")), "keystrokeField");
    addRow(tr("Send keystroke"), m_keystroke);
    bindReturnField(m_keystroke, m_editing, &SpaceAutomation::keystrokeOnEnter);

    m_browser = named(picker(), "browserPicker");
    m_browser->addItem(tr("None"), QString());
    for (const BrowserProfiles::Browser& browser : BrowserProfiles::supported())
        m_browser->addItem(browser.name, browser.bundle);
    addRow(tr("Browser profile"), m_browser);
    connect(m_browser, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        m_editing.working.automation.browserApp = optionalText(m_browser->itemData(index).toString());
        m_editing.save();
        showRows();
    });
    m_profile = named(field(tr("Default, Profile 1, Profile 2\u2026")), "profileField");
    m_profileRow = named(addRow(tr("Profile folder"), m_profile), "profileRow");
    bindReturnField(m_profile, m_editing, &SpaceAutomation::browserProfile);

    m_shortcut = addShortcutRow(*this, m_editing, "enterShortcut", &SpaceAutomation::shortcutOnEnter);

    m_command = named(field(ShortcutChooser::available() ? tr("e.g. open -g 'raycast://\u2026'") : tr("e.g. xdg-open 'https://\u2026'")),
                      "enterCommandField");
    m_command->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    addRow(tr("Run shell command"), m_command);
    bindReturnField(m_command, m_editing, &SpaceAutomation::scriptOnEnter);

    auto* setUp = named(new QPushButton(tr("Set Up This Space Now")), "setUpButton");
    m_setUpRow = addRow(std::vector<QWidget*>{setUp, nullptr});
    // The setup reads the store: what the form holds goes there first.
    connect(setUp, &QPushButton::clicked, this, [this] {
        m_editing.save();
        m_editing.services.onRunSetup(m_editing.space);
    });
    showRows();
}

void SpaceEnterSection::fill()
{
    const SpaceAutomation& a = m_editing.working.automation;
    {
        const QSignalBlocker quietOnce(m_launchOnce);
        const QSignalBlocker quietEmpty(m_onlyIfEmpty);
        const QSignalBlocker quietOthers(m_hideOthers);
        const QSignalBlocker quietBrowser(m_browser);
        m_launchOnce->setChecked(a.launchOnce);
        m_onlyIfEmpty->setChecked(a.launchOnlyIfEmpty);
        m_hideOthers->setChecked(a.hideOtherApps);
        m_browser->setCurrentIndex(m_browser->findData(a.browserApp.value_or(QString())));
    }
    setQuietly(m_keystroke, a.keystrokeOnEnter.value_or(QString()));
    setQuietly(m_profile, a.browserProfile.value_or(QString()));
    setQuietly(m_command, a.scriptOnEnter.value_or(QString()));
    setQuietly(m_urlField, m_newURL);
    m_shortcut->setValue(a.shortcutOnEnter.value_or(QString()));
    showRows();
}

void SpaceEnterSection::setShortcutNames(const QStringList& names)
{
    m_shortcut->setNames(names);
}

void SpaceEnterSection::showRows()
{
    const SpaceAutomation& a = m_editing.working.automation;
    m_launchRows->setEntries(a.launchApps);
    m_urlRows->setEntries(a.openURLs);
    m_profileRow->setVisible(a.browserApp.has_value());
    m_setUpRow->setVisible(!a.launchApps.isEmpty() || !a.openURLs.isEmpty());
}

void SpaceEnterSection::addLaunchApps()
{
    m_editing.services.panels->chooseApplications(true, this, [this](const std::optional<QStringList>& chosen) {
        if (!chosen)
            return;
        for (const QString& path : *chosen) {
            if (!m_editing.working.automation.launchApps.contains(path))
                m_editing.working.automation.launchApps.append(path);
        }
        m_editing.save();
        showRows();
    });
}

void SpaceEnterSection::addURL()
{
    const QString entry = trimmedSpacesAndTabs(m_newURL);
    if (entry.isEmpty())
        return;
    m_editing.working.automation.openURLs.append(entry);
    m_newURL.clear();
    setQuietly(m_urlField, QString());
    m_editing.save();
    showRows();
}

// ---- apps that belong here ----

SpacePinnedSection::SpacePinnedSection(SpaceEditing& editing, QWidget* parent)
    : FormSection(tr("Apps that belong here"), parent)
    , m_editing(editing)
{
    setObjectName(QStringLiteral("pinned"));
    m_rows = named(new EntryRows(EntryRows::Kind::pinnedApps,
                                 [this](const QString& entry) {
                                     m_editing.working.automation.pinnedApps.removeAll(entry);
                                     m_editing.save();
                                     fill();
                                 }),
                   "pinnedRows");
    addRow(m_rows);
    auto* add = named(new QPushButton(tr("Add App\u2026")), "addPinnedAppButton");
    addRow(std::vector<QWidget*>{add, nullptr});
    connect(add, &QPushButton::clicked, this, [this] { addPinnedApps(); });
    addCaption(tr("New windows of these apps are moved to this Space automatically. You can still move them "
                  "elsewhere afterwards."));
    fill();
}

void SpacePinnedSection::fill()
{
    m_rows->setEntries(m_editing.working.automation.pinnedApps);
}

void SpacePinnedSection::addPinnedApps()
{
    m_editing.services.panels->chooseApplications(true, this, [this](const std::optional<QStringList>& chosen) {
        if (!chosen)
            return;
        RunningApplications& apps = Platform::current().runningApplications();
        QStringList& pinned = m_editing.working.automation.pinnedApps;
        for (const QString& path : *chosen) {
            const auto bundleID = apps.bundleIdentifier(path);
            if (!bundleID || bundleID->isEmpty())
                continue;
            if (!pinned.contains(*bundleID))
                pinned.append(*bundleID);
        }
        m_editing.save();
        fill();
    });
}

// ---- leaving ----

SpaceLeaveSection::SpaceLeaveSection(SpaceEditing& editing, QWidget* parent)
    : FormSection(tr("When you leave this Space"), parent)
    , m_editing(editing)
{
    setObjectName(QStringLiteral("leave"));
    const bool shortcuts = ShortcutChooser::available();
    m_shortcut = addShortcutRow(*this, m_editing, "leaveShortcut", &SpaceAutomation::shortcutOnLeave);
    m_command = named(field(shortcuts ? tr("e.g. shortcuts run 'Focus Off'") : tr("e.g. notify-send 'Left the Space'")),
                      "leaveCommandField");
    m_command->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    addRow(tr("Run shell command"), m_command);
    bindReturnField(m_command, m_editing, &SpaceAutomation::scriptOnLeave);
    addCaption(shortcuts ? tr("Commands get LUMIVAST_SPACE_NAME, LUMIVAST_SPACE_NUMBER and LUMIVAST_SPACE_ID. Use "
                              "Shortcuts for Focus, Do Not Disturb and volume.")
                         : tr("Commands get LUMIVAST_SPACE_NAME, LUMIVAST_SPACE_NUMBER and LUMIVAST_SPACE_ID."));
}

void SpaceLeaveSection::fill()
{
    const SpaceAutomation& a = m_editing.working.automation;
    setQuietly(m_command, a.scriptOnLeave.value_or(QString()));
    m_shortcut->setValue(a.shortcutOnLeave.value_or(QString()));
}

void SpaceLeaveSection::setShortcutNames(const QStringList& names)
{
    m_shortcut->setNames(names);
}

// ---- wallpaper ----

SpaceWallpaperSection::SpaceWallpaperSection(SpaceEditing& editing, QWidget* parent)
    : FormSection(tr("Wallpaper"), parent)
    , m_editing(editing)
{
    setObjectName(QStringLiteral("wallpaper"));
    m_button = named(new QPushButton(tr("Set Wallpaper for This Space\u2026")), "wallpaperButton");
    addRow(std::vector<QWidget*>{m_button, nullptr});
    m_caption = named(addCaption(QString()), "wallpaperCaption");
    connect(m_button, &QPushButton::clicked, this, [this] { choose(); });
    showState();
}

void SpaceWallpaperSection::showState()
{
    const bool current = m_editing.space.isActive;
    m_button->setEnabled(current);
    const QString system = Platform::current().parts().words().system;
    m_caption->setText(current ? tr("%1 keeps a wallpaper per Space; this sets the one for the Space you are on.").arg(system)
                               : tr("Switch to this Space first; %1 only changes the wallpaper of the current Space.").arg(system));
}

void SpaceWallpaperSection::choose()
{
    m_editing.services.panels->chooseImage(this, [this](const std::optional<QString>& chosen) {
        if (!chosen)
            return;
        Platform& platform = Platform::current();
        std::optional<ScreenInfo> screen = DisplayGeometry::screen(m_editing.space.displayID);
        if (!screen)
            screen = platform.screens().mainScreen();
        if (!screen)
            return;
        // A refusal is the system's to report; the program keeps no record of desktop pictures.
        (void)platform.workspace().setDesktopImageURL(QUrl::fromLocalFile(*chosen), *screen);
    });
}

// ---- the shortcut chooser ----

bool ShortcutChooser::available()
{
    return Platform::current().parts().has(SystemParts::Part::shortcutsTool);
}

ShortcutChooser::ShortcutChooser(const QString& title, QWidget* parent)
    : QWidget(parent)
{
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(8);
    m_label = new QLabel(title, this);
    m_label->setTextFormat(Qt::PlainText);
    m_layout->addWidget(m_label);
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

void ShortcutChooser::rebuild()
{
    // The title stays; the control beside it is made anew.
    delete m_field;
    delete m_picker;
    m_field = nullptr;
    m_picker = nullptr;
    if (m_names.isEmpty()) {
        m_field = new QLineEdit(this);
        m_field->setPlaceholderText(tr("Shortcut name, exactly as in the Shortcuts app"));
        m_field->setText(m_value);
        m_label->setBuddy(m_field);
        m_layout->addWidget(m_field, 1);
        connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
            m_value = text;
            if (onChange)
                onChange(text);
        });
        return;
    }
    m_picker = new QComboBox(this);
    m_picker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_picker->setMinimumContentsLength(6);
    m_picker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_picker->addItem(tr("None"), QString());
    if (!m_value.isEmpty() && !m_names.contains(m_value))
        m_picker->addItem(m_value, m_value);
    for (const QString& name : m_names)
        m_picker->addItem(name, name);
    m_picker->setCurrentIndex(m_picker->findData(m_value));
    m_label->setBuddy(m_picker);
    m_layout->addWidget(m_picker, 1);
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

} // namespace lumivast
