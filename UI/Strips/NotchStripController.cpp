#include "UI/Strips/NotchStripController.h"

#include "Core/Settings/Settings.h"
#include "Platform/Coordinates.h"
#include "Platform/Platform.h"

namespace lumivast {

NotchStripController::NotchStripController(Scheduler& scheduler, std::unique_ptr<StripModel> model, QObject* parent)
    : QObject(parent), m_scheduler(scheduler), m_model(std::move(model))
{
}

NotchStripController::~NotchStripController()
{
    m_hideWatch.cancel();
    delete m_view;
}

bool NotchStripController::isVisible() const
{
    return m_panel && m_panel->isVisible() && !m_panel->isFadingOut();
}

void NotchStripController::show(const ScreenInfo& screen, const std::optional<QString>& displayID)
{
    m_model->displayID = displayID;
    m_model->rebuild();

    const bool previews = Settings::defaults().boolValue(Settings::Key::thumbnailsEnabled);
    if (!m_panel)
        m_panel = std::make_unique<Panel>(m_scheduler, Panel::Options{.takesKeys = false, .clickThrough = false,
                                                                      .level = Panel::Level::popUpMenu,
                                                                      .shadow = true});
    delete m_view;
    m_view = new StripView(*m_model, previews, false, m_panel.get());
    const QSize size = m_view->sizeHint();
    m_view->setGeometry(0, 0, size.width(), size.height());
    m_view->show();
    m_panel->setRoundedOutline(0, m_view->cornerRadius());

    const QRectF& f = screen.frame;
    const double inset = topInset(screen);
    const double top = f.y() + f.height() - inset;
    // Centred on the screen and deliberately not clamped to it.
    m_panel->setModelFrame(QRectF(f.center().x() - size.width() * 0.5, top - size.height() - kGap, size.width(),
                                  size.height()));
    if (!m_panel->isVisible() || m_panel->isFadingOut())
        m_panel->dismiss(); // from nothing, even when a fade-out is under way
    m_panel->present(kFadeIn);
    startHideWatch();
}

double NotchStripController::topInset(const ScreenInfo& screen)
{
    if (screen.safeAreaTopInset > 0)
        return screen.safeAreaTopInset;
    return Platform::current().screens().menuBarThickness();
}

void NotchStripController::hide()
{
    m_hideWatch.cancel();
    m_hideWatch = {};
    if (m_panel && m_panel->isVisible() && !m_panel->isFadingOut())
        m_panel->dismiss(kFadeOut);
}

void NotchStripController::startHideWatch()
{
    m_hideWatch.cancel();
    QPointer<NotchStripController> self(this);
    m_hideWatch = m_scheduler.every(kHideWatchInterval, [self] {
        if (self)
            self->checkPointer();
    });
}

void NotchStripController::checkPointer()
{
    if (!m_panel)
        return;
    const QPointF p = Platform::current().screens().pointerLocation();
    const QRectF frame = m_panel->modelFrame();
    const QRectF near = frame.adjusted(-kSideSlack, -kVerticalSlack, kSideSlack, kVerticalSlack);
    const double top = frame.y() + frame.height();
    const QRectF band(frame.center().x() - kBandWidth / 2, top, kBandWidth, kBandHeight);
    if (!Coordinates::mouseInRect(near, p) && !Coordinates::mouseInRect(band, p))
        hide();
}

} // namespace lumivast
