#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"
#include "Platform/Screens.h"
#include "UI/HUD/HUDView.h"

#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

namespace lumivast {

class Panel;
class SpaceStore;

// One short-lived, click-through capsule: the switch HUD naming the Space just
// entered, and the toasts through which commands report their outcome. Both
// share one panel, so every presentation replaces the one on screen and
// restarts its timer. Main thread only.
class HUDController {
public:
    static constexpr double toastScale = 0.85;
    static constexpr Duration minimumToastDuration = 1600ms;
    static constexpr Duration fadeOutDuration = 250ms;
    static constexpr double topInset = 40;     // below the top of the visible frame
    static constexpr double bottomInset = 80;  // above the bottom of the visible frame
    static inline const QString defaultToastSymbol = QStringLiteral("checkmark.circle.fill");
    static inline const QString errorSymbol = QStringLiteral("exclamationmark.triangle.fill");
    static inline const QColor toastColor = QColor(52, 199, 89);  // green
    static inline const QColor errorColor = QColor(255, 149, 0);  // orange

    // What the latest presentation put on screen.
    struct Presentation {
        HUDView view;
        ScreenInfo screen;
        Duration duration;
        QRectF frame; // the panel's frame, bottom-left global coordinates
    };

    explicit HUDController(Scheduler& scheduler);
    ~HUDController();
    HUDController(const HUDController&) = delete;
    HUDController& operator=(const HUDController&) = delete;

    // Shows `message` unchanged on the screen under the pointer, whatever
    // "hudEnabled" says. An error shows the warning symbol in orange instead of `symbol`.
    void toast(const QString& message, const QString& symbol = defaultToastSymbol, bool isError = false);
    // The switch HUD for a Space that has just become active; nothing when "hudEnabled" is off.
    void show(const Space& space, const SpaceStore& store);

    const std::optional<Presentation>& lastPresentation() const { return m_last; }
    // Whether the panel is on screen (fading out counts).
    bool isShowing() const;
    // The panel once something was presented; null before.
    const Panel* panel() const { return m_panel.get(); }

private:
    void present(HUDView view, const ScreenInfo& screen, Duration duration);
    void hide();

    Scheduler& m_scheduler;
    std::unique_ptr<Panel> m_panel;
    WorkItem m_hideWork;
    std::optional<Presentation> m_last;
};

} // namespace lumivast
