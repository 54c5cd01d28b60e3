#include "UI/Strips/FloatingToolbarController.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/DisplayGeometry.h"

#include <QSet>

namespace lumivast {

FloatingToolbarController::FloatingToolbarController(Scheduler& scheduler, ModelFactory makeModel, QObject* parent)
    : QObject(parent), m_scheduler(scheduler), m_makeModel(std::move(makeModel))
{
}

FloatingToolbarController::~FloatingToolbarController() = default;

Panel* FloatingToolbarController::panel(const QString& displayID) const
{
    const auto found = m_toolbars.find(displayID);
    return found == m_toolbars.end() ? nullptr : found->second.panel.get();
}

StripModel* FloatingToolbarController::model(const QString& displayID) const
{
    const auto found = m_toolbars.find(displayID);
    return found == m_toolbars.end() ? nullptr : found->second.model.get();
}

StripView* FloatingToolbarController::view(const QString& displayID) const
{
    const auto found = m_toolbars.find(displayID);
    return found == m_toolbars.end() ? nullptr : found->second.view.data();
}

void FloatingToolbarController::fitToContent(Panel& panel, StripView* view)
{
    if (!view)
        return;
    // Our frame's origin is the bottom-left corner, which stays where it is.
    const QSize size = view->sizeHint();
    view->setGeometry(0, 0, size.width(), size.height());
    panel.setModelFrame(QRectF(panel.modelFrame().topLeft(), QSizeF(size)));
}

void FloatingToolbarController::update(const SpaceSnapshot& snapshot)
{
    if (!Settings::defaults().boolValue(Settings::Key::floatingToolbar)) {
        for (auto& [id, toolbar] : m_toolbars)
            toolbar.panel->hide();
        m_toolbars.clear();
        return;
    }

    QSet<QString> present;
    for (const DisplaySpaces& display : snapshot.displays)
        present.insert(display.id);
    for (auto it = m_toolbars.begin(); it != m_toolbars.end();) {
        if (!present.contains(it->first)) {
            it->second.panel->hide();
            it = m_toolbars.erase(it);
        } else {
            ++it;
        }
    }

    for (const DisplaySpaces& display : snapshot.displays) {
        const auto screen = DisplayGeometry::screen(display.id);
        if (!screen)
            continue;
        if (auto found = m_toolbars.find(display.id); found != m_toolbars.end()) {
            found->second.model->rebuild();
            fitToContent(*found->second.panel, found->second.view);
            continue;
        }

        Toolbar toolbar;
        toolbar.model = m_makeModel();
        toolbar.model->displayID = display.id;
        toolbar.model->rebuild();
        toolbar.panel = std::make_unique<Panel>(m_scheduler, Panel::Options{.takesKeys = false, .clickThrough = false,
                                                                            .level = Panel::Level::floating,
                                                                            .shadow = true,
                                                                            .movableByBackground = true});
        toolbar.view = new StripView(*toolbar.model, false, true, toolbar.panel.get());
        toolbar.panel->setRoundedOutline(0, toolbar.view->cornerRadius());
        fitToContent(*toolbar.panel, toolbar.view);
        if (!toolbar.panel->setFrameAutosaveName(autosaveName(display.id))) {
            const QRectF& v = screen->visibleFrame;
            const QRectF frame = toolbar.panel->modelFrame();
            toolbar.panel->setModelFrame(
                QRectF(v.center().x() - frame.width() * 0.5, v.y() + kBottomMargin, frame.width(), frame.height()));
        }
        // The model also rebuilds by itself; the panel follows its content then too.
        Panel* panel = toolbar.panel.get();
        StripView* view = toolbar.view;
        connect(view, &StripView::relaidOut, panel, [panel, view] { fitToContent(*panel, view); });
        toolbar.panel->present();
        m_toolbars.emplace(display.id, std::move(toolbar));
    }
}

} // namespace lumivast
