#pragma once

#include "Core/Strips/StripModel.h"
#include "Platform/Scheduler.h"
#include "Platform/Screens.h"
#include "UI/Panels/Panel.h"
#include "UI/Strips/StripView.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace lumivast {

// The strip of one display's Spaces that drops down under the top edge of a
// screen when the pointer rests there, and fades away once the pointer has
// left it (checked every 0.2 s). One panel, made on the first show and reused.
// Main thread only.
class NotchStripController final : public QObject {
    Q_OBJECT
public:
    static constexpr Duration kFadeIn = 140ms;
    static constexpr Duration kFadeOut = 120ms;
    static constexpr Duration kHideWatchInterval = 200ms;
    static constexpr double kGap = 6; // between the strip and the menu bar or camera housing
    static constexpr double kSideSlack = 30;
    static constexpr double kVerticalSlack = 40;
    static constexpr double kBandWidth = 240; // above the strip, towards the edge the pointer came from
    static constexpr double kBandHeight = 60;

    NotchStripController(Scheduler& scheduler, std::unique_ptr<StripModel> model, QObject* parent = nullptr);
    ~NotchStripController() override;

    // Fills the strip with the display's Spaces (the menu-bar display's when
    // the id is empty or unknown), hangs it under the top of the screen,
    // fades it in and starts the hide watch.
    void show(const ScreenInfo& screen, const std::optional<QString>& displayID);
    // Stops the watch and fades the strip out if it shows. Safe at any time.
    void hide();

    // How far under the screen's top edge the strip hangs from: the safe-area
    // inset (the camera housing) where there is one, else the menu bar's thickness.
    static double topInset(const ScreenInfo& screen);
    // Showing and not fading out.
    bool isVisible() const;
    StripModel& model() { return *m_model; }
    Panel* panel() const { return m_panel.get(); }
    StripView* view() const { return m_view; }

private:
    void startHideWatch();
    void checkPointer();

    Scheduler& m_scheduler;
    std::unique_ptr<StripModel> m_model;
    std::unique_ptr<Panel> m_panel;
    QPointer<StripView> m_view;
    WorkItem m_hideWatch;
};

} // namespace lumivast
