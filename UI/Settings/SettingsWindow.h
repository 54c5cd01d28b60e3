#pragma once

#include "Core/Shell/SettingsTab.h"
#include "Platform/Scheduler.h"
#include "UI/Settings/SettingsNavigation.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QListWidget;
class QVBoxLayout;

namespace lumivast {

class SettingsServices;

// The settings window: a sidebar of the ten tabs and, beside it, the pane of
// the selected tab. The pane is built anew on every change of tab and the old
// one destroyed, so a pane's own state (outcome lines, loaded lists) starts
// fresh each time; only the navigation survives. Closing only hides the window.
class SettingsWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSidebarMinWidth = 170;
    static constexpr int kSidebarWidth = 180;
    static constexpr int kSidebarMaxWidth = 220;
    static constexpr int kDetailMinWidth = 520;
    static constexpr int kDetailMinHeight = 520;
    static constexpr QSize kDefaultSize{760, 600};
    // The frame is kept under this key of the program's settings.
    static inline const QString kFrameKey = QStringLiteral("LumivastSettings");
    static constexpr Duration kFrameSaveDelay = 500ms;

    SettingsWindow(SettingsServices& services, SettingsNavigation& navigation, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    QListWidget* sidebar() const { return m_sidebar; }
    // The pane on show now; null while the tab has none.
    QWidget* pane() const { return m_pane; }
    // The size saved by an earlier run, else the default.
    static QSize savedSize();

signals:
    // A new pane was built (or none, for a tab without one).
    void paneReplaced();

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void selectTabRow();
    void replacePane();
    void scheduleFrameSave();
    void saveFrame();

    SettingsServices& m_services;
    SettingsNavigation& m_navigation;
    QListWidget* m_sidebar = nullptr;
    QWidget* m_detail = nullptr;
    QVBoxLayout* m_detailLayout = nullptr;
    QPointer<QWidget> m_pane;
    WorkItem m_frameWork;
};

// Owns the settings window and its selection for the life of the process.
// `show` is the only way into the window.
class SettingsWindowController final : public QObject {
    Q_OBJECT
public:
    explicit SettingsWindowController(SettingsServices& services, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    // Builds the window on the first call (centred, at the saved or default
    // size); later calls never move or resize it. Selects `tab` and `spaceID`
    // when given, then brings the window to the front.
    void show(std::optional<SettingsTab> tab = std::nullopt, std::optional<QString> spaceID = std::nullopt);

    SettingsWindow* window() const { return m_window.get(); }
    SettingsNavigation& navigation() { return m_navigation; }
    SettingsServices& services() { return m_services; }

private:
    SettingsServices& m_services;
    SettingsNavigation m_navigation;
    std::unique_ptr<SettingsWindow> m_window;
};

} // namespace lumivast
