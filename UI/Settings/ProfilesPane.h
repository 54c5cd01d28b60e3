#pragma once

#include "Core/Menus/MenuItem.h"
#include "Core/Profiles/ProfileStore.h"
#include "Core/Profiles/SpaceTemplate.h"
#include "UI/Settings/PaneKit.h"

#include <vector>

class QLineEdit;
class QPushButton;

namespace lumivast {

class SettingsServices;

// Saved profiles (use one, bind it to the displays connected now, update it
// from the current Spaces, delete it, save the current Spaces as a new one)
// and the Space templates (apply one, import one). Profiles are read through
// a fresh store on every reload; templates are read anew whenever the pane
// redraws after an action.
class ProfilesPane final : public PaneForm {
    Q_OBJECT
public:
    explicit ProfilesPane(SettingsServices& services, QWidget* parent = nullptr);

    // "Save Current Spaces": the name without spaces and tabs at its ends; nothing for an empty one.
    static QString trimmedName(const QString& text);
    // Built-in templates, then those of templates.json in file order.
    static std::vector<SpaceTemplate> templates();

    void reloadProfiles();
    void use(const QString& name);
    void bindToCurrentDisplays(const QString& name);
    void update(const QString& name);
    void remove(const QString& name);
    void saveCurrentSpaces();
    void apply(const SpaceTemplate& chosen);
    void importTemplate();
    // The "More" menu of a profile row.
    std::vector<MenuItem> moreMenu(const QString& name);

    const std::vector<SpaceProfile>& profiles() const { return m_profiles; }
    QLineEdit* nameField() const { return m_newName; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* importButton() const { return m_import; }
    // The rows as shown, for finding their buttons.
    QWidget* profileRow(int index) const;
    QWidget* templateRow(int index) const;

private:
    ProfileStore makeStore() const;
    void showProfiles();
    void showTemplates();

    SettingsServices& m_services;
    FormSection* m_profilesSection = nullptr;
    FormSection* m_templatesSection = nullptr;
    std::vector<SpaceProfile> m_profiles;
    std::vector<QWidget*> m_profileRows;
    std::vector<QWidget*> m_templateRows;
    QWidget* m_newRow = nullptr;
    QLineEdit* m_newName = nullptr;
    QPushButton* m_save = nullptr;
    QWidget* m_importRow = nullptr;
    QPushButton* m_import = nullptr;
};

} // namespace lumivast
