#pragma once

#include "UI/Overview/OverlayKey.h"
#include "UI/Panels/Panel.h"

#include <functional>

namespace lumivast {

// The overview's full-screen window: it takes the keyboard, hands keys and
// modifier changes to its handlers and says when it loses activation. The
// controller clears the handlers when it starts closing the window.
class OverlayWindow final : public Panel {
    Q_OBJECT
public:
    explicit OverlayWindow(Scheduler& scheduler, QWidget* parent = nullptr);

    std::function<bool(const OverlayKey&)> keyHandler; // true: handled
    std::function<void(const OverlayFlags&)> flagsHandler;
    std::function<void()> onResignKey;

    void dropHandlers();
    // While hidden: makes the native window and its drawing buffer at the
    // current size and writes every page of it once, so the first paint after
    // showing does not wait for the memory. Shows nothing.
    void prepareBuffer();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Tab walks the tiles; there is no focus chain to walk.
    bool focusNextPrevChild(bool) override { return false; }
};

} // namespace lumivast
