// The delegate's Space strips: the strip models, the notch strip, the
// floating toolbars and the notch-hover handler.

#include "App/AppDelegate.h"

#include "Core/Spaces/DisplayGeometry.h"

#include <QPointer>

namespace lumivast {

std::unique_ptr<StripModel> AppDelegate::makeStripModel()
{
    auto model = std::make_unique<StripModel>(m_scheduler, m_watcher, m_store, m_thumbnails, m_contents);
    QPointer<AppDelegate> self(this);
    model->onSelect = [self](const Space& space) {
        if (!self)
            return;
        self->notchStrip().hide();
        self->commands().switchTo(space);
    };
    return model;
}

NotchStripController& AppDelegate::notchStrip()
{
    if (!m_notchStrip)
        m_notchStrip = std::make_unique<NotchStripController>(m_scheduler, makeStripModel());
    return *m_notchStrip;
}

FloatingToolbarController& AppDelegate::floatingToolbar()
{
    if (!m_floatingToolbar) {
        QPointer<AppDelegate> self(this);
        m_floatingToolbar = std::make_unique<FloatingToolbarController>(m_scheduler, [self] {
            return self->makeStripModel();
        });
        // The desktop label stands clear of the toolbar on its display.
        m_desktopLabel.keepClearOf = [self](const QString& displayID) {
            std::vector<QRectF> frames;
            if (const Panel* toolbar = self && self->m_floatingToolbar ? self->m_floatingToolbar->panel(displayID) : nullptr)
                frames.push_back(toolbar->modelFrame());
            return frames;
        };
    }
    return *m_floatingToolbar;
}

void AppDelegate::notchHovered(const ScreenInfo& screen)
{
    if (m_notchStrip && m_notchStrip->isVisible())
        return;
    // The overview covers the screen; a strip over it would only be in the way.
    if (m_overlay && m_overlay->isOpen())
        return;
    // The display shown on that screen, matched by display number; none when the snapshot has no such display.
    const DisplaySpaces* shown = DisplayGeometry::displayShownOn(screen, m_watcher.snapshot());
    notchStrip().show(screen, shown ? std::optional<QString>(shown->id) : std::nullopt);
}

} // namespace lumivast
