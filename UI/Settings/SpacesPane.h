#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QListWidget;
class QVBoxLayout;

namespace lumivast {

class SettingsNavigation;
class SettingsServices;
class SpaceEditor;

// Every Space of every display in one flat list, and beside it the editor of
// the selected one. The selection lives in the navigation, so other parts of
// the program can open the window on a Space. The list is rebuilt from the
// latest snapshot on every watcher signal and navigation change, never on a
// store change; the editor belongs to one Space id and survives rebuilds.
class SpacesPane final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kListMinWidth = 190;
    static constexpr int kListWidth = 210;
    static constexpr int kListMaxWidth = 260;
    static constexpr int kDetailMinWidth = 320;
    static constexpr int kSymbolSize = 18;

    // Roles of a row.
    static constexpr int kIDRole = Qt::UserRole + 1;
    static constexpr int kSubtitleRole = Qt::UserRole + 2;
    static constexpr int kCurrentRole = Qt::UserRole + 3;
    static constexpr int kTintRole = Qt::UserRole + 4;

    SpacesPane(SettingsServices& services, SettingsNavigation& navigation, QWidget* parent = nullptr);
    ~SpacesPane() override;

    QListWidget* list() const { return m_list; }
    // Null while the detail shows the empty state.
    SpaceEditor* editor() const;
    QLabel* emptyState() const { return m_empty; }

    // Rows and detail again from the latest snapshot.
    // Rows anew; the list scrolls to the selected row only when asked.
    void redraw(bool revealSelection);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildRows(const SpaceSnapshot& snapshot);
    void showDetail(const SpaceSnapshot& snapshot);
    void dropEditor();

    SettingsServices& m_services;
    SettingsNavigation& m_navigation;
    QListWidget* m_list = nullptr;
    QWidget* m_detail = nullptr;
    QVBoxLayout* m_detailLayout = nullptr;
    QLabel* m_empty = nullptr;
    QPointer<SpaceEditor> m_editor;
};

} // namespace lumivast
