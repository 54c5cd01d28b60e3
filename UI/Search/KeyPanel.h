#pragma once

#include "UI/Panels/Panel.h"

#include <functional>

namespace lumivast {

// A panel that takes the keyboard although it has no title bar, and reports
// when it loses it (a click elsewhere, another application coming forward).
class KeyPanel final : public Panel {
    Q_OBJECT
public:
    KeyPanel(Scheduler& scheduler, Level level, QWidget* parent = nullptr);

    std::function<void()> onResign;

protected:
    void changeEvent(QEvent* event) override;
};

} // namespace lumivast
