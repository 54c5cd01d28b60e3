#pragma once

#include "Platform/Scheduler.h"
#include "UI/Panels/Panel.h"
#include "UI/SpaceDock/SpaceDockModel.h"
#include "UI/SpaceDock/SpaceDockView.h"

#include <QObject>
#include <QPointer>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumivast {

class SpaceStore;
struct SpaceSnapshot;

// A narrow floating column with the current Space's name above one icon per
// application that has a window there (setting "spaceDock"). Clicking an icon
// hands its entry (the application's first window) to `onFocus`. The user may
// drag the column; its frame is remembered in the defaults.
class SpaceDockController final : public QObject {
    Q_OBJECT
public:
    static inline const QString kAutosaveName = QStringLiteral("LumivastSpaceDock");
    // The defaults key that holds the remembered frame, as "x y w h" (origin bottom left).
    static QString frameDefaultsKey() { return Panel::frameDefaultsKey(kAutosaveName); }

    explicit SpaceDockController(Scheduler& scheduler, QObject* parent = nullptr);
    ~SpaceDockController() override;

    // Shows or refreshes the dock with the first window of each process
    // among `windows`, or hides it when the setting is off (leaving the model
    // as it was). Main thread.
    void update(const std::vector<SpaceContents::WindowInfo>& windows, const QString& spaceName);
    // update() for the menu-bar display's active Space: its windows and its
    // shown name. Without such a Space the dock is left as it is.
    void updateForCurrentSpace(const SpaceSnapshot& snapshot, const SpaceContents& contents, const SpaceStore& store);

    // Set by the application: raise the window of the entry.
    std::function<void(const SpaceContents::WindowInfo&)> onFocus;

    SpaceDockModel& model() { return m_model; }
    Panel* panel() const { return m_panel.get(); }
    SpaceDockView* view() const { return m_view; }

    // The remembered frame, if any.
    static std::optional<QRectF> savedFrame() { return Panel::savedFrame(kAutosaveName); }

private:
    void makePanel();
    void applyFrame(const QRectF& frame);

    Scheduler& m_scheduler;
    std::unique_ptr<Panel> m_panel;
    SpaceDockModel m_model;
    QPointer<SpaceDockView> m_view;
};

} // namespace lumivast
