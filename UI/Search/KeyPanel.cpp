#include "UI/Search/KeyPanel.h"

#include <QEvent>

namespace lumivast {

KeyPanel::KeyPanel(Scheduler& scheduler, Level level, QWidget* parent)
    : Panel(scheduler, Options{.takesKeys = true, .clickThrough = false, .level = level}, parent)
{
}

void KeyPanel::changeEvent(QEvent* event)
{
    Panel::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible() && onResign)
        onResign();
}

} // namespace lumivast
