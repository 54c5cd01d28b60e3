#pragma once

#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceModel.h"
#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"

#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumivast {

class SpaceSwitcher;

// Moves one window of another application to another Space. The window
// server is asked through the bridge and never taken at its word: the
// window's Spaces are read again 0.12 s later and only that decides. When the
// caller allows it, a move that did not take falls back to holding the
// window's title bar with synthetic mouse events while switching to the
// target, releasing it there and checking again. Main thread only.
class WindowMover final {
public:
    // The window a move acts on.
    struct FrontWindow {
        std::uint32_t id = 0; // window-server window number
        std::int32_t pid = 0; // owner
        QRectF frame;         // global, top-left origin, as the window list gives it
        bool operator==(const FrontWindow&) const = default;
    };

    enum class Failure { noWindow, fullscreenWindow, fullscreenTarget, sameSpace, notMoved };
    // What the user is told.
    static QString description(Failure failure);

    using Result = std::expected<void, Failure>;
    using Completion = std::function<void(Result)>;

    static constexpr Duration kVerifyDelay = 120ms;
    static constexpr Duration kRaiseAfterFollow = 250ms;
    static constexpr Duration kDragSwitchDelay = 120ms;
    static constexpr Duration kDragReleaseDelay = 550ms;
    // Messaging timeout for reading another application's focused window or raising.
    static constexpr double kMessagingTimeout = 0.25;
    // Front-window fall-back: on-screen windows only, no desktop elements.
    static constexpr std::uint32_t kFrontWindowListOptions = 17;
    static constexpr double kMinimumSide = 60;

    WindowMover(SpaceSwitcher& switcher, Scheduler& scheduler);
    ~WindowMover();
    WindowMover(const WindowMover&) = delete;
    WindowMover& operator=(const WindowMover&) = delete;

    // The window the user works in: the frontmost application's focused
    // window, else its front qualifying window in the window list. Nothing
    // while this application is frontmost.
    static std::optional<FrontWindow> frontWindow();

    // The completion runs exactly once: at once for the failures found
    // before asking the window server, later otherwise. The one exception:
    // when the mover is destroyed before the check, nothing more happens.
    void move(const FrontWindow& window, const Space& target, const SpaceSnapshot& snapshot, bool follow, bool allowDrag,
              Completion completion);
    // Moves a listed window to the active Space of its display (else of the
    // menu-bar display) and raises it when that worked.
    void bringHere(const SpaceContents::WindowInfo& info, const SpaceSnapshot& snapshot, Completion completion);

    // Brings the window to the front and activates its application; only `id` and `pid` count.
    static void raise(const FrontWindow& window);
    // The window's bounds from the window list; nothing when it is not listed.
    static std::optional<QRectF> frame(std::uint32_t id);

    // Where the drag holds a window: on the title bar, left of centre, at most 80 points in.
    static QPointF grabPoint(const QRectF& frame);

private:
    void dragMove(const FrontWindow& window, const Space& target, const SpaceSnapshot& snapshot, Completion completion);

    SpaceSwitcher& m_switcher;
    Scheduler& m_scheduler;
    Lifetime m_lifetime{m_scheduler}; // scheduled steps run only while the mover lives
};

// The managed Space numbers the window server lists for a window; a missing
// or malformed answer is an empty list.
std::vector<int> spacesOfWindow(std::uint32_t windowID);

} // namespace lumivast
