#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Lifetime.h"
#include "UI/Settings/PaneKit.h"
#include "UI/Settings/SpaceEditorSections.h"

#include <optional>

namespace lumivast {

class SerialQueue;
class SettingsServices;

// The form in which the user edits everything kept about one Space: its
// identity, what happens on entering and leaving it, the apps that belong to
// it, and its desktop picture, each a section of its own. The sections work
// on a copy filled from the store when the editor comes on screen (`load`,
// which never writes) and written back by `save` at fixed moments, going off
// screen among them. `save` writes only the fields the user changed since the
// last load or save, so it never undoes what another part of the program
// stored for the same Space meanwhile. Main thread.
class SpaceEditor final : public PaneForm {
    Q_OBJECT
public:
    SpaceEditor(SettingsServices& services, const Space& space, QWidget* parent = nullptr);
    ~SpaceEditor() override;

    const Space& space() const { return m_editing.space; }
    // The same Space as the latest snapshot has it (its activity may have changed); the copy stays.
    void setSpace(const Space& space);

    void load();
    void save();

    // Where shortcut lists are read, one after another, away from the main thread.
    static SerialQueue& shortcutQueue();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildButtons();
    void resetEverything();
    void loadShortcutNames();

    SpaceEditing m_editing;
    SpaceEditing::Record m_saved; // what the last load or save left in the store, as the form holds it
    bool m_loadedOnce = false;
    // Alive while the editor is on screen; a shortcut list that arrives after it went is dropped.
    std::optional<Lifetime> m_appearance;

    SpaceIdentitySection* m_identity = nullptr;
    SpaceEnterSection* m_enter = nullptr;
    SpacePinnedSection* m_pinned = nullptr;
    SpaceLeaveSection* m_leave = nullptr;
    SpaceWallpaperSection* m_wallpaper = nullptr;
};

} // namespace lumivast
