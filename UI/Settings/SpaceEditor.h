#pragma once

#include "Core/Spaces/SpaceMeta.h"
#include "Core/Spaces/SpaceModel.h"
#include "Platform/Lifetime.h"
#include "UI/Settings/PaneKit.h"

#include <QStringList>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace lumivast {

class SerialQueue;
class SettingsServices;
class ShortcutChooser;

// The form in which the user edits everything kept about one Space: name,
// note, category, symbol, colour, icon image, automation, and its desktop
// picture. It works on a copy filled from the store when it comes on screen
// (`load`, which never writes) and written back by `save` at fixed moments,
// going off screen among them. `save` writes only the fields the user changed
// since the last load or save, so it never undoes what another part of the
// program stored for the same Space meanwhile. Main thread.
class SpaceEditor final : public PaneForm {
    Q_OBJECT
public:
    static constexpr int kIconImageSize = 22;
    static constexpr int kIconImageRadius = 5;
    static constexpr int kAppIconSize = 18;

    SpaceEditor(SettingsServices& services, const Space& space, QWidget* parent = nullptr);
    ~SpaceEditor() override;

    const Space& space() const { return m_space; }
    // The same Space as the latest snapshot has it (its activity may have changed); the copy stays.
    void setSpace(const Space& space);

    void load();
    void save();
    void chooseWallpaper();
    void resetEverything();

    // Where shortcut lists are read, one after another, away from the main thread.
    static SerialQueue& shortcutQueue();

    // The working copy, as the form shows it.
    struct Working {
        QString name;
        QString note;
        QString group;
        QString symbol;
        QString colorHex;
        SpaceAutomation automation;
        bool operator==(const Working&) const = default;
    };

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildIdentity();
    void buildEnter();
    void buildPinned();
    void buildLeave();
    void buildWallpaper();
    void buildButtons();

    // Puts the working copy into the controls, none of them reacting.
    void fill();
    void showIconImage();
    void showWallpaperState();
    void showAutomationRows();
    void rebuildList(QWidget* container, const QStringList& entries, int kind);
    void removeEntry(int kind, const QString& entry);

    void addLaunchApps();
    void addPinnedApps();
    void addURL();
    void runSetUp();
    void loadShortcutNames();
    void applyShortcutNames(const QStringList& names);

    SettingsServices& m_services;
    Space m_space;
    Working m_working;
    Working m_saved; // what the last load or save left in the store, as the form holds it
    QString m_newURL;
    bool m_loadedOnce = false;
    // Alive while the editor is on screen; a shortcut list that arrives after it went is dropped.
    std::optional<Lifetime> m_appearance;

    QLineEdit* m_name = nullptr;
    QLineEdit* m_note = nullptr;
    QLineEdit* m_group = nullptr;
    QPushButton* m_notesFile = nullptr;
    QComboBox* m_symbolPicker = nullptr;
    QComboBox* m_colorPicker = nullptr;
    QLabel* m_iconImage = nullptr;
    QPushButton* m_iconRemove = nullptr;
    QPushButton* m_iconChoose = nullptr;

    QWidget* m_launchRows = nullptr;
    QPushButton* m_addLaunchApp = nullptr;
    QWidget* m_urlRows = nullptr;
    QLineEdit* m_urlField = nullptr;
    QPushButton* m_addURL = nullptr;
    QCheckBox* m_launchOnce = nullptr;
    QCheckBox* m_onlyIfEmpty = nullptr;
    QCheckBox* m_hideOthers = nullptr;
    QLineEdit* m_keystroke = nullptr;
    QComboBox* m_browser = nullptr;
    QWidget* m_profileRow = nullptr;
    QLineEdit* m_profile = nullptr;
    ShortcutChooser* m_enterShortcut = nullptr;
    QLineEdit* m_enterCommand = nullptr;
    QPushButton* m_setUp = nullptr;
    QWidget* m_setUpRow = nullptr;
    QWidget* m_pinnedRows = nullptr;
    QPushButton* m_addPinned = nullptr;
    ShortcutChooser* m_leaveShortcut = nullptr;
    QLineEdit* m_leaveCommand = nullptr;
    QPushButton* m_wallpaper = nullptr;
    QLabel* m_wallpaperCaption = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_save = nullptr;
};

// "Run Shortcut": a text field while no shortcut names are known, else a
// picker of "None", a stored name the list lacks, and the names. Either way
// every change is handed to `onChange` at once.
class ShortcutChooser final : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutChooser(const QString& title, QWidget* parent = nullptr);

    void setNames(const QStringList& names);
    // Shows `value` without reporting it.
    void setValue(const QString& value);
    // The width of the title, to line up with the labels of the form around it.
    void setLabelWidth(int width);
    QString value() const { return m_value; }
    bool isPicker() const { return m_picker != nullptr; }
    QLineEdit* field() const { return m_field; }
    QComboBox* picker() const { return m_picker; }

    std::function<void(const QString&)> onChange;

private:
    void rebuild();

    QString m_title;
    int m_labelWidth = 96;
    QString m_value;
    QStringList m_names;
    QVBoxLayout* m_layout = nullptr;
    QLineEdit* m_field = nullptr;
    QComboBox* m_picker = nullptr;
};

} // namespace lumivast
