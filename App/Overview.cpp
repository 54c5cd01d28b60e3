// The delegate's side of the overview: what opens and closes it.

#include "App/AppDelegate.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Demo/DemoTour.h"
#include "Platform/Platform.h"

#include <QPointer>

namespace lumivast {

void AppDelegate::toggleOverview()
{
    if (m_overlay->isOpen())
        m_overlay->hide(true);
    else
        m_overlay->show();
}

void AppDelegate::overviewHotKey()
{
    if (!m_overlay->isOpen()) {
        m_overlay->show();
        return;
    }
    // Held Option walks the tiles; its release (the window's) switches.
    const Qt::KeyboardModifiers held = Platform::current().keyboard().heldModifiers();
    if (m_overlay->openedWithOption() && held.testFlag(Qt::AltModifier))
        m_overlay->model().cycle(!held.testFlag(Qt::ShiftModifier));
    else
        m_overlay->hide(true);
}

void AppDelegate::overviewHotCorner()
{
    // A corner reached again never closes the overview.
    if (!m_overlay->isOpen())
        m_overlay->show();
}

void AppDelegate::runDemoTour()
{
    if (!DemoMode::isOn())
        return errorToast(tr("Turn on demo mode first"));
    m_overlay->show();
    QPointer<OverlayViewModel> model(&m_overlay->model());
    QPointer<AppDelegate> self(this);
    DemoTour::Steps steps;
    steps.moveOverviewSelection = [model](int dx, int dy) {
        if (model)
            model->move(dx, dy);
    };
    steps.typeIntoOverview = [model](QChar c) {
        if (model)
            model->setQuery(model->query() + c);
    };
    steps.clearOverviewSearch = [model] {
        if (model)
            model->setQuery(QString());
    };
    steps.closeOverview = [self] {
        if (self)
            self->m_overlay->hide(true);
    };
    steps.showFinderOverAllSpaces = [self] {
        if (self)
            self->commands().perform(SpaceCommand::windows(true));
    };
    steps.typeIntoFinder = [self](QChar c) {
        if (!self)
            return;
        SearchPanelModel& finder = self->m_windowPanel.model();
        finder.setQuery(finder.query() + c);
        finder.setSelection(0);
    };
    steps.closeFinder = [self] {
        if (self)
            self->m_windowPanel.close();
    };
    // Held with the delegate's other delayed work; a second tour overlaps the first.
    std::erase_if(m_pending, [](const WorkItem& item) { return !item.isPending(); });
    for (WorkItem& item : DemoTour::schedule(m_scheduler, std::move(steps)))
        m_pending.push_back(std::move(item));
}

} // namespace lumivast
