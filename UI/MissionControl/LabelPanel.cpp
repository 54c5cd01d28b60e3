#include "UI/MissionControl/LabelPanel.h"

#include "UI/MissionControl/LabelView.h"

namespace lumivast {

LabelPanel::LabelPanel(Scheduler& scheduler, const QRectF& screenFrame, QWidget* parent)
    : Panel(scheduler, Options{.takesKeys = false, .clickThrough = true, .level = Level::screenSaver}, parent)
    , m_view(new LabelView(scheduler, this))
{
    setScreenFrame(screenFrame);
}

void LabelPanel::setScreenFrame(const QRectF& screenFrame)
{
    if (screenFrame == modelFrame())
        return;
    setModelFrame(screenFrame);
    m_view->setGeometry(0, 0, qRound(screenFrame.width()), qRound(screenFrame.height()));
}

} // namespace lumivast
