#pragma once

#include "Core/Spaces/SpaceMeta.h"
#include "Core/Spaces/SpaceModel.h"
#include "UI/Settings/PaneKit.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lumivast {

class EntryRows;
class SettingsServices;
class ShortcutChooser;

// What the sections of one Space editor work on: the Space, the working copy
// of its record as the form shows it, and the editor's save. The editor owns
// it and outlives its sections; a section edits `working` in place and calls
// `save` at the moments the user expects a change to be kept.
struct SpaceEditing {
    struct Record {
        QString name;
        QString note;
        QString group;
        QString symbol;
        QString colorHex;
        SpaceAutomation automation;
        bool operator==(const Record&) const = default;
    };
    SettingsServices& services;
    Space space;
    Record working;
    std::function<void()> save;

    // Empty is absent; anything else is kept exactly as typed.
    static std::optional<QString> optionalText(const QString& text)
    {
        return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
    }
};

// Every section's `fill` puts the working copy into its controls, none of
// them reacting.

// Name, note, category, the notes file, symbol, colour and icon image.
class SpaceIdentitySection final : public FormSection {
    Q_OBJECT
public:
    static constexpr int kIconImageSize = 22;
    static constexpr int kIconImageRadius = 5;

    SpaceIdentitySection(SpaceEditing& editing, QWidget* parent);
    void fill();

private:
    void showIconImage();

    SpaceEditing& m_editing;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_note = nullptr;
    QLineEdit* m_group = nullptr;
    QComboBox* m_symbolPicker = nullptr;
    QComboBox* m_colorPicker = nullptr;
    QLabel* m_iconImage = nullptr;
    QPushButton* m_iconRemove = nullptr;
};

// What happens on entering the Space: apps launched, URLs and files opened and
// when, a keystroke, a browser profile, a shortcut and a shell command; and the
// button that does it all now.
class SpaceEnterSection final : public FormSection {
    Q_OBJECT
public:
    SpaceEnterSection(SpaceEditing& editing, QWidget* parent);
    void fill();
    void setShortcutNames(const QStringList& names);

private:
    void showRows();
    void addLaunchApps();
    void addURL();

    SpaceEditing& m_editing;
    QString m_newURL; // typed, not added yet; survives a reload
    EntryRows* m_launchRows = nullptr;
    EntryRows* m_urlRows = nullptr;
    QLineEdit* m_urlField = nullptr;
    QCheckBox* m_launchOnce = nullptr;
    QCheckBox* m_onlyIfEmpty = nullptr;
    QCheckBox* m_hideOthers = nullptr;
    QLineEdit* m_keystroke = nullptr;
    QComboBox* m_browser = nullptr;
    QWidget* m_profileRow = nullptr;
    QLineEdit* m_profile = nullptr;
    ShortcutChooser* m_shortcut = nullptr;
    QLineEdit* m_command = nullptr;
    QWidget* m_setUpRow = nullptr;
};

// Apps whose new windows are moved to this Space.
class SpacePinnedSection final : public FormSection {
    Q_OBJECT
public:
    SpacePinnedSection(SpaceEditing& editing, QWidget* parent);
    void fill();

private:
    void addPinnedApps();

    SpaceEditing& m_editing;
    EntryRows* m_rows = nullptr;
};

// What happens on leaving the Space: a shortcut and a shell command.
class SpaceLeaveSection final : public FormSection {
    Q_OBJECT
public:
    SpaceLeaveSection(SpaceEditing& editing, QWidget* parent);
    void fill();
    void setShortcutNames(const QStringList& names);

private:
    SpaceEditing& m_editing;
    ShortcutChooser* m_shortcut = nullptr;
    QLineEdit* m_command = nullptr;
};

// The Space's desktop picture, which the system lets the program set only for
// the Space the user is on.
class SpaceWallpaperSection final : public FormSection {
    Q_OBJECT
public:
    SpaceWallpaperSection(SpaceEditing& editing, QWidget* parent);
    // Follows whether the Space is the current one.
    void showState();

private:
    void choose();

    SpaceEditing& m_editing;
    QPushButton* m_button = nullptr;
    QLabel* m_caption = nullptr;
};

// "Run Shortcut": a text field while no shortcut names are known, else a
// picker of "None", a stored name the list lacks, and the names. Either way
// every change is handed to `onChange` at once.
class ShortcutChooser final : public QWidget {
    Q_OBJECT
public:
    // Whether the system has the Shortcuts app, so that the choosers show at all.
    static bool available();

    explicit ShortcutChooser(const QString& title, QWidget* parent = nullptr);

    void setNames(const QStringList& names);
    // Shows `value` without reporting it.
    void setValue(const QString& value);
    QString value() const { return m_value; }
    bool isPicker() const { return m_picker != nullptr; }
    QLineEdit* field() const { return m_field; }
    QComboBox* picker() const { return m_picker; }
    // The title, to line up with the row labels of the form around it.
    QLabel* label() const { return m_label; }

    std::function<void(const QString&)> onChange;

private:
    void rebuild();

    QString m_value;
    QStringList m_names;
    QHBoxLayout* m_layout = nullptr;
    QLabel* m_label = nullptr;
    QLineEdit* m_field = nullptr;
    QComboBox* m_picker = nullptr;
};

} // namespace lumivast
