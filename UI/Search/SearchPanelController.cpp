#include "UI/Search/SearchPanelController.h"

#include "Core/Spaces/DisplayGeometry.h"
#include "Platform/Platform.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace lumivast {

SearchPanelController::SearchPanelController(Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_scheduler(scheduler)
{
}

SearchPanelController::~SearchPanelController() = default;

QRectF SearchPanelController::panelFrame(const QRectF& screenFrame)
{
    const QPointF mid = screenFrame.center();
    return QRectF(mid.x() - 310, mid.y() - 140, kPanelSize.width(), kPanelSize.height());
}

void SearchPanelController::show()
{
    m_model.setQuery(QString());
    m_model.setSelection(0);
    m_model.setItems(m_model.source ? m_model.source(m_model.scopeAll()) : std::vector<PanelItem>{});

    std::optional<ScreenInfo> screen = DisplayGeometry::screenUnderMouse();
    if (!screen) {
        const auto screens = Platform::current().screens().screens();
        if (!screens.empty())
            screen = screens.front();
    }
    if (!screen)
        return;

    if (!m_panel) {
        m_panel = std::make_unique<KeyPanel>(m_scheduler, Panel::Level::modal);
        auto* layout = new QVBoxLayout(m_panel.get());
        layout->setContentsMargins(0, 0, 0, 0);
        QPointer<SearchPanelController> self(this);
        m_panel->onResign = [self] {
            if (self)
                self->close();
        };
    }

    // A new view for every showing; the old one may still be running an action.
    if (m_view) {
        m_panel->layout()->removeWidget(m_view);
        m_view->hide();
        m_view->deleteLater();
    }
    QPointer<SearchPanelController> self(this);
    m_view = new SearchPanelView(m_model, [self] {
        if (self)
            self->close();
    }, m_panel.get());
    m_panel->layout()->addWidget(m_view);

    m_panel->setModelFrame(panelFrame(screen->frame));
    m_panel->present();
    m_panel->raise();
    m_panel->activateWindow();
    m_view->searchField()->setFocus(Qt::OtherFocusReason);
}

void SearchPanelController::close()
{
    if (m_panel)
        m_panel->dismiss();
}

} // namespace lumivast
